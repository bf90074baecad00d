#include "playback/TextLayout.h"

#include "NameCompare.h"

#include <algorithm>
#include <cmath>
#include <variant>

namespace playback {

namespace {

// Device fonts: advances as shares of the size (a sans serif's proportions), and its ascent
// and descent.
constexpr double kDeviceAscent = 0.905, kDeviceDescent = 0.212;

double DeviceAdvance(char16_t c) {
    if (c == ' ')
        return 0.278;
    if (c == 'i' || c == 'l' || c == 'j' || c == '.' || c == ',' || c == ':' || c == ';' || c == '\'' || c == '!' ||
        c == '|' || c == 'I')
        return 0.25;
    if (c == 'm' || c == 'w' || c == 'M' || c == 'W')
        return 0.833;
    if (c >= 'A' && c <= 'Z')
        return 0.667;
    if (c >= '0' && c <= '9')
        return 0.556;
    return 0.5;
}

// What one character of a format measures with: its font (null: the device model) and size.
struct Face {
    const movie::FontDef* font = nullptr;
    double size = 12;
    double letterSpacing = 0;
    bool missing = false;  // embedded glyphs asked for, and the movie has no such font: nothing shows
    FontMetrics metrics;
};

Face FaceOf(const movie::Movie* movie, const TextFormat& f, bool embedded) {
    Face face;
    face.size = std::max(0.0, f.size.value_or(12));
    face.letterSpacing = f.letterSpacing.value_or(0);
    face.font = embedded ? FindEmbeddedFont(movie, f) : nullptr;
    face.missing = embedded && !face.font;
    // Measures are whole twips, cut toward zero, as the reference keeps them.
    if (face.missing) {
        face.metrics = {};
    } else if (face.font && face.font->hasLayout) {
        const double scale = face.size * 20 / face.font->EmSquare();
        face.metrics = {std::trunc(face.font->ascent * scale), std::trunc(face.font->descent * scale)};
    } else {
        face.metrics = {std::trunc(kDeviceAscent * face.size * 20), std::trunc(kDeviceDescent * face.size * 20)};
    }
    return face;
}

// A character's advance, twips.
double Advance(const Face& face, char16_t c) {
    const double spacing = std::trunc(face.letterSpacing * 20);
    if (face.missing)
        return 0;
    if (face.font) {
        const movie::FontDef& font = *face.font;
        for (size_t i = 0; i < font.codes.size(); ++i)
            if (font.codes[i] == c)
                return std::trunc((i < font.advances.size() ? font.advances[i] : 0) * face.size * 20 /
                                  font.EmSquare()) +
                       spacing;
        return spacing;  // a character the font lacks shows nothing
    }
    return std::trunc(DeviceAdvance(c) * face.size * 20) + spacing;
}

struct Line {
    double width = 0, ascent = 0, descent = 0, leading = 0;
    size_t begin = 0, end = 0;  // the characters shown on the line (no break)
};

// Lays text out into lines; `faceAt(i)` and `leadingAt(i)` give each character's measures.
template <typename FaceAt, typename LeadingAt>
std::vector<Line> LayOut(std::u16string_view text, std::optional<double> wrapWidth, FaceAt&& faceAt,
                         LeadingAt&& leadingAt) {
    std::vector<Line> lines;
    size_t i = 0;
    const size_t n = text.size();
    do {
        Line line;
        double width = 0, widthAtBreak = 0;
        size_t breakAt = std::u16string_view::npos;
        size_t j = i;
        bool hard = false;
        for (; j < n; ++j) {
            const char16_t c = text[j];
            if (c == '\r' || c == '\n') {
                hard = true;
                break;
            }
            const Face& face = faceAt(j);
            const double adv = Advance(face, c);
            if (wrapWidth && c != ' ' && width + adv > *wrapWidth && j > i) {
                if (breakAt != std::u16string_view::npos) {
                    width = widthAtBreak;
                    j = breakAt;
                } else {
                    // A word longer than the line breaks where it overflows.
                }
                break;
            }
            if (c == ' ') {
                breakAt = j + 1;
                widthAtBreak = width;
            }
            width += adv;
            line.ascent = std::max(line.ascent, face.metrics.ascent);
            line.descent = std::max(line.descent, face.metrics.descent);
        }
        if (line.ascent == 0 && line.descent == 0) {
            const Face& face = faceAt(std::min(j, n ? n - 1 : 0));
            line.ascent = face.metrics.ascent;
            line.descent = face.metrics.descent;
        }
        line.width = width;
        line.begin = i;
        line.end = j;
        line.leading = leadingAt(i < n ? i : (n ? n - 1 : 0));
        lines.push_back(line);
        if (hard) {
            i = j + 1;
            if (i == n) {
                Line empty = line;
                empty.width = 0;
                empty.begin = empty.end = n;
                lines.push_back(empty);
                break;
            }
        } else {
            i = j;
        }
    } while (i < n);
    return lines;
}

}  // namespace

const movie::FontDef* FindEmbeddedFont(const movie::Movie* movie, const TextFormat& format) {
    if (!movie || !format.font)
        return nullptr;
    const movie::FontDef* best = nullptr;
    int bestScore = -1;
    for (const auto& [id, c] : movie->dictionary) {
        auto* font = std::get_if<std::shared_ptr<const movie::FontDef>>(&c);
        if (!font || !EqualNoCase((*font)->name, *format.font))
            continue;
        const int score = ((*font)->bold == format.bold.value_or(false)) +
                          ((*font)->italic == format.italic.value_or(false)) + 2 * !(*font)->glyphs.empty();
        if (score > bestScore) {
            best = font->get();
            bestScore = score;
        }
    }
    return best;
}

TextExtent MeasureExtent(const movie::Movie* movie, const TextFormat& format, std::u16string_view text,
                         std::optional<double> width) {
    const Face face = FaceOf(movie, format, true);
    const double leading = format.leading.value_or(0) * 20;
    if (width)
        *width *= 20;
    auto lines = LayOut(
        text, width, [&](size_t) -> const Face& { return face; }, [&](size_t) { return leading; });
    TextExtent e;
    e.ascent = std::round(face.metrics.ascent / 20);
    e.descent = std::round(face.metrics.descent / 20);
    double w = 0, h = 0;
    for (const Line& l : lines) {
        w = std::max(w, l.width);
        h += std::round(l.ascent / 20) + std::round(l.descent / 20) + l.leading / 20;
    }
    e.width = std::round(w / 20);
    e.height = h;
    return e;
}

namespace {

// Where a paragraph's lines start right of the gutter, twips: its margin and block indent, and
// on its first line the indent, which may move it left as far as the gutter.
double LeftInset(const TextFormat& f, bool firstLine) {
    return std::max(
        0.0, 20 * (f.leftMargin.value_or(0) + f.blockIndent.value_or(0) + (firstLine ? f.indent.value_or(0) : 0)));
}

// A field's text in lines, with the measures of each character.
struct FieldLayout {
    std::vector<Face> faces;
    Face fallback;
    std::vector<Line> lines;
    const Face& FaceAt(size_t i) const { return i < faces.size() ? faces[i] : fallback; }
};

FieldLayout LayOutField(const TextField& field) {
    FieldLayout out;
    out.faces.reserve(field.text.size() + 1);
    for (const TextFormat& f : field.formats)
        out.faces.push_back(FaceOf(field.movie, f, field.embedFonts));
    out.fallback = FaceOf(field.movie, field.newFormat, field.embedFonts);
    auto faceAt = [&](size_t i) -> const Face& { return out.FaceAt(i); };
    auto leadingAt = [&](size_t i) {
        return 20 *
               (i < field.formats.size() ? field.formats[i].leading.value_or(0) : field.newFormat.leading.value_or(0));
    };
    std::optional<double> wrap;
    if (field.wordWrap) {
        const TextFormat& first = field.formats.empty() ? field.newFormat : field.formats[0];
        const double room = field.width - 80 -
                            20 * (first.leftMargin.value_or(0) + first.rightMargin.value_or(0) +
                                  first.indent.value_or(0) + first.blockIndent.value_or(0));
        // A line with no room left does not wrap.
        if (room > 0)
            wrap = room;
    }
    if (!field.text.empty())
        out.lines = LayOut(field.text, wrap, faceAt, leadingAt);
    return out;
}

}  // namespace

FieldMeasures MeasureField(const TextField& field) {
    const FieldLayout layout = LayOutField(field);
    const std::vector<Line>& lines = layout.lines;
    FieldMeasures m;
    if (field.text.empty())
        return m;
    double w = 0, h = 0;
    // Leading goes between lines: the last line of several has none (a single line keeps it).
    for (size_t i = 0; i < lines.size(); ++i) {
        const Line& l = lines[i];
        w = std::max(w, l.width);
        h += l.ascent + l.descent + (i + 1 < lines.size() || lines.size() == 1 ? l.leading : 0);
    }
    // Whole pixels, cut toward zero.
    m.widthTwips = w;
    m.heightTwips = h;
    m.textWidth = std::trunc(w / 20);
    m.textHeight = std::trunc(h / 20);
    m.lines = int(lines.size());
    return m;
}

void FitAutoSize(TextField& f) {
    if (f.autoSize == 0)
        return;
    const FieldMeasures m = MeasureField(f);
    f.height = m.heightTwips + 80;
    if (f.wordWrap)
        return;
    const double oldWidth = f.width;
    f.width = m.widthTwips + 80;
    if (f.autoSize == 2)
        f.xMin += std::trunc((oldWidth - f.width) / 2);
    else if (f.autoSize == 3)
        f.xMin += oldWidth - f.width;
}

void PlaceGlyphs(const TextField& field, std::vector<PlacedGlyph>& out) {
    out.clear();
    const FieldLayout layout = LayOutField(field);
    double top = field.yMin + 40;
    for (size_t li = 0; li < layout.lines.size(); ++li) {
        const Line& line = layout.lines[li];
        if (int(li) + 1 < field.scroll) {
            continue;  // scrolled out above the box
        }
        const TextFormat& pf = line.begin < field.formats.size() ? field.formats[line.begin] : field.newFormat;
        // The first line of a paragraph starts at the indent.
        const bool paragraphStart =
            line.begin == 0 || (line.begin <= field.text.size() && field.text[line.begin - 1] == '\r');
        const double left = LeftInset(pf, paragraphStart);
        const double room = field.width - 80 - left - 20 * pf.rightMargin.value_or(0);
        double x = field.xMin + 40 + left - 20 * field.hscroll;
        const std::string& align = pf.align ? *pf.align : std::string();
        if (align == "right")
            x += std::max(0.0, room - line.width);
        else if (align == "center")
            x += std::max(0.0, std::trunc((room - line.width) / 2));
        const double baseline = top + line.ascent;
        for (size_t i = line.begin; i < line.end && i < field.text.size(); ++i) {
            const Face& face = layout.FaceAt(i);
            const char16_t c = field.text[i];
            const double advance = Advance(face, c);
            if (face.font && c != ' ') {
                const movie::FontDef& font = *face.font;
                for (size_t g = 0; g < font.codes.size(); ++g)
                    if (font.codes[g] == c) {
                        if (g < font.glyphs.size()) {
                            const TextFormat& f = i < field.formats.size() ? field.formats[i] : field.newFormat;
                            PlacedGlyph p;
                            p.font = &font;
                            p.glyph = uint32_t(g);
                            p.x = x;
                            p.y = baseline;
                            p.scale = face.size * 20 / font.EmSquare();
                            p.color = uint32_t(f.color.value_or(0)) & 0xFFFFFF;
                            p.underline = f.underline.value_or(false);
                            p.advance = advance;
                            out.push_back(p);
                        }
                        break;
                    }
            }
            x += advance;
        }
        top += line.ascent + line.descent + line.leading;
    }
}

}  // namespace playback
