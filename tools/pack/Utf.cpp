#include "Utf.h"

namespace pack {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one sequence at `i`; returns false (and leaves `i` at the bad byte) when malformed.
bool DecodeOne(std::string_view s, size_t& i, char32_t& out) {
    const unsigned char lead = s[i];
    if (lead < 0x80) {
        out = lead;
        ++i;
        return true;
    }
    size_t length;
    char32_t value, minimum;
    if ((lead & 0xE0) == 0xC0) length = 2, value = lead & 0x1F, minimum = 0x80;
    else if ((lead & 0xF0) == 0xE0) length = 3, value = lead & 0x0F, minimum = 0x800;
    else if ((lead & 0xF8) == 0xF0) length = 4, value = lead & 0x07, minimum = 0x10000;
    else return false;
    if (s.size() - i < length) return false;
    for (size_t k = 1; k < length; ++k) {
        const unsigned char next = s[i + k];
        if ((next & 0xC0) != 0x80) return false;
        value = value << 6 | (next & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
    out = value;
    i += length;
    return true;
}

void AppendUtf16(std::u16string& out, char32_t c) {
    if (c < 0x10000) {
        out.push_back(char16_t(c));
    } else {
        c -= 0x10000;
        out.push_back(char16_t(0xD800 + (c >> 10)));
        out.push_back(char16_t(0xDC00 + (c & 0x3FF)));
    }
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(char(c));
    } else if (c < 0x800) {
        out.push_back(char(0xC0 | c >> 6));
        out.push_back(char(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(char(0xE0 | c >> 12));
        out.push_back(char(0x80 | (c >> 6 & 0x3F)));
        out.push_back(char(0x80 | (c & 0x3F)));
    } else {
        out.push_back(char(0xF0 | c >> 18));
        out.push_back(char(0x80 | (c >> 12 & 0x3F)));
        out.push_back(char(0x80 | (c >> 6 & 0x3F)));
        out.push_back(char(0x80 | (c & 0x3F)));
    }
}

// Walks UTF-16 code points; unpaired surrogates come back as themselves with `paired` false.
template <typename Visit>
void ForEachCodePoint(std::u16string_view s, Visit visit) {
    for (size_t i = 0; i < s.size(); ++i) {
        const char16_t unit = s[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            visit(0x10000 + (char32_t(unit - 0xD800) << 10) + (s[i + 1] - 0xDC00), true);
            ++i;
        } else {
            visit(char32_t(unit), !(unit >= 0xD800 && unit <= 0xDFFF));
        }
    }
}

}  // namespace

std::optional<std::u16string> DecodeUtf8(std::string_view utf8) {
    std::u16string out;
    for (size_t i = 0; i < utf8.size();) {
        char32_t c;
        if (!DecodeOne(utf8, i, c)) return std::nullopt;
        AppendUtf16(out, c);
    }
    return out;
}

std::u16string DecodeUtf8Lossy(std::string_view utf8) {
    std::u16string out;
    for (size_t i = 0; i < utf8.size();) {
        char32_t c;
        if (!DecodeOne(utf8, i, c)) {
            c = kReplacement;
            ++i;
        }
        AppendUtf16(out, c);
    }
    return out;
}

std::string EncodeUtf8(std::u16string_view utf16) {
    std::string out;
    ForEachCodePoint(utf16, [&](char32_t c, bool paired) { AppendUtf8(out, paired ? c : kReplacement); });
    return out;
}

std::string Quoted(std::u16string_view text) {
    static const char kHex[] = "0123456789abcdef";
    std::string out = "\"";
    ForEachCodePoint(text, [&](char32_t c, bool paired) {
        switch (c) {
        case '"': out += "\\\""; return;
        case '\\': out += "\\\\"; return;
        case '\n': out += "\\n"; return;
        case '\r': out += "\\r"; return;
        case '\t': out += "\\t"; return;
        default: break;
        }
        // Bidirectional controls are escaped too: they could make a name read backwards.
        const bool bidi = c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
        if (c < 0x20 || c == 0x7F || bidi || !paired) {
            out += "\\u";
            for (int shift = 12; shift >= 0; shift -= 4) out.push_back(kHex[(c >> shift) & 0xF]);
            return;
        }
        AppendUtf8(out, c);
    });
    return out + "\"";
}

}  // namespace pack
