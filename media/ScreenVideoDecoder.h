// Screen Video (codec 3): the picture is a grid of blocks, each either kept from the previous
// frame or replaced by zlib-compressed BGR rows.
#pragma once

#include <cstdint>
#include <memory>

#include "media/VideoDecoder.h"

namespace media {

std::unique_ptr<VideoDecoder> CreateScreenVideoDecoder(uint32_t width, uint32_t height);

}  // namespace media
