#include "movie/Shape.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_map>

namespace movie {
namespace {

// Style arrays and edge records need to know how colours are stored and which extras exist.
struct StyleFormat {
    int shapeVersion = 1;  // 1-4
    bool Rgba() const { return shapeVersion >= 3; }
};

void ReadGradient(BitReader& r, GradientDef& g, bool rgba) {
    g.spread = uint8_t(r.UBits(2));
    g.interpolation = uint8_t(r.UBits(2));
    const unsigned count = r.UBits(4);
    g.stops.resize(count);
    for (GradientStopDef& s : g.stops) {
        s.ratio = r.U8();
        s.color = rgba ? ReadRgba(r) : ReadRgb(r);
    }
}

FillStyle ReadFillStyle(BitReader& r, const StyleFormat& f) {
    FillStyle fs;
    const uint8_t type = r.U8();
    switch (type) {
    case 0x00:
        fs.kind = FillStyle::Kind::Solid;
        fs.color = f.Rgba() ? ReadRgba(r) : ReadRgb(r);
        break;
    case 0x10:
    case 0x12:
    case 0x13:
        fs.kind = type == 0x10   ? FillStyle::Kind::Linear
                  : type == 0x12 ? FillStyle::Kind::Radial
                                 : FillStyle::Kind::Focal;
        fs.matrix = ReadMatrix(r);
        ReadGradient(r, fs.gradient, f.Rgba());
        if (type == 0x13)
            fs.gradient.focal = std::clamp(r.Fixed8(), -1.0f, 1.0f);
        break;
    case 0x40:
    case 0x41:
    case 0x42:
    case 0x43:
        fs.kind = FillStyle::Kind::Bitmap;
        fs.bitmapId = r.U16();
        fs.matrix = ReadMatrix(r);
        fs.bitmapRepeat = type == 0x40 || type == 0x42;
        fs.bitmapSmooth = type == 0x40 || type == 0x41;
        break;
    default:
        r.Fail();  // an unknown fill type leaves the rest of the record unreadable
        break;
    }
    return fs;
}

void ReadFillStyles(BitReader& r, const StyleFormat& f, std::vector<FillStyle>& out) {
    uint16_t count = r.U8();
    if (count == 0xFF && f.shapeVersion >= 2)
        count = r.U16();
    for (uint16_t i = 0; i < count && r.Ok(); ++i)
        out.push_back(ReadFillStyle(r, f));
}

void ReadLineStyles(BitReader& r, const StyleFormat& f, std::vector<LineStyle>& out) {
    uint16_t count = r.U8();
    if (count == 0xFF)
        count = r.U16();
    for (uint16_t i = 0; i < count && r.Ok(); ++i) {
        LineStyle ls;
        ls.width = r.U16();
        if (f.shapeVersion >= 4) {
            ls.startCap = uint8_t(r.UBits(2));
            ls.join = uint8_t(r.UBits(2));
            ls.hasFill = r.Flag();
            ls.noHScale = r.Flag();
            ls.noVScale = r.Flag();
            ls.pixelHinting = r.Flag();
            r.UBits(5);
            ls.noClose = r.Flag();
            ls.endCap = uint8_t(r.UBits(2));
            if (ls.join == 2)
                ls.miterLimit = r.Fixed8();
            if (ls.hasFill) {
                ls.fill = ReadFillStyle(r, f);
                ls.color = ls.fill.color;
            } else {
                ls.color = ReadRgba(r);
            }
        } else {
            ls.color = f.Rgba() ? ReadRgba(r) : ReadRgb(r);
        }
        out.push_back(ls);
    }
}

// Reads shape records into styled edges. Style indices in the records are local to the current
// style group; `fillBase`/`lineBase` turn them into indices of the whole list. New style groups
// (DefineShape 2 and later) append to `fills`/`lines` when those are given.
struct EdgeReader {
    BitReader& r;
    StyleFormat format;
    std::vector<FillStyle>* fills = nullptr;  // null: the styles live elsewhere (morphs)
    std::vector<LineStyle>* lines = nullptr;
    std::vector<std::pair<uint32_t, uint32_t>>* groups = nullptr;
    std::vector<StyledEdge>& edges;
    bool truncated = false;
    // Pen moves seen (morph pairing needs them): for each edge, whether a move preceded it.
    std::vector<Vec2>* movesBefore = nullptr;

    void Read() {
        unsigned fillBits = r.UBits(4);
        unsigned lineBits = r.UBits(4);
        uint32_t fillBase = 0, lineBase = 0;
        uint32_t fill0 = 0, fill1 = 0, line = 0;
        float x = 0, y = 0;
        while (true) {
            if (!r.Ok()) {
                truncated = true;
                return;
            }
            if (edges.size() >= kMaxEdgesPerShape) {
                truncated = true;
                return;
            }
            const bool isEdge = r.Flag();
            if (!isEdge) {
                const unsigned flags = r.UBits(5);
                if (!r.Ok()) {
                    truncated = true;
                    return;
                }
                if (flags == 0)
                    return;  // end of shape
                const bool newStyles = flags & 0x10, lineStyle = flags & 0x08;
                const bool fillStyle1 = flags & 0x04, fillStyle0 = flags & 0x02, moveTo = flags & 0x01;
                if (moveTo) {
                    const unsigned n = r.UBits(5);
                    x = float(r.SBits(n));
                    y = float(r.SBits(n));
                }
                if (fillStyle0)
                    fill0 = Global(r.UBits(fillBits), fillBase);
                if (fillStyle1)
                    fill1 = Global(r.UBits(fillBits), fillBase);
                if (lineStyle)
                    line = Global(r.UBits(lineBits), lineBase);
                if (newStyles && fills && lines && format.shapeVersion >= 2) {
                    fillBase = uint32_t(fills->size());
                    lineBase = uint32_t(lines->size());
                    ReadFillStyles(r, format, *fills);
                    ReadLineStyles(r, format, *lines);
                    if (groups)
                        groups->push_back({fillBase, lineBase});
                    fillBits = r.UBits(4);
                    lineBits = r.UBits(4);
                    fill0 = fill1 = line = 0;
                } else if (newStyles) {
                    truncated = true;  // not allowed here: the rest cannot be parsed
                    return;
                }
                if (moveTo && movesBefore)
                    movesBefore->push_back({x, y});
                continue;
            }
            StyledEdge e;
            e.from = {x, y};
            e.fill0 = fill0;
            e.fill1 = fill1;
            e.line = line;
            const bool straight = r.Flag();
            const unsigned n = r.UBits(4) + 2;
            if (straight) {
                int32_t dx = 0, dy = 0;
                if (r.Flag()) {
                    dx = r.SBits(n);
                    dy = r.SBits(n);
                } else if (r.Flag()) {
                    dy = r.SBits(n);
                } else {
                    dx = r.SBits(n);
                }
                x += float(dx);
                y += float(dy);
                e.to = {x, y};
                e.control = {(e.from.x + x) / 2, (e.from.y + y) / 2};
            } else {
                const int32_t cdx = r.SBits(n), cdy = r.SBits(n);
                const int32_t adx = r.SBits(n), ady = r.SBits(n);
                e.control = {x + float(cdx), y + float(cdy)};
                x = e.control.x + float(adx);
                y = e.control.y + float(ady);
                e.to = {x, y};
                e.curve = true;
            }
            if (!r.Ok()) {
                truncated = true;
                return;
            }
            edges.push_back(e);
        }
    }

    // Index 0 stays "none"; an index past the style list is ignored when the geometry is built.
    static uint32_t Global(uint32_t local, uint32_t base) { return local == 0 ? 0 : base + local; }
};

uint64_t PointKey(Vec2 p) {
    uint32_t xb, yb;
    std::memcpy(&xb, &p.x, 4);
    std::memcpy(&yb, &p.y, 4);
    // -0 and +0 are the same point.
    if (p.x == 0)
        xb = 0;
    if (p.y == 0)
        yb = 0;
    return uint64_t(xb) << 32 | yb;
}

struct Directed {
    Vec2 from, control, to;
    bool curve;
};

void AppendEdge(Outline& o, const Directed& d) {
    if (d.curve) {
        o.verbs.push_back(Outline::Verb::Quad);
        o.points.push_back(d.control);
        o.points.push_back(d.to);
    } else {
        o.verbs.push_back(Outline::Verb::Line);
        o.points.push_back(d.to);
    }
}

// Joins directed edges into loops: from each unused edge, follow edges that start where the last
// one ended until the loop returns to its start (or nothing continues it).
Outline JoinLoops(const std::vector<Directed>& edges) {
    Outline o;
    std::unordered_multimap<uint64_t, uint32_t> byStart;
    byStart.reserve(edges.size());
    for (uint32_t i = 0; i < edges.size(); ++i)
        byStart.emplace(PointKey(edges[i].from), i);
    std::vector<bool> used(edges.size(), false);
    for (uint32_t first = 0; first < edges.size(); ++first) {
        if (used[first])
            continue;
        used[first] = true;
        const Vec2 start = edges[first].from;
        o.verbs.push_back(Outline::Verb::Move);
        o.points.push_back(start);
        AppendEdge(o, edges[first]);
        Vec2 at = edges[first].to;
        while (!(at == start)) {
            auto [lo, hi] = byStart.equal_range(PointKey(at));
            uint32_t next = UINT32_MAX;
            for (auto it = lo; it != hi; ++it) {
                if (!used[it->second]) {
                    next = it->second;
                    break;
                }
            }
            if (next == UINT32_MAX)
                break;
            used[next] = true;
            AppendEdge(o, edges[next]);
            at = edges[next].to;
        }
        o.verbs.push_back(Outline::Verb::Close);
    }
    return o;
}

// A polyline that comes back to where it started is closed (joined there, not capped).
Outline JoinPolylines(const std::vector<StyledEdge>& edges, uint32_t line) {
    Outline o;
    bool open = false;
    Vec2 start, at;
    auto finish = [&] {
        if (open && at == start)
            o.verbs.push_back(Outline::Verb::Close);
    };
    for (const StyledEdge& e : edges) {
        if (e.line != line)
            continue;
        if (!open || !(e.from == at)) {
            finish();
            o.verbs.push_back(Outline::Verb::Move);
            o.points.push_back(e.from);
            open = true;
            start = e.from;
        }
        AppendEdge(o, {e.from, e.control, e.to, e.curve});
        at = e.to;
    }
    finish();
    return o;
}

}  // namespace

ShapeGeometry BuildGeometry(const std::vector<StyledEdge>& edges, size_t fillCount, size_t lineCount,
                            const std::vector<std::pair<uint32_t, uint32_t>>& groups) {
    ShapeGeometry g;
    // Edges of each fill style, turned so that the fill lies on the same side of all of them.
    std::vector<std::vector<Directed>> perFill(fillCount);
    std::vector<bool> lineUsed(lineCount, false);
    for (const StyledEdge& e : edges) {
        if (e.fill0 == e.fill1) {
            // The same fill on both sides adds nothing to its area.
        } else {
            if (e.fill1 >= 1 && e.fill1 <= fillCount)
                perFill[e.fill1 - 1].push_back({e.from, e.control, e.to, e.curve});
            if (e.fill0 >= 1 && e.fill0 <= fillCount)
                perFill[e.fill0 - 1].push_back({e.to, e.control, e.from, e.curve});
        }
        if (e.line >= 1 && e.line <= lineCount)
            lineUsed[e.line - 1] = true;
    }
    auto groupEnd = [&](size_t gi, bool lines) -> size_t {
        if (gi + 1 < groups.size())
            return lines ? groups[gi + 1].second : groups[gi + 1].first;
        return lines ? lineCount : fillCount;
    };
    const size_t groupCount = groups.empty() ? 1 : groups.size();
    for (size_t gi = 0; gi < groupCount; ++gi) {
        const size_t fillStart = groups.empty() ? 0 : std::min<size_t>(groups[gi].first, fillCount);
        const size_t lineStart = groups.empty() ? 0 : std::min<size_t>(groups[gi].second, lineCount);
        const size_t fillEnd = groups.empty() ? fillCount : std::min(groupEnd(gi, false), fillCount);
        const size_t lineEnd = groups.empty() ? lineCount : std::min(groupEnd(gi, true), lineCount);
        for (size_t f = fillStart; f < fillEnd; ++f) {
            if (perFill[f].empty())
                continue;
            g.draws.push_back({false, uint32_t(f), JoinLoops(perFill[f])});
        }
        for (size_t l = lineStart; l < lineEnd; ++l) {
            if (!lineUsed[l])
                continue;
            g.draws.push_back({true, uint32_t(l), JoinPolylines(edges, uint32_t(l + 1))});
        }
    }
    return g;
}

std::optional<ShapeDef> ReadDefineShape(const uint8_t* body, size_t size, int version) {
    BitReader r(body, size);
    ShapeDef s;
    s.version = uint8_t(version);
    s.id = r.U16();
    s.bounds = ReadRect(r);
    if (version >= 4) {
        ReadRect(r);  // edge bounds
        const uint8_t flags = r.U8();
        s.nonZeroWinding = flags & 0x04;
    }
    if (!r.Ok())
        return std::nullopt;
    const StyleFormat format{version};
    ReadFillStyles(r, format, s.fills);
    ReadLineStyles(r, format, s.lines);
    s.groups.push_back({0, 0});
    EdgeReader er{r, format, &s.fills, &s.lines, &s.groups, s.edges};
    er.Read();
    s.truncated = er.truncated;
    s.geometry = BuildGeometry(s.edges, s.fills.size(), s.lines.size(), s.groups);
    return s;
}

ShapeGeometry ReadGlyphShape(const uint8_t* data, size_t size, bool* truncated) {
    BitReader r(data, size);
    std::vector<StyledEdge> edges;
    EdgeReader er{r, StyleFormat{1}, nullptr, nullptr, nullptr, edges};
    er.Read();
    if (truncated)
        *truncated = er.truncated;
    return BuildGeometry(edges, 1, 0, {});
}

namespace {

void ReadMorphGradient(BitReader& r, GradientDef& a, GradientDef& b) {
    // The upper bits carry spread and interpolation as in a plain gradient.
    const uint8_t head = r.U8();
    a.spread = b.spread = uint8_t(head >> 6 & 3);
    a.interpolation = b.interpolation = uint8_t(head >> 4 & 3);
    const unsigned count = head & 0x0F;
    a.stops.resize(count);
    b.stops.resize(count);
    for (unsigned i = 0; i < count; ++i) {
        a.stops[i].ratio = r.U8();
        a.stops[i].color = ReadRgba(r);
        b.stops[i].ratio = r.U8();
        b.stops[i].color = ReadRgba(r);
    }
}

void ReadMorphFill(BitReader& r, FillStyle& a, FillStyle& b) {
    const uint8_t type = r.U8();
    switch (type) {
    case 0x00:
        a.kind = b.kind = FillStyle::Kind::Solid;
        a.color = ReadRgba(r);
        b.color = ReadRgba(r);
        break;
    case 0x10:
    case 0x12:
    case 0x13:
        a.kind = b.kind = type == 0x10   ? FillStyle::Kind::Linear
                          : type == 0x12 ? FillStyle::Kind::Radial
                                         : FillStyle::Kind::Focal;
        a.matrix = ReadMatrix(r);
        b.matrix = ReadMatrix(r);
        ReadMorphGradient(r, a.gradient, b.gradient);
        if (type == 0x13) {
            a.gradient.focal = std::clamp(r.Fixed8(), -1.0f, 1.0f);
            b.gradient.focal = std::clamp(r.Fixed8(), -1.0f, 1.0f);
        }
        break;
    case 0x40:
    case 0x41:
    case 0x42:
    case 0x43:
        a.kind = b.kind = FillStyle::Kind::Bitmap;
        a.bitmapId = b.bitmapId = r.U16();
        a.matrix = ReadMatrix(r);
        b.matrix = ReadMatrix(r);
        a.bitmapRepeat = b.bitmapRepeat = type == 0x40 || type == 0x42;
        a.bitmapSmooth = b.bitmapSmooth = type == 0x40 || type == 0x41;
        break;
    default:
        r.Fail();
        break;
    }
}

// The end shape's records pair with the start's edge by edge; its moves only place its pen.
void PairMorphEdges(MorphShapeDef& m, std::vector<StyledEdge>& endRaw) {
    const size_t n = std::min(m.startEdges.size(), endRaw.size());
    m.startEdges.resize(n);
    m.endEdges.resize(n);
    for (size_t i = 0; i < n; ++i) {
        StyledEdge& s = m.startEdges[i];
        StyledEdge e = endRaw[i];
        e.fill0 = s.fill0;
        e.fill1 = s.fill1;
        e.line = s.line;
        if (s.curve != e.curve)
            s.curve = e.curve = true;  // straight ones keep their middle control
        m.endEdges[i] = e;
    }
}

}  // namespace

std::optional<MorphShapeDef> ReadDefineMorphShape(const uint8_t* body, size_t size, int version) {
    BitReader r(body, size);
    MorphShapeDef m;
    m.version = uint8_t(version);
    m.id = r.U16();
    m.startBounds = ReadRect(r);
    m.endBounds = ReadRect(r);
    if (version >= 2) {
        ReadRect(r);
        ReadRect(r);
        r.U8();  // stroke scaling flags
    }
    const uint32_t offset = r.U32();
    const size_t endEdgesAt = r.Position() + offset;
    if (!r.Ok() || offset > r.Remaining())
        return std::nullopt;

    uint16_t fillCount = r.U8();
    if (fillCount == 0xFF)
        fillCount = r.U16();
    m.startFills.resize(fillCount);
    m.endFills.resize(fillCount);
    for (uint16_t i = 0; i < fillCount && r.Ok(); ++i)
        ReadMorphFill(r, m.startFills[i], m.endFills[i]);
    uint16_t lineCount = r.U8();
    if (lineCount == 0xFF)
        lineCount = r.U16();
    m.startLines.resize(lineCount);
    m.endLines.resize(lineCount);
    for (uint16_t i = 0; i < lineCount && r.Ok(); ++i) {
        LineStyle& a = m.startLines[i];
        LineStyle& b = m.endLines[i];
        a.width = r.U16();
        b.width = r.U16();
        if (version >= 2) {
            a.startCap = uint8_t(r.UBits(2));
            a.join = uint8_t(r.UBits(2));
            a.hasFill = r.Flag();
            a.noHScale = r.Flag();
            a.noVScale = r.Flag();
            a.pixelHinting = r.Flag();
            r.UBits(5);
            a.noClose = r.Flag();
            a.endCap = uint8_t(r.UBits(2));
            if (a.join == 2)
                a.miterLimit = r.Fixed8();
            const uint16_t wa = a.width, wb = b.width;
            b = a;
            a.width = wa;
            b.width = wb;
            if (a.hasFill) {
                ReadMorphFill(r, a.fill, b.fill);
                a.color = a.fill.color;
                b.color = b.fill.color;
            } else {
                a.color = ReadRgba(r);
                b.color = ReadRgba(r);
            }
        } else {
            a.color = ReadRgba(r);
            b.color = ReadRgba(r);
        }
    }
    if (!r.Ok())
        return std::nullopt;

    StyleFormat format{3};
    EdgeReader start{r, format, nullptr, nullptr, nullptr, m.startEdges};
    start.Read();
    std::vector<StyledEdge> endRaw;
    BitReader er(body + endEdgesAt, size - endEdgesAt);
    EdgeReader end{er, format, nullptr, nullptr, nullptr, endRaw};
    end.Read();
    m.truncated = start.truncated || end.truncated || m.startEdges.size() != endRaw.size();
    PairMorphEdges(m, endRaw);
    return m;
}

namespace {

float Lerp(float a, float b, float t) {
    return a + (b - a) * t;
}
double Lerp(double a, double b, double t) {
    return a + (b - a) * t;
}
// Colour channels and ratios between the two ends are cut to whole numbers, not rounded (the
// reference player's morph images show 84 where rounding would give 85).
uint8_t LerpByte(uint8_t a, uint8_t b, float t) {
    return uint8_t(std::clamp(Lerp(float(a), float(b), t), 0.0f, 255.0f));
}
Rgba Lerp(Rgba a, Rgba b, float t) {
    return {LerpByte(a.r, b.r, t), LerpByte(a.g, b.g, t), LerpByte(a.b, b.b, t), LerpByte(a.a, b.a, t)};
}
Vec2 Lerp(Vec2 a, Vec2 b, float t) {
    return {Lerp(a.x, b.x, t), Lerp(a.y, b.y, t)};
}

FillStyle LerpFill(const FillStyle& a, const FillStyle& b, float t) {
    FillStyle f = a;
    f.color = Lerp(a.color, b.color, t);
    const double td = t;
    f.matrix = {Lerp(a.matrix.a, b.matrix.a, td),   Lerp(a.matrix.b, b.matrix.b, td),
                Lerp(a.matrix.c, b.matrix.c, td),   Lerp(a.matrix.d, b.matrix.d, td),
                Lerp(a.matrix.tx, b.matrix.tx, td), Lerp(a.matrix.ty, b.matrix.ty, td)};
    f.gradient.focal = Lerp(a.gradient.focal, b.gradient.focal, t);
    for (size_t i = 0; i < f.gradient.stops.size() && i < b.gradient.stops.size(); ++i) {
        f.gradient.stops[i].ratio = LerpByte(a.gradient.stops[i].ratio, b.gradient.stops[i].ratio, t);
        f.gradient.stops[i].color = Lerp(a.gradient.stops[i].color, b.gradient.stops[i].color, t);
    }
    return f;
}

}  // namespace

MorphFrame InterpolateMorph(const MorphShapeDef& m, uint16_t ratio) {
    const float t = float(ratio) / 65535.0f;
    MorphFrame out;
    auto lerpInt = [t](int32_t a, int32_t b) { return int32_t(std::lround(a + (b - a) * double(t))); };
    out.bounds = {lerpInt(m.startBounds.xMin, m.endBounds.xMin), lerpInt(m.startBounds.xMax, m.endBounds.xMax),
                  lerpInt(m.startBounds.yMin, m.endBounds.yMin), lerpInt(m.startBounds.yMax, m.endBounds.yMax)};
    out.fills.reserve(m.startFills.size());
    for (size_t i = 0; i < m.startFills.size(); ++i)
        out.fills.push_back(LerpFill(m.startFills[i], m.endFills[i], t));
    out.lines.reserve(m.startLines.size());
    for (size_t i = 0; i < m.startLines.size(); ++i) {
        LineStyle l = m.startLines[i];
        l.width = uint16_t(Lerp(float(m.startLines[i].width), float(m.endLines[i].width), t) + 0.5f);
        l.color = Lerp(m.startLines[i].color, m.endLines[i].color, t);
        if (l.hasFill)
            l.fill = LerpFill(m.startLines[i].fill, m.endLines[i].fill, t);
        out.lines.push_back(l);
    }
    std::vector<StyledEdge> edges(m.startEdges.size());
    for (size_t i = 0; i < edges.size(); ++i) {
        const StyledEdge& a = m.startEdges[i];
        const StyledEdge& b = m.endEdges[i];
        StyledEdge& e = edges[i];
        e = a;
        e.from = Lerp(a.from, b.from, t);
        e.control = Lerp(a.control, b.control, t);
        e.to = Lerp(a.to, b.to, t);
    }
    // Neighbouring edges share end points exactly at any ratio: each end is interpolated from the
    // same pair of numbers, so loops still join.
    out.geometry = BuildGeometry(edges, out.fills.size(), out.lines.size(), {});
    return out;
}

}  // namespace movie
