// Screen Video (codec 3): the picture is a grid of blocks, each either kept from the previous
// frame or replaced by zlib-compressed BGR rows. Screen Video 2 (codec 6) adds a format byte to
// each block; its whole 24-bit blocks are decoded, palettes, changed-region blocks and primed
// zlib streams are refused as Unsupported.
#pragma once

#include <cstdint>
#include <memory>

#include "media/VideoDecoder.h"

namespace media {

std::unique_ptr<VideoDecoder> CreateScreenVideoDecoder(uint32_t width, uint32_t height, bool version2);

}  // namespace media
