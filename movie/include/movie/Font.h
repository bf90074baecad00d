// Embedded fonts (DefineFont 1-3) and static texts (DefineText 1-2): glyph outlines with their
// codes and layout, and text records that place glyphs of a font at a size and colour. Glyph
// outlines stay in font units; a text's glyph is drawn scaled by height / EmSquare(). Portable.
#pragma once

#include "movie/BitReader.h"
#include "movie/Records.h"
#include "movie/Shape.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace movie {

// Glyphs one font may hold (the offset table's entries are 16 bits wide at most).
constexpr size_t kMaxGlyphsPerFont = 65535;

struct FontDef {
    uint16_t id = 0;
    uint8_t version = 1;  // 1-3: which DefineFont
    std::string name;     // as stored (DefineFont2/3)
    bool bold = false, italic = false, smallText = false;
    std::vector<ShapeGeometry> glyphs;  // one fill (style 0) per glyph, font units
    std::vector<uint16_t> codes;        // character code of each glyph (DefineFont2/3)
    bool hasLayout = false;
    int32_t ascent = 0, descent = 0, leading = 0;
    std::vector<int16_t> advances;
    bool truncated = false;  // some glyphs or the layout could not be read: what came is kept

    // Font units per em: DefineFont3 keeps its outlines at twenty times the resolution.
    float EmSquare() const { return version >= 3 ? 20480.0f : 1024.0f; }
};

struct TextGlyph {
    uint32_t index = 0;   // into the font's glyphs
    int32_t advance = 0;  // twips to the next glyph
};

// A run of glyphs of one font, size and colour from a pen position (text twips). Records carry
// the font, colour and position of the record before them when they do not set their own.
struct TextRecordDef {
    uint16_t fontId = 0;
    Rgba color;
    int32_t x = 0, y = 0;
    uint16_t height = 0;  // twips
    std::vector<TextGlyph> glyphs;
};

struct StaticTextDef {
    uint16_t id = 0;
    TwipsRect bounds;
    Matrix2D matrix;
    std::vector<TextRecordDef> records;
    bool truncated = false;
};

// `version` is the tag's number (DefineFont 1-3, DefineText 1-2). nullopt when even the header
// cannot be read.
std::optional<FontDef> ReadDefineFont(const uint8_t* body, size_t size, int version);
std::optional<StaticTextDef> ReadDefineText(const uint8_t* body, size_t size, int version);

}  // namespace movie
