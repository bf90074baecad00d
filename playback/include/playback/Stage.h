// How the stage is placed in a window of another size: the scale modes of the control's
// ScaleMode property and the map from the movie's twips to window pixels.
#pragma once

#include "movie/Records.h"
#include "raster/Geometry.h"

#include <cstdint>

namespace playback {

enum class ScaleMode : uint8_t { ShowAll, NoBorder, ExactFit, NoScale };

// `stage` in twips, the window in pixels. The stage is centred in the window.
raster::Matrix StageMatrix(const movie::TwipsRect& stage, ScaleMode mode, int32_t windowWidth, int32_t windowHeight);

}  // namespace playback
