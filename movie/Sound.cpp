#include "movie/Sound.h"

#include "movie/BitReader.h"

#include <cmath>

namespace movie {

uint32_t SoundRateOf(unsigned rateField) {
    static constexpr uint32_t kRates[4] = {5512, 11025, 22050, 44100};
    return kRates[rateField & 3];
}

double SoundDef::DurationMs() const {
    if (!sampleRate)
        return 0;
    return std::round(double(sampleCount) * 1000.0 / double(sampleRate));
}

std::optional<SoundDef> ReadDefineSound(const uint8_t* body, size_t size) {
    BitReader r(body, size);
    SoundDef s;
    s.id = r.U16();
    const uint8_t flags = r.U8();
    s.sampleCount = r.U32();
    if (!r.Ok())
        return std::nullopt;
    s.format = flags >> 4;
    s.sampleRate = SoundRateOf((flags >> 2) & 3);
    s.sixteenBit = (flags >> 1) & 1;
    s.stereo = flags & 1;
    s.data.assign(r.Here(), r.Here() + r.Remaining());
    return s;
}

}  // namespace movie
