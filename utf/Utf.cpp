#include "utf/Utf.h"

namespace utf {

bool DecodeUtf8At(std::string_view s, size_t& i, char32_t& out) {
    const unsigned char lead = static_cast<unsigned char>(s[i]);
    if (lead < 0x80) {
        out = lead;
        ++i;
        return true;
    }
    size_t length;
    char32_t value, minimum;
    if ((lead & 0xE0) == 0xC0)
        length = 2, value = lead & 0x1F, minimum = 0x80;
    else if ((lead & 0xF0) == 0xE0)
        length = 3, value = lead & 0x0F, minimum = 0x800;
    else if ((lead & 0xF8) == 0xF0)
        length = 4, value = lead & 0x07, minimum = 0x10000;
    else
        return false;
    if (s.size() - i < length)
        return false;
    for (size_t k = 1; k < length; ++k) {
        const unsigned char next = static_cast<unsigned char>(s[i + k]);
        if ((next & 0xC0) != 0x80)
            return false;
        value = value << 6 | (next & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || IsSurrogate(value))
        return false;
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

bool HasUnpairedSurrogate(std::u16string_view s) {
    bool unpaired = false;
    ForEachCodePoint(s, [&](char32_t, bool paired) { unpaired = unpaired || !paired; });
    return unpaired;
}

std::optional<std::u16string> DecodeUtf8(std::string_view utf8) {
    std::u16string out;
    for (size_t i = 0; i < utf8.size();) {
        char32_t c;
        if (!DecodeUtf8At(utf8, i, c))
            return std::nullopt;
        AppendUtf16(out, c);
    }
    return out;
}

std::u16string DecodeUtf8Lossy(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        char32_t c;
        if (!DecodeUtf8At(utf8, i, c)) {
            c = kReplacement;
            ++i;
        }
        AppendUtf16(out, c);
    }
    return out;
}

std::string EncodeUtf8(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    ForEachCodePoint(utf16, [&](char32_t c, bool paired) { AppendUtf8(out, paired ? c : kReplacement); });
    return out;
}

}  // namespace utf
