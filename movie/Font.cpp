#include "movie/Font.h"

#include <algorithm>
#include <cstdint>

namespace movie {
namespace {

// The glyph outlines between offsets of an offset table counted from `tableStart`; the last
// glyph ends at `end`. An offset out of order or past the body ends the glyphs there.
void ReadGlyphs(const uint8_t* body, size_t size, size_t tableStart, const std::vector<uint32_t>& offsets, size_t end,
                FontDef& font) {
    end = std::min(end, size);
    font.glyphs.reserve(offsets.size());
    for (size_t i = 0; i < offsets.size(); ++i) {
        const size_t from = tableStart + offsets[i];
        const size_t to = i + 1 < offsets.size() ? tableStart + offsets[i + 1] : end;
        if (from > to || to > end) {
            font.truncated = true;
            return;
        }
        bool truncated = false;
        font.glyphs.push_back(ReadGlyphShape(body + from, to - from, &truncated));
        font.truncated |= truncated;
    }
}

std::optional<FontDef> ReadFontOne(BitReader& r, const uint8_t* body, size_t size, FontDef font) {
    // The offset table's first entry is also its length: two bytes per glyph.
    const size_t tableStart = r.Position();
    const uint16_t first = r.U16();
    if (!r.Ok())
        return font;
    std::vector<uint32_t> offsets{first};
    for (size_t i = 1; i < first / 2u; ++i)
        offsets.push_back(r.U16());
    if (!r.Ok()) {
        font.truncated = true;
        return font;
    }
    ReadGlyphs(body, size, tableStart, offsets, size, font);
    return font;
}

std::optional<FontDef> ReadFontTwo(BitReader& r, const uint8_t* body, size_t size, FontDef font) {
    const uint8_t flags = r.U8();
    font.hasLayout = flags & 0x80;
    font.smallText = flags & 0x20;
    const bool wideOffsets = flags & 0x08, wideCodes = flags & 0x04;
    font.italic = flags & 0x02;
    font.bold = flags & 0x01;
    r.U8();  // language
    const uint8_t nameLength = r.U8();
    for (uint8_t i = 0; i < nameLength && r.Ok(); ++i)
        font.name.push_back(char(r.U8()));
    while (!font.name.empty() && font.name.back() == '\0')
        font.name.pop_back();
    const uint16_t count = r.U16();
    if (!r.Ok())
        return std::nullopt;
    const size_t tableStart = r.Position();
    std::vector<uint32_t> offsets(count);
    for (uint32_t& offset : offsets)
        offset = wideOffsets ? r.U32() : r.U16();
    const uint32_t codeTable = count > 0 || r.Remaining() > 0 ? (wideOffsets ? r.U32() : r.U16()) : 0;
    if (!r.Ok()) {
        font.truncated = true;
        return font;
    }
    ReadGlyphs(body, size, tableStart, offsets, tableStart + size_t(codeTable), font);
    if (font.glyphs.size() < count || tableStart + size_t(codeTable) > size) {
        font.truncated = true;
        return font;
    }
    BitReader tail(body + tableStart + codeTable, size - tableStart - codeTable);
    font.codes.resize(count);
    for (uint16_t& code : font.codes)
        code = wideCodes ? tail.U16() : tail.U8();
    if (font.hasLayout) {
        font.ascent = tail.U16();
        font.descent = tail.U16();
        font.leading = tail.S16();
        font.advances.resize(count);
        for (int16_t& advance : font.advances)
            advance = tail.S16();
        // Glyph bounds and kerning pairs follow; drawing static text needs neither.
    }
    if (!tail.Ok()) {
        font.truncated = true;
        font.codes.clear();
        font.advances.clear();
        font.hasLayout = false;
    }
    return font;
}

}  // namespace

std::optional<FontDef> ReadDefineFont(const uint8_t* body, size_t size, int version) {
    BitReader r(body, size);
    FontDef font;
    font.version = uint8_t(std::clamp(version, 1, 3));
    font.id = r.U16();
    if (!r.Ok())
        return std::nullopt;
    return font.version == 1 ? ReadFontOne(r, body, size, std::move(font))
                             : ReadFontTwo(r, body, size, std::move(font));
}

std::optional<StaticTextDef> ReadDefineText(const uint8_t* body, size_t size, int version) {
    BitReader r(body, size);
    StaticTextDef text;
    text.id = r.U16();
    text.bounds = ReadRect(r);
    text.matrix = ReadMatrix(r);
    const uint8_t glyphBits = r.U8(), advanceBits = r.U8();
    if (!r.Ok() || glyphBits > 32 || advanceBits > 32)
        return std::nullopt;
    TextRecordDef style;  // what a record carries on from the one before
    while (true) {
        const uint8_t flags = r.U8();
        if (!r.Ok()) {
            text.truncated = true;
            break;
        }
        if (flags == 0)
            break;  // end of records
        if (flags & 0x08)
            style.fontId = r.U16();
        if (flags & 0x04)
            style.color = version >= 2 ? ReadRgba(r) : ReadRgb(r);
        if (flags & 0x01)
            style.x = r.S16();
        if (flags & 0x02)
            style.y = r.S16();
        if (flags & 0x08)
            style.height = r.U16();
        const uint8_t count = r.U8();
        TextRecordDef record = style;
        record.glyphs.resize(count);
        for (TextGlyph& glyph : record.glyphs) {
            glyph.index = r.UBits(glyphBits);
            glyph.advance = r.SBits(advanceBits);
            // Advances of up to 32 bits add up past an int in a broken record: hold at the edge.
            const int64_t x = int64_t{style.x} + glyph.advance;
            style.x = static_cast<int32_t>(std::clamp<int64_t>(x, INT32_MIN, INT32_MAX));
        }
        r.Align();
        if (!r.Ok()) {
            text.truncated = true;
            break;
        }
        text.records.push_back(std::move(record));
    }
    return text;
}

}  // namespace movie
