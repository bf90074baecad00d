// UTF-8 <-> UTF-16 for the string methods, which count and index in UTF-16 units as the
// reference does. Private to the library.
#pragma once

#include <string>
#include <string_view>

namespace script {

std::u16string ToUtf16(std::string_view utf8);
std::string ToUtf8(std::u16string_view utf16);
// Case mapping of the string methods (CaseTable.cpp).
void LowerCase(std::u16string& s);
void UpperCase(std::u16string& s);
// Text for the trace output: a lone surrogate (kept inside strings so that halves can join
// again) prints as U+FFFD, a carriage return as a line feed.
std::string PrintableText(std::string_view utf8);
// escape(): every byte but ASCII letters and digits as %XX.
std::string EscapeText(std::string_view utf8);
// unescape() and form decoding: %XX as the byte it names, '+' as a space.
std::string UnescapeText(std::string_view text);
// The five XML entities: text written into XML, and those entities read back (in one pass
// from left to right; other entities stay as they are).
std::string EscapeXml(std::string_view s);
std::string UnescapeXml(std::string_view s);
// Latin-1 bytes (texts of format 5 and earlier movies) as UTF-8.
std::string Latin1ToUtf8(std::string_view bytes);

}  // namespace script
