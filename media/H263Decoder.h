// Sorenson Spark (Flash's H.263 variant): intra and inter pictures with half-pixel motion
// compensation, and the optional deblocking of the shown picture.
#pragma once

#include <cstdint>
#include <memory>

#include "media/VideoDecoder.h"

namespace media {

std::unique_ptr<VideoDecoder> CreateSorensonDecoder(uint32_t width, uint32_t height);

}  // namespace media
