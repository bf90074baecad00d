// A 4:2:0 picture as three planes of 8-bit samples, the form the block codecs decode into, and
// its conversion to the premultiplied words of a VideoPicture.
#pragma once

#include <cstdint>
#include <vector>

namespace media {

struct YuvPlanes {
    uint32_t width = 0;            // luma samples per row (a multiple of 16)
    uint32_t height = 0;           // luma rows (a multiple of 16)
    std::vector<uint8_t> y, u, v;  // y: width * height; u, v: (width / 2) * (height / 2)

    void Allocate(uint32_t w, uint32_t h);
    uint32_t ChromaWidth() const { return width / 2; }
};

// Converts the top-left `outWidth` x `outHeight` of the planes (clipped to the planes) into
// opaque pixels; `alpha`, when given, is a plane of planes.width x planes.height samples
// applied as the pixels' alpha (premultiplying the colour).
void ConvertYuvToPixels(const YuvPlanes& planes, const uint8_t* alpha, uint32_t outWidth, uint32_t outHeight,
                        uint32_t* pixels);

}  // namespace media
