// Compositing an isolated layer onto the pixels below it with a blend mode, on premultiplied
// colour. The row function is chosen once per layer.
#pragma once

#include "raster/DrawList.h"

#include <cstdint>

namespace raster {

// dst[i] = blend(src[i] (scaled by mask[i] in the masked variant), dst[i]).
using CompositeRowFn = void (*)(uint32_t* dst, const uint32_t* src, const uint8_t* mask, int count);

// `belowIsLayer`: alpha and erase change the alpha of an enclosing layer; straight onto the
// target surface they draw as normal, as the reference player does for objects with no
// layer-blended parent.
CompositeRowFn ChooseComposite(BlendMode mode, bool belowIsLayer, bool masked);

// One pixel of each mode, for tests and the row functions.
uint32_t BlendPixel(BlendMode mode, uint32_t src, uint32_t dst);

}  // namespace raster
