// Embedded sounds (DefineSound): the format of the samples and their bytes, kept as the file
// stores them for whoever plays them. Portable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace movie {

enum class SoundFormat : uint8_t {
    UncompressedNative = 0,
    Adpcm = 1,
    Mp3 = 2,
    UncompressedLittleEndian = 3,
    Nellymoser16k = 4,
    Nellymoser8k = 5,
    Nellymoser = 6,
    Speex = 11,
};

struct SoundDef {
    uint16_t id = 0;
    uint8_t format = 0;       // SoundFormat, as stored (unknown values kept)
    uint32_t sampleRate = 0;  // 5512, 11025, 22050 or 44100 per second
    bool sixteenBit = false;
    bool stereo = false;
    uint32_t sampleCount = 0;   // per channel
    std::vector<uint8_t> data;  // SoundData (MP3: SeekSamples first)

    // The sound's length as the player reports it: whole milliseconds, rounded.
    double DurationMs() const;
};

// The sample rate a SoundRate field (0 to 3) stands for.
uint32_t SoundRateOf(unsigned rateField);
// Reads a DefineSound body; nullopt when it is too short.
std::optional<SoundDef> ReadDefineSound(const uint8_t* body, size_t size);

}  // namespace movie
