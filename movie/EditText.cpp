#include "movie/EditText.h"

#include "movie/BitReader.h"

#include <cstring>

namespace movie {

std::optional<EditTextDef> ReadDefineEditText(const uint8_t* body, size_t size) {
    BitReader r(body, size);
    EditTextDef t;
    t.id = r.U16();
    t.bounds = ReadRect(r);
    r.Align();
    const uint8_t a = r.U8(), b = r.U8();
    const bool hasText = a & 0x80, hasColor = a & 0x04, hasMaxLength = a & 0x02, hasFont = a & 0x01;
    const bool hasFontClass = b & 0x80, hasLayout = b & 0x20;
    t.wordWrap = a & 0x40;
    t.multiline = a & 0x20;
    t.password = a & 0x10;
    t.readOnly = a & 0x08;
    t.autoSize = b & 0x40;
    t.noSelect = b & 0x10;
    t.border = b & 0x08;
    t.wasStatic = b & 0x04;
    t.html = b & 0x02;
    t.useOutlines = b & 0x01;
    if (!r.Ok())
        return std::nullopt;
    if (hasFont)
        t.fontId = r.U16();
    if (hasFontClass)
        t.fontClass = r.CString();
    if (hasFont || hasFontClass)
        t.fontHeight = r.U16();
    if (hasColor)
        t.color = ReadRgba(r);
    if (hasMaxLength)
        t.maxLength = r.U16();
    if (hasLayout) {
        EditTextDef::Layout l;
        l.align = r.U8();
        l.leftMargin = r.U16();
        l.rightMargin = r.U16();
        l.indent = r.S16();
        l.leading = r.S16();
        t.layout = l;
    }
    t.variableName = r.CString();
    if (hasText)
        t.initialText = r.CString();
    if (!r.Ok() && !hasText)
        return std::nullopt;
    return t;
}

std::optional<std::pair<uint16_t, EditTextDef::Rendering>> ReadCsmTextSettings(const uint8_t* body, size_t size) {
    BitReader r(body, size);
    const uint16_t id = r.U16();
    EditTextDef::Rendering s;
    s.antiAlias = uint8_t(r.UBits(2));
    s.gridFit = uint8_t(r.UBits(3));
    r.Align();
    r.U8();  // the rest of the flags byte is reserved
    const uint32_t thickness = r.U32(), sharpness = r.U32();
    std::memcpy(&s.thickness, &thickness, 4);
    std::memcpy(&s.sharpness, &sharpness, 4);
    if (!r.Ok())
        return std::nullopt;
    return std::make_pair(id, s);
}

}  // namespace movie
