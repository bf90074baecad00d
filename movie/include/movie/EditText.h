// Text fields as movies define them (DefineEditText): the field's box, its flags, the font,
// size, colour and paragraph layout its text starts in, the variable it mirrors and its
// initial text (HTML when the html flag is set). Portable.
#pragma once

#include "movie/Records.h"

#include <cstdint>
#include <optional>
#include <string>

namespace movie {

struct EditTextDef {
    uint16_t id = 0;
    TwipsRect bounds;
    bool wordWrap = false, multiline = false, password = false, readOnly = false;
    bool autoSize = false, noSelect = false, border = false, wasStatic = false;
    bool html = false, useOutlines = false;
    std::optional<uint16_t> fontId;
    std::string fontClass;    // a font named by its export name (format 9 and later)
    uint16_t fontHeight = 0;  // twips; 0 when the field sets no font
    std::optional<Rgba> color;
    std::optional<uint16_t> maxLength;
    // Paragraph layout, twips; absent when the field gives none.
    struct Layout {
        uint8_t align = 0;  // 0 left, 1 right, 2 centre, 3 justify
        uint16_t leftMargin = 0, rightMargin = 0;
        int16_t indent = 0;  // a first line may start left of the margin
        int16_t leading = 0;
    };
    std::optional<Layout> layout;
    // CSMTextSettings: how the field's glyphs are rendered (0 normal, 1 advanced; grid fit 0
    // none, 1 pixel, 2 subpixel).
    struct Rendering {
        uint8_t antiAlias = 0, gridFit = 0;
        float thickness = 0, sharpness = 0;
    };
    std::optional<Rendering> rendering;
    std::string variableName;
    std::optional<std::string> initialText;
};

// nullopt when the tag ends before its fixed fields.
std::optional<EditTextDef> ReadDefineEditText(const uint8_t* body, size_t size);
// CSMTextSettings: the id of the text it applies to and its settings; nullopt when short.
std::optional<std::pair<uint16_t, EditTextDef::Rendering>> ReadCsmTextSettings(const uint8_t* body, size_t size);

}  // namespace movie
