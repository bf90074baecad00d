// How loud an object's sounds play and how their channels mix, as scripts set it through Sound
// objects: a volume and the four channel gains, all percentages (100 is unchanged). Scripts may
// store any 32-bit value. Portable.
#pragma once

#include <cstdint>

namespace playback {

struct SoundTransform {
    int32_t volume = 100;
    int32_t leftToLeft = 100;
    int32_t leftToRight = 0;
    int32_t rightToLeft = 0;
    int32_t rightToRight = 100;
};

}  // namespace playback
