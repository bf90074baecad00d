// The 8x8 inverse DCT of the block codecs, computed in double precision and rounded to the
// nearest integer (the accuracy the H.263 reference decoder asks for).
#pragma once

#include <cstdint>

namespace media {

// coeffs: 64 values in raster order; out: 64 rounded, unclipped samples.
void InverseDct8x8(const int16_t* coeffs, int* out);

}  // namespace media
