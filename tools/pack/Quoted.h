// Quoting of text for output; the conversions themselves are utf/Utf.h.
#pragma once

#include "utf/Utf.h"

#include <string>
#include <string_view>

namespace pack {

using utf::DecodeUtf8;
using utf::DecodeUtf8Lossy;
using utf::EncodeUtf8;

// The text as a JSON string literal, quotes included: control characters, bidirectional
// controls and unpaired surrogates as \u escapes, everything else as UTF-8. Also used for names in plain output,
// so that an odd name can never disguise itself.
std::string Quoted(std::u16string_view text);
inline std::string Quoted(std::string_view utf8) {
    return Quoted(DecodeUtf8Lossy(utf8));
}

}  // namespace pack
