// Names the movie format compares without regard to ASCII case (instance names, labels,
// exports, font names).
#pragma once

#include <cctype>
#include <cstdint>
#include <string_view>

namespace playback {

inline bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(uint8_t(a[i])) != std::tolower(uint8_t(b[i])))
            return false;
    return true;
}

}  // namespace playback
