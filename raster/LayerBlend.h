// Compositing an isolated layer onto the pixels below it with a blend mode, on premultiplied
// colour. The row function is chosen once per layer.
#pragma once

#include "IntRect.h"
#include "raster/DrawList.h"

#include <cstdint>

namespace raster {

// dst[i] = blend(src[i] (scaled by mask[i] in the masked variant), dst[i]).
using CompositeRowFn = void (*)(uint32_t* dst, const uint32_t* src, const uint8_t* mask, int count);

// `belowIsLayer`: alpha and erase change the alpha of an enclosing layer; straight onto the
// target surface they draw as normal, as the reference player does for objects with no
// layer-blended parent.
CompositeRowFn ChooseComposite(BlendMode mode, bool belowIsLayer, bool masked);

// Applies `cx` to the pixels of `r` in place; transparent pixels stay transparent (a layer is
// only what its contents drew).
void TransformLayer(uint32_t* pixels, int stride, const IntRect& r, const ColorTransform& cx);

// One pixel of each mode, for tests and the row functions.
uint32_t BlendPixel(BlendMode mode, uint32_t src, uint32_t dst);

}  // namespace raster
