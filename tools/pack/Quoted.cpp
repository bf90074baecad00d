#include "Quoted.h"

namespace pack {

std::string Quoted(std::u16string_view text) {
    static const char kHex[] = "0123456789abcdef";
    std::string out = "\"";
    utf::ForEachCodePoint(text, [&](char32_t c, bool paired) {
        switch (c) {
        case '"':
            out += "\\\"";
            return;
        case '\\':
            out += "\\\\";
            return;
        case '\n':
            out += "\\n";
            return;
        case '\r':
            out += "\\r";
            return;
        case '\t':
            out += "\\t";
            return;
        default:
            break;
        }
        // Bidirectional controls are escaped too: they could make a name read backwards.
        const bool bidi = c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
        if (c < 0x20 || c == 0x7F || bidi || !paired) {
            out += "\\u";
            for (int shift = 12; shift >= 0; shift -= 4)
                out.push_back(kHex[(c >> shift) & 0xF]);
            return;
        }
        utf::AppendUtf8(out, c);
    });
    return out + "\"";
}

}  // namespace pack
