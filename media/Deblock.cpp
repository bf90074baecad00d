#include "Deblock.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>

namespace media {

namespace {

// Filter strength for quantisers 1..31.
constexpr int kStrength[32] = {0, 1, 1, 2, 2, 3, 3, 4,  4,  4,  5,  5,  6,  6,  7,  7,
                               7, 8, 8, 8, 9, 9, 9, 10, 10, 10, 11, 11, 11, 12, 12, 12};

inline int UpDownRamp(int x, int strength) {
    const int ax = std::abs(x);
    const int m = std::max(0, ax - std::max(0, 2 * (ax - strength)));
    return x < 0 ? -m : m;
}

inline uint8_t Clip(int v) {
    return static_cast<uint8_t>(std::clamp(v, 0, 255));
}

// A, B | C, D are four samples `step` apart across an edge between B and C.
inline void FilterEdge(uint8_t* b, std::ptrdiff_t step, int strength) {
    uint8_t* a = b - step;
    uint8_t* c = b + step;
    uint8_t* d = c + step;
    const int A = *a, B = *b, C = *c, D = *d;
    const int delta = (A - 4 * B + 4 * C - D) >> 3;  // rounded down, as the reference does
    const int d1 = UpDownRamp(delta, strength);
    const int lim = std::abs(d1 >> 1);
    const int d2 = std::clamp((A - D) >> 2, -lim, lim);
    *b = Clip(B + d1);
    *c = Clip(C - d1);
    *a = Clip(A - d2);
    *d = Clip(D + d2);
}

}  // namespace

void DeblockPlane(uint8_t* plane, uint32_t width, uint32_t height, int quant) {
    const int strength = kStrength[std::clamp(quant, 1, 31)];
    const std::ptrdiff_t stride = width;
    for (uint32_t y = 8; y < height; y += 8)
        for (uint32_t x = 0; x < width; ++x)
            FilterEdge(plane + (y - 1) * stride + x, stride, strength);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 8; x < width; x += 8)
            FilterEdge(plane + y * stride + x - 1, 1, strength);
}

}  // namespace media
