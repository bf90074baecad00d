// Movies and property streams for the control's tests, native and under Wine alike.
#pragma once

#include "movie/SwfWriter.h"

#include <cstdint>
#include <string>
#include <vector>

namespace controltest {

// A movie's stage and look: `width` x `height` pixels, background `colour`, `frames` frames.
movie::SwfSpecimen Specimen(int32_t width, int32_t height, uint8_t red, uint8_t green, uint8_t blue,
                            uint16_t frames = 1, double frameRate = 12.0);

// The persisted property stream the player template carries (170 bytes).
const std::vector<uint8_t>& PlayerPropertyStream();

// The same stream with the scale setting's text replaced (other lengths change the size).
std::vector<uint8_t> PropertyStreamWithScale(const std::u16string& scale);

}  // namespace controltest
