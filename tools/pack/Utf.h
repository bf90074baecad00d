// UTF-8 <-> UTF-16 for names and titles, and quoting of text for output.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace pack {

// Strict decoding: nullopt on any malformed, overlong or surrogate-encoding sequence.
std::optional<std::u16string> DecodeUtf8(std::string_view utf8);
// Lenient decoding for display: each malformed byte becomes U+FFFD.
std::u16string DecodeUtf8Lossy(std::string_view utf8);
// Encoding; an unpaired surrogate becomes U+FFFD.
std::string EncodeUtf8(std::u16string_view utf16);

// The text as a JSON string literal, quotes included: control characters, bidirectional
// controls and unpaired surrogates as \u escapes, everything else as UTF-8. Also used for names in plain output,
// so that an odd name can never disguise itself.
std::string Quoted(std::u16string_view text);
inline std::string Quoted(std::string_view utf8) { return Quoted(DecodeUtf8Lossy(utf8)); }

}  // namespace pack
