// Measuring text as fields lay it out: lines broken at the field's width (at spaces when words
// wrap), each as high as its tallest font's ascent, descent and leading. Embedded fonts give
// their own advances and layout; device fonts use a fixed model (a share of the size per
// character) so that every run measures the same. Results are pixels.
#pragma once

#include "playback/TextField.h"

#include <optional>
#include <string>
#include <vector>

namespace playback {

struct TextExtent {
    double ascent = 0, descent = 0, width = 0, height = 0;
};

// Metrics of one format, pixels: ascent, descent of its font at its size.
struct FontMetrics {
    double ascent = 0, descent = 0;
};

// The embedded font a format names (by name, then bold and italic as close as can be), or null.
const movie::FontDef* FindEmbeddedFont(const movie::Movie* movie, const TextFormat& format);

// One run of text in one format, unwrapped or wrapped at `width` pixels.
TextExtent MeasureExtent(const movie::Movie* movie, const TextFormat& format, std::u16string_view text,
                         std::optional<double> width);

// A field's textWidth and textHeight, and how many lines it lays out in.
struct FieldMeasures {
    double textWidth = 0, textHeight = 0;    // whole pixels
    double widthTwips = 0, heightTwips = 0;  // as laid out
    int lines = 1;
};
FieldMeasures MeasureField(const TextField& field);

// A field that sizes itself takes the size of its text (and 2 pixels about it), keeping its left
// edge, centre or right edge where it was. Fields that wrap keep their width.
void FitAutoSize(TextField& field);

// One glyph of an embedded font as a field shows it: the pen position (the baseline, twips in
// the field's space), the scale from font units to twips, and its colour.
struct PlacedGlyph {
    const movie::FontDef* font = nullptr;
    uint32_t glyph = 0;
    double x = 0, y = 0, scale = 0, advance = 0;
    uint32_t color = 0;  // 0xRRGGBB
    bool underline = false;
};

// The glyphs of a field's text laid out in its box: lines from the 2-pixel gutter, margins,
// indents and alignment of each paragraph, the lines scrolled out above left out.
void PlaceGlyphs(const TextField& field, std::vector<PlacedGlyph>& out);

}  // namespace playback
