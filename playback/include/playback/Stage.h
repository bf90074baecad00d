// How the stage is placed in a window of another size: the scale modes of the control's
// ScaleMode property and the map from the movie's twips to window pixels.
#pragma once

#include "movie/Records.h"
#include "raster/Geometry.h"

#include <cstdint>

namespace playback {

enum class ScaleMode : uint8_t { ShowAll, NoBorder, ExactFit, NoScale };

// Which window edges the stage keeps to where it does not fill the window; without a flag on an
// axis it is centred on it. Left wins over right and top over bottom when both are given.
enum StageAlign : uint8_t {
    kAlignCentre = 0,
    kAlignLeft = 1,
    kAlignRight = 2,
    kAlignTop = 4,
    kAlignBottom = 8,
};

// `stage` in twips, the window in pixels; `align` is a set of StageAlign flags.
raster::Matrix StageMatrix(const movie::TwipsRect& stage, ScaleMode mode, int32_t windowWidth, int32_t windowHeight,
                           uint8_t align = kAlignCentre);

}  // namespace playback
