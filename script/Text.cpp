// UTF conversions for the string methods.
#include "Text.h"

#include "movie/SwfTags.h"

namespace script {

std::u16string ToUtf16(std::string_view utf8) {
    bool ascii = true;
    for (char c : utf8)
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    if (ascii)
        return std::u16string(utf8.begin(), utf8.end());
    return movie::DecodeSwfText(utf8, 6);
}

std::string ToUtf8(std::u16string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        uint32_t c = s[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string PrintableText(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size(); ++i) {
        auto b = static_cast<unsigned char>(utf8[i]);
        if (b == '\r') {  // the trace output ends lines with line feeds only
            if (i + 1 >= utf8.size() || utf8[i + 1] != '\n')
                out += '\n';
            continue;
        }
        if (b == 0xED && i + 2 < utf8.size() && (static_cast<unsigned char>(utf8[i + 1]) & 0xE0) == 0xA0) {
            out += "\xEF\xBF\xBD";
            i += 2;
            continue;
        }
        out += utf8[i];
    }
    return out;
}

std::string EscapeText(std::string_view utf8) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (char ch : utf8) {
        auto c = static_cast<unsigned char>(ch);
        if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
            out += ch;
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

std::string UnescapeText(std::string_view s) {
    auto hex = [](char c) {
        return c >= '0' && c <= '9'
                   ? c - '0'
                   : (c >= 'a' && c <= 'f' ? c - 'a' + 10 : (c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1));
    };
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() && hex(s[i + 1]) >= 0 && hex(s[i + 2]) >= 0) {
            out += static_cast<char>(hex(s[i + 1]) * 16 + hex(s[i + 2]));
            i += 2;
        } else if (s[i] == '+') {
            out += ' ';
        } else {
            out += s[i];
        }
    }
    return out;
}

std::string Latin1ToUtf8(std::string_view bytes) {
    std::u16string u;
    u.reserve(bytes.size());
    for (char c : bytes)
        u += static_cast<char16_t>(static_cast<unsigned char>(c));
    return ToUtf8(u);
}

namespace {

struct Entity {
    char ch;
    std::string_view text;
};
constexpr Entity kXmlEntities[] = {{'&', "&amp;"}, {'<', "&lt;"}, {'>', "&gt;"}, {'"', "&quot;"}, {'\'', "&apos;"}};

}  // namespace

std::string EscapeXml(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (char c : s) {
        std::string_view replaced;
        for (const Entity& e : kXmlEntities)
            if (e.ch == c)
                replaced = e.text;
        if (replaced.empty())
            out += c;
        else
            out += replaced;
    }
    return out;
}

// One pass from left to right: what an entity turns into is not read again. Other entities
// (numeric ones, other cases) stay as they are.
std::string UnescapeXml(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        bool matched = false;
        if (s[i] == '&')
            for (const Entity& e : kXmlEntities)
                if (s.substr(i, e.text.size()) == e.text) {
                    out += e.ch;
                    i += e.text.size();
                    matched = true;
                    break;
                }
        if (!matched)
            out += s[i++];
    }
    return out;
}

}  // namespace script
