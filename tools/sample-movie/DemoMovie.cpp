#include "DemoMovie.h"

#include "movie/SwfWriter.h"

#include <zlib.h>

#include <cmath>
#include <stdexcept>
#include <string>

namespace samplemovie {
namespace {

using Bytes = std::vector<uint8_t>;
using movie::SwfBitWriter;

enum Tag : uint16_t {
    kShowFrame = 1,
    kDoAction = 12,
    kPlaceObject2 = 26,
    kDefineShape3 = 32,
    kDefineButton2 = 34,
    kDefineBitsLossless2 = 36,
    kDefineSprite = 39,
    kDefineMorphShape = 46,
};

enum Character : uint16_t {
    kBanner = 1,
    kSun,
    kTileBitmap,
    kTile,
    kMorph,
    kMask,
    kStripes,
    kRing,
    kMaskedSprite,
    kButtonUp,
    kButtonOver,
    kButtonDown,
    kButtonGlyph,
    kButton,
};

enum Depth : uint16_t { kDepthBanner = 1, kDepthSun, kDepthTile, kDepthMorph, kDepthSprite, kDepthButton };

constexpr int32_t kTwips = 20;
constexpr double kPi = 3.14159265358979323846;

struct Rgba {
    uint8_t r, g, b, a = 255;
};

// A 2x3 matrix as the file stores it: scale and rotate-skew terms, translation in twips.
struct Affine {
    double a = 1, b = 0, c = 0, d = 1;
    int32_t tx = 0, ty = 0;
};

Affine Translate(int32_t x, int32_t y) {
    return {1, 0, 0, 1, x, y};
}
Affine Rotate(double degrees, int32_t x, int32_t y) {
    const double r = degrees * kPi / 180.0;
    return {std::cos(r), std::sin(r), -std::sin(r), std::cos(r), x, y};
}

void PutFixedPair(SwfBitWriter& w, double first, double second) {
    const int32_t p = int32_t(std::lround(first * 65536.0)), q = int32_t(std::lround(second * 65536.0));
    const unsigned n = movie::SignedFieldBits({p, q});
    w.Bits(n, 5);
    w.SignedBits(p, n);
    w.SignedBits(q, n);
}

void PutMatrix(SwfBitWriter& w, const Affine& m) {
    const bool scale = m.a != 1 || m.d != 1, rotate = m.b != 0 || m.c != 0;
    w.Bits(scale, 1);
    if (scale)
        PutFixedPair(w, m.a, m.d);
    w.Bits(rotate, 1);
    if (rotate)
        PutFixedPair(w, m.b, m.c);
    const unsigned n = (m.tx == 0 && m.ty == 0) ? 0 : movie::SignedFieldBits({m.tx, m.ty});
    w.Bits(n, 5);
    w.SignedBits(m.tx, n);
    w.SignedBits(m.ty, n);
    w.Align();
}

void PutRect(SwfBitWriter& w, int32_t xMin, int32_t xMax, int32_t yMin, int32_t yMax) {
    const unsigned n = movie::SignedFieldBits({xMin, xMax, yMin, yMax});
    w.Bits(n, 5);
    for (int32_t v : {xMin, xMax, yMin, yMax})
        w.SignedBits(v, n);
    w.Align();
}

void PutRgba(SwfBitWriter& w, Rgba c) {
    for (uint8_t v : {c.r, c.g, c.b, c.a})
        w.U8(v);
}

Bytes TagBytes(uint16_t code, const Bytes& body) {
    Bytes out;
    movie::AppendSwfTag(out, code, body);
    return out;
}

void Add(Bytes& tags, uint16_t code, const Bytes& body) {
    movie::AppendSwfTag(tags, code, body);
}

// Fill styles of DefineShape3 (colours with alpha).
struct Stop {
    uint8_t ratio;
    Rgba color;
};

void PutSolidFill(SwfBitWriter& w, Rgba c) {
    w.U8(0x00);
    PutRgba(w, c);
}

// A gradient over a box of `size` twips centred on (cx, cy): the gradient square is 32768 twips.
void PutGradientFill(SwfBitWriter& w, bool radial, int32_t cx, int32_t cy, int32_t size,
                     std::initializer_list<Stop> stops) {
    w.U8(radial ? 0x12 : 0x10);
    const double s = double(size) / 32768.0;
    PutMatrix(w, {s, 0, 0, s, cx, cy});
    w.U8(uint8_t(stops.size()));  // pad spread, RGB interpolation
    for (const Stop& stop : stops) {
        w.U8(stop.ratio);
        PutRgba(w, stop.color);
    }
}

// Shape records: moves, lines and curves in absolute twips, written as the deltas the file keeps.
class ShapeRecords {
public:
    ShapeRecords(unsigned fillBits, unsigned lineBits) : m_fillBits(fillBits), m_lineBits(lineBits) {
        m_w.Bits(fillBits, 4);
        m_w.Bits(lineBits, 4);
    }
    // A style change that moves the pen and selects fill 0, fill 1 and the line (from 1; 0 none).
    void Move(int32_t x, int32_t y, uint32_t fill0, uint32_t fill1, uint32_t line) {
        const bool styles = m_fillBits + m_lineBits > 0;
        m_w.Bits(0, 1);  // style change record
        m_w.Bits(0, 1);  // no new styles
        m_w.Bits(styles && m_lineBits > 0, 1);
        m_w.Bits(styles && m_fillBits > 0, 1);
        m_w.Bits(styles && m_fillBits > 0, 1);
        m_w.Bits(1, 1);  // move to
        const unsigned n = movie::SignedFieldBits({x, y});
        m_w.Bits(n, 5);
        m_w.SignedBits(x, n);
        m_w.SignedBits(y, n);
        if (styles && m_fillBits > 0) {
            m_w.Bits(fill0, m_fillBits);
            m_w.Bits(fill1, m_fillBits);
        }
        if (styles && m_lineBits > 0)
            m_w.Bits(line, m_lineBits);
        m_x = x, m_y = y;
    }
    void Line(int32_t x, int32_t y) {
        const int32_t dx = x - m_x, dy = y - m_y;
        const unsigned n = std::max(2u, movie::SignedFieldBits({dx, dy}));
        m_w.Bits(1, 1);  // edge
        m_w.Bits(1, 1);  // straight
        m_w.Bits(n - 2, 4);
        m_w.Bits(1, 1);  // general line: both deltas
        m_w.SignedBits(dx, n);
        m_w.SignedBits(dy, n);
        m_x = x, m_y = y;
    }
    void Curve(int32_t cx, int32_t cy, int32_t x, int32_t y) {
        const int32_t cdx = cx - m_x, cdy = cy - m_y, adx = x - cx, ady = y - cy;
        const unsigned n = std::max(2u, movie::SignedFieldBits({cdx, cdy, adx, ady}));
        m_w.Bits(1, 1);  // edge
        m_w.Bits(0, 1);  // curved
        m_w.Bits(n - 2, 4);
        for (int32_t v : {cdx, cdy, adx, ady})
            m_w.SignedBits(v, n);
        m_x = x, m_y = y;
    }
    Bytes Finish() {
        m_w.Bits(0, 6);  // end of shape
        return m_w.Finish();
    }

private:
    SwfBitWriter m_w;
    unsigned m_fillBits, m_lineBits;
    int32_t m_x = 0, m_y = 0;
};

// A rectangle with rounded corners of radius `r`, clockwise from the top-left corner's end.
void RoundedRect(ShapeRecords& s, int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t r, uint32_t line) {
    s.Move(x0 + r, y0, 0, 1, line);
    s.Line(x1 - r, y0);
    s.Curve(x1, y0, x1, y0 + r);
    s.Line(x1, y1 - r);
    s.Curve(x1, y1, x1 - r, y1);
    s.Line(x0 + r, y1);
    s.Curve(x0, y1, x0, y1 - r);
    s.Line(x0, y0 + r);
    s.Curve(x0, y0, x0 + r, y0);
}

// A circle of radius r around (cx, cy) as eight quadratic curves, clockwise from angle `start`.
void Circle(ShapeRecords& s, int32_t cx, int32_t cy, int32_t r, uint32_t fill1, uint32_t line, bool move = true,
            double start = -0.75 * kPi) {
    const double step = kPi / 4, reach = r / std::cos(step / 2);
    auto at = [&](double angle, double radius) {
        return std::pair<int32_t, int32_t>{cx + int32_t(std::lround(radius * std::cos(angle))),
                                           cy + int32_t(std::lround(radius * std::sin(angle)))};
    };
    const auto [x, y] = at(start, r);
    if (move)
        s.Move(x, y, 0, fill1, line);
    for (int i = 0; i < 8; ++i) {
        const auto [c1, c2] = at(start + step * (i + 0.5), reach);
        const auto [a1, a2] = at(start + step * (i + 1), r);
        s.Curve(c1, c2, a1, a2);
    }
}

// DefineShape3 with the given fill styles (already written), at most one line style.
Bytes DefineShape3(uint16_t id, int32_t x0, int32_t y0, int32_t x1, int32_t y1, const Bytes& fills, unsigned fillCount,
                   const Bytes& lines, unsigned lineCount, const Bytes& records) {
    SwfBitWriter w;
    w.U16(id);
    PutRect(w, x0, x1, y0, y1);
    w.U8(uint8_t(fillCount));
    w.Append(fills);
    w.U8(uint8_t(lineCount));
    w.Append(lines);
    w.Append(records);
    return TagBytes(kDefineShape3, w.Finish());
}

Bytes SolidLine(uint16_t widthTwips, Rgba c) {
    SwfBitWriter w;
    w.U16(widthTwips);
    PutRgba(w, c);
    return w.Finish();
}

Bytes Banner() {
    SwfBitWriter fill;
    PutGradientFill(fill, false, 320 * kTwips, 0, 600 * kTwips,
                    {{0, {0x5B, 0x2C, 0x8F}}, {128, {0xE0, 0x4F, 0x8A}}, {255, {0xF6, 0xA5, 0x2E}}});
    ShapeRecords s(1, 1);
    RoundedRect(s, 20 * kTwips, -35 * kTwips, 620 * kTwips, 35 * kTwips, 18 * kTwips, 1);
    return DefineShape3(kBanner, 20 * kTwips - 40, -35 * kTwips - 40, 620 * kTwips + 40, 35 * kTwips + 40,
                        fill.Finish(), 1, SolidLine(60, {255, 255, 255, 200}), 1, s.Finish());
}

Bytes Sun() {
    const int32_t r = 75 * kTwips;
    SwfBitWriter fill;
    PutGradientFill(fill, true, 0, 0, 2 * r,
                    {{0, {0xFF, 0xF4, 0xB0}}, {150, {0xFF, 0xB3, 0x2E}}, {255, {0xFF, 0x6A, 0x00, 0}}});
    ShapeRecords s(1, 0);
    Circle(s, 0, 0, r, 1, 0);
    return DefineShape3(kSun, -r - 200, -r - 200, r + 200, r + 200, fill.Finish(), 1, {}, 0, s.Finish());
}

// A 32 x 32 bitmap, premultiplied ARGB: a colour wheel of hues on a checkerboard.
Bytes TileBitmap() {
    constexpr int kSize = 32;
    Bytes pixels;
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const double hue = std::atan2(y - 15.5, x - 15.5) / (2 * kPi) + 0.5;
            const bool light = ((x / 8) + (y / 8)) % 2 == 0;
            const auto channel = [&](double offset) {
                const double v = 0.5 + 0.5 * std::cos(2 * kPi * (hue + offset));
                return uint8_t(std::lround((light ? 90 : 40) + v * (light ? 165 : 120)));
            };
            pixels.insert(pixels.end(), {255, channel(0), channel(1.0 / 3), channel(2.0 / 3)});
        }
    }
    uLongf length = compressBound(uLong(pixels.size()));
    Bytes packed(length);
    if (compress2(packed.data(), &length, pixels.data(), uLong(pixels.size()), Z_BEST_COMPRESSION) != Z_OK)
        throw std::runtime_error("zlib compression failed");
    packed.resize(length);
    SwfBitWriter w;
    w.U16(kTileBitmap);
    w.U8(5);  // 32-bit ARGB
    w.U16(kSize);
    w.U16(kSize);
    w.Append(packed);
    return TagBytes(kDefineBitsLossless2, w.Finish());
}

// A 160 x 160 pixel tile filled with the bitmap repeated, each bitmap pixel 1.25 stage pixels.
Bytes Tile() {
    SwfBitWriter fill;
    fill.U8(0x40);  // repeating, smoothed
    fill.U16(kTileBitmap);
    PutMatrix(fill, {25, 0, 0, 25, 0, 0});
    ShapeRecords s(1, 1);
    RoundedRect(s, 0, 0, 160 * kTwips, 160 * kTwips, 12 * kTwips, 1);
    return DefineShape3(kTile, -40, -40, 160 * kTwips + 40, 160 * kTwips + 40, fill.Finish(), 1,
                        SolidLine(80, {0xF0, 0xF0, 0xF0, 255}), 1, s.Finish());
}

// A square (drawn as eight curves with their controls on the sides) that becomes a circle.
Bytes Morph() {
    const int32_t h = 60 * kTwips, r = 72 * kTwips;
    SwfBitWriter w;
    w.U16(kMorph);
    PutRect(w, -h - 60, h + 60, -h - 60, h + 60);
    PutRect(w, -r - 120, r + 120, -r - 120, r + 120);

    SwfBitWriter styles;
    styles.U8(1);
    styles.U8(0x00);
    PutRgba(styles, {0xF2, 0x7B, 0x35});
    PutRgba(styles, {0x2B, 0xB5, 0xA8});
    styles.U8(1);
    styles.U16(60);
    styles.U16(200);
    PutRgba(styles, {255, 255, 255, 255});
    PutRgba(styles, {0xFF, 0xE0, 0x6A, 255});

    ShapeRecords start(1, 1);
    start.Move(-h, -h, 0, 1, 1);
    const int32_t corners[5][2] = {{-h, -h}, {h, -h}, {h, h}, {-h, h}, {-h, -h}};
    for (int i = 0; i < 4; ++i) {
        const int32_t* a = corners[i];
        const int32_t* b = corners[i + 1];
        const int32_t mx = (a[0] + b[0]) / 2, my = (a[1] + b[1]) / 2;
        start.Curve((a[0] + mx) / 2, (a[1] + my) / 2, mx, my);
        start.Curve((mx + b[0]) / 2, (my + b[1]) / 2, b[0], b[1]);
    }
    // The end edges start where the square does (its top-left corner's direction) and need no
    // styles of their own.
    const int32_t corner = int32_t(std::lround(r * std::cos(-0.75 * kPi)));
    ShapeRecords end(0, 0);
    end.Move(corner, corner, 0, 0, 0);
    Circle(end, 0, 0, r, 0, 0, false);
    const Bytes endRecords = end.Finish();

    Bytes middle = styles.Finish();
    const Bytes startRecords = start.Finish();
    middle.insert(middle.end(), startRecords.begin(), startRecords.end());
    w.U32(uint32_t(middle.size()));  // offset from here to the end edges
    w.Append(middle);
    w.Append(endRecords);
    return TagBytes(kDefineMorphShape, w.Finish());
}

Bytes Mask() {
    SwfBitWriter fill;
    PutSolidFill(fill, {0, 0, 0});
    ShapeRecords s(1, 0);
    Circle(s, 0, 0, 80 * kTwips, 1, 0);
    return DefineShape3(kMask, -81 * kTwips, -81 * kTwips, 81 * kTwips, 81 * kTwips, fill.Finish(), 1, {}, 0,
                        s.Finish());
}

// Eight stripes of alternating colours, 240 pixels square, centred on the origin.
Bytes Stripes() {
    SwfBitWriter fills;
    PutSolidFill(fills, {0x2E, 0x86, 0xDE});
    PutSolidFill(fills, {0xFF, 0xD1, 0x4A});
    ShapeRecords s(2, 0);
    const int32_t half = 120 * kTwips, band = 30 * kTwips;
    for (int i = 0; i < 8; ++i) {
        const int32_t x0 = -half + i * band;
        s.Move(x0, -half, 0, uint32_t(1 + i % 2), 0);
        s.Line(x0 + band, -half);
        s.Line(x0 + band, half);
        s.Line(x0, half);
        s.Line(x0, -half);
    }
    return DefineShape3(kStripes, -half, -half, half, half, fills.Finish(), 2, {}, 0, s.Finish());
}

Bytes Ring() {
    ShapeRecords s(0, 1);
    Circle(s, 0, 0, 80 * kTwips, 0, 1);
    return DefineShape3(kRing, -82 * kTwips, -82 * kTwips, 82 * kTwips, 82 * kTwips, {}, 0,
                        SolidLine(80, {0xFF, 0xFF, 0xFF, 255}), 1, s.Finish());
}

Bytes ButtonFace(uint16_t id, Rgba top, Rgba bottom) {
    SwfBitWriter fill;
    fill.U8(0x10);
    PutMatrix(fill, {0, 70.0 * kTwips / 32768.0, -70.0 * kTwips / 32768.0, 0, 100 * kTwips, 35 * kTwips});
    fill.U8(2);
    fill.U8(0);
    PutRgba(fill, top);
    fill.U8(255);
    PutRgba(fill, bottom);
    ShapeRecords s(1, 1);
    RoundedRect(s, 0, 0, 200 * kTwips, 70 * kTwips, 35 * kTwips, 1);
    return DefineShape3(id, -40, -40, 200 * kTwips + 40, 70 * kTwips + 40, fill.Finish(), 1,
                        SolidLine(60, {255, 255, 255, 255}), 1, s.Finish());
}

// A "play" triangle drawn on every state of the button.
Bytes ButtonGlyph() {
    SwfBitWriter fill;
    PutSolidFill(fill, {255, 255, 255, 235});
    ShapeRecords s(1, 0);
    s.Move(86 * kTwips, 20 * kTwips, 0, 1, 0);
    s.Line(122 * kTwips, 35 * kTwips);
    s.Line(86 * kTwips, 50 * kTwips);
    s.Line(86 * kTwips, 20 * kTwips);
    return DefineShape3(kButtonGlyph, 86 * kTwips, 20 * kTwips, 122 * kTwips, 50 * kTwips, fill.Finish(), 1, {}, 0,
                        s.Finish());
}

Bytes Button() {
    SwfBitWriter w;
    w.U16(kButton);
    w.U8(0);  // not a menu
    SwfBitWriter records;
    const struct {
        uint8_t states;
        uint16_t id, depth;
        int32_t dy;
    } parts[] = {{0x09, kButtonUp, 1, 0},
                 {0x02, kButtonOver, 1, 0},
                 {0x04, kButtonDown, 1, 40},
                 {0x03, kButtonGlyph, 2, 0},
                 {0x04, kButtonGlyph, 2, 40}};
    for (const auto& part : parts) {
        records.U8(part.states);
        records.U16(part.id);
        records.U16(part.depth);
        PutMatrix(records, Translate(0, part.dy));
        records.Bits(0, 1);  // no add terms
        records.Bits(0, 1);  // no multiply terms
        records.Bits(0, 4);
        records.Align();
    }
    records.U8(0);  // end of records
    const Bytes list = records.Finish();
    w.U16(uint16_t(2 + list.size()));  // from this field to the first condition
    w.Append(list);
    w.U16(0);    // the last (only) condition
    w.U8(0x08);  // over-down to over-up: a click released on the button
    w.U8(0x00);
    w.Append(movie::FsCommandActions("dovetta", "clicked"));
    return TagBytes(kDefineButton2, w.Finish());
}

// PlaceObject2: a new character at `depth`, or (id 0) a move of what the depth holds.
struct Place {
    uint16_t depth = 0;
    uint16_t id = 0;
    const Affine* matrix = nullptr;
    int32_t ratio = -1;
    uint16_t clipDepth = 0;
};

Bytes PlaceObject(const Place& p) {
    SwfBitWriter w;
    w.U8(uint8_t((p.clipDepth ? 0x40 : 0) | (p.ratio >= 0 ? 0x10 : 0) | (p.matrix ? 0x04 : 0) | (p.id ? 0x02 : 0x01)));
    w.U16(p.depth);
    if (p.id)
        w.U16(p.id);
    if (p.matrix)
        PutMatrix(w, *p.matrix);
    if (p.ratio >= 0)
        w.U16(uint16_t(p.ratio));
    if (p.clipDepth)
        w.U16(p.clipDepth);
    return TagBytes(kPlaceObject2, w.Finish());
}

// The stripes turn once in the sprite's 24 frames, behind a round mask, inside a white ring.
Bytes MaskedSprite() {
    constexpr uint16_t kFrames = 24;
    Bytes tags;
    const Affine none;
    for (uint16_t frame = 0; frame < kFrames; ++frame) {
        const Affine turn = Rotate(360.0 * frame / kFrames, 0, 0);
        Bytes placed;
        if (frame == 0) {
            placed = PlaceObject({1, kMask, &none, -1, 2});
            const Bytes stripes = PlaceObject({2, kStripes, &turn});
            const Bytes ring = PlaceObject({3, kRing, &none});
            placed.insert(placed.end(), stripes.begin(), stripes.end());
            placed.insert(placed.end(), ring.begin(), ring.end());
        } else {
            placed = PlaceObject({2, 0, &turn});
        }
        tags.insert(tags.end(), placed.begin(), placed.end());
        Add(tags, kShowFrame, {});
    }
    Add(tags, 0, {});  // end of the sprite's tags
    SwfBitWriter w;
    w.U16(kMaskedSprite);
    w.U16(kFrames);
    w.Append(tags);
    return TagBytes(kDefineSprite, w.Finish());
}

}  // namespace

std::vector<uint8_t> BuildDemoMovie(int32_t width, int32_t height) {
    if (width <= 0 || height <= 0)
        throw std::invalid_argument("the stage must have a size");
    // The scene is laid out on 640 x 480 pixels; every top-level placement carries the scale
    // to the stage.
    const double sx = width / 640.0, sy = height / 480.0;
    auto at = [&](double x, double y, double degrees = 0) {
        Affine m = Rotate(degrees, int32_t(std::lround(x * sx * kTwips)), int32_t(std::lround(y * sy * kTwips)));
        m.a *= sx, m.b *= sx, m.c *= sy, m.d *= sy;
        return m;
    };

    Bytes tags;
    for (const Bytes& definition :
         {Banner(), Sun(), TileBitmap(), Tile(), Morph(), Mask(), Stripes(), Ring(), MaskedSprite(),
          ButtonFace(kButtonUp, {0x3D, 0x7B, 0xE8}, {0x1B, 0x3F, 0x9A}),
          ButtonFace(kButtonOver, {0x6F, 0xA4, 0xFF}, {0x2F, 0x62, 0xD6}),
          ButtonFace(kButtonDown, {0x1B, 0x3F, 0x9A}, {0x12, 0x2B, 0x6B}), ButtonGlyph(), Button()})
        tags.insert(tags.end(), definition.begin(), definition.end());

    const Affine banner = at(0, 55), sun = at(530, 215), tile = at(40, 120), morph = at(330, 215),
                 sprite = at(130, 385), button = at(380, 340);
    for (const Bytes& placed :
         {PlaceObject({kDepthBanner, kBanner, &banner}), PlaceObject({kDepthSun, kSun, &sun}),
          PlaceObject({kDepthTile, kTile, &tile}), PlaceObject({kDepthMorph, kMorph, &morph, 0}),
          PlaceObject({kDepthSprite, kMaskedSprite, &sprite}), PlaceObject({kDepthButton, kButton, &button})})
        tags.insert(tags.end(), placed.begin(), placed.end());

    for (uint16_t frame = 0; frame < kDemoFrames; ++frame) {
        if (frame > 0) {
            // There and back: the square becomes a circle over half the loop and returns.
            const int half = kDemoFrames / 2;
            const int step = frame <= half ? frame : kDemoFrames - frame;
            const Bytes moved = PlaceObject({kDepthMorph, 0, nullptr, 65535 * step / half});
            tags.insert(tags.end(), moved.begin(), moved.end());
        }
        if (frame == 0)
            Add(tags, kDoAction, movie::FsCommandActions("dovetta", "started"));
        if (frame == kDemoFrames - 1)
            Add(tags, kDoAction, movie::FsCommandActions("dovetta", "looped"));
        Add(tags, kShowFrame, {});
    }

    movie::SwfSpecimen header;
    header.version = 6;
    header.width = width;
    header.height = height;
    header.frameRate = kDemoFrameRate;
    header.frameCount = kDemoFrames;
    header.red = 0x1E, header.green = 0x2A, header.blue = 0x3A;  // slate
    header.compressed = true;
    return movie::BuildSwfFromTags(header, tags);
}

}  // namespace samplemovie
