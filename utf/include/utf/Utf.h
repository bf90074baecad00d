// UTF-8 <-> UTF-16, the one conversion of the tree. Portable; the Windows helpers at the end
// take and give std::wstring, whose units are UTF-16 there.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace utf {

inline constexpr char32_t kReplacement = 0xFFFD;

constexpr bool IsHighSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
constexpr bool IsLowSurrogate(char32_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}
constexpr bool IsSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDFFF;
}

// Decodes one UTF-8 sequence at `i` into `out` and moves `i` past it; false (and `i` unchanged)
// when the sequence is malformed, overlong, encodes a surrogate or lies beyond U+10FFFF.
bool DecodeUtf8At(std::string_view s, size_t& i, char32_t& out);
void AppendUtf8(std::string& out, char32_t c);
void AppendUtf16(std::u16string& out, char32_t c);

// Walks the code points of UTF-16 text: visit(c, paired), where an unpaired surrogate comes as
// itself with `paired` false.
template <typename Visit>
void ForEachCodePoint(std::u16string_view s, Visit visit) {
    for (size_t i = 0; i < s.size(); ++i) {
        const char16_t unit = s[i];
        if (IsHighSurrogate(unit) && i + 1 < s.size() && IsLowSurrogate(s[i + 1])) {
            visit(0x10000 + (char32_t(unit - 0xD800) << 10) + char32_t(s[i + 1] - 0xDC00), true);
            ++i;
        } else {
            visit(char32_t(unit), !IsSurrogate(unit));
        }
    }
}

bool HasUnpairedSurrogate(std::u16string_view s);

// Strict decoding: nullopt on any malformed sequence (see DecodeUtf8At).
std::optional<std::u16string> DecodeUtf8(std::string_view utf8);
// Lenient decoding: each byte that starts no well-formed sequence becomes U+FFFD.
std::u16string DecodeUtf8Lossy(std::string_view utf8);
// Encoding; an unpaired surrogate becomes U+FFFD.
std::string EncodeUtf8(std::u16string_view utf16);

#ifdef _WIN32
static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows text is UTF-16");

inline std::wstring ToWide(std::u16string_view utf16) {
    return std::wstring(utf16.begin(), utf16.end());
}
inline std::u16string ToUtf16(std::wstring_view wide) {
    return std::u16string(wide.begin(), wide.end());
}
inline std::wstring WideFromUtf8(std::string_view utf8) {
    return ToWide(DecodeUtf8Lossy(utf8));
}
inline std::string Utf8FromWide(std::wstring_view wide) {
    return EncodeUtf8(ToUtf16(wide));
}
#endif

}  // namespace utf
