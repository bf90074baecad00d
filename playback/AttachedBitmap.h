// Scripts' bitmaps on the stage: the rectangle an attached bitmap shows as (one fill of its
// pixels, one twentieth of a pixel per twip, unrepeated).
#pragma once

#include "Library.h"

#include <memory>

namespace playback {

std::shared_ptr<const CachedShape> MakeAttachedBitmapShape(std::shared_ptr<const raster::Image> image, bool smoothing);
// The shape to draw; null once the bitmap has no pixels (disposed of).
const CachedShape* AttachedBitmapShape(const CachedShape& shape);

}  // namespace playback
