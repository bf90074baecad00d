// The H.263 deblocking filter (the loop filter of its Annex J, used here on the shown picture):
// smooths the samples on either side of every 8x8 block edge, by a strength that grows with
// the quantiser.
#pragma once

#include <cstdint>

namespace media {

// Filters a plane of width x height samples (multiples of 8) in place: edges between rows
// first, then edges between columns (the order the reference's corner samples show). Divisions
// round down, as the reference's do.
void DeblockPlane(uint8_t* plane, uint32_t width, uint32_t height, int quant);

}  // namespace media
