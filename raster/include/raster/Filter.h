// Filters a layer takes before it is composited: blurs, shadows and glows, bevels, colour
// matrices and convolutions, with sizes in device pixels. A draw list references filter lists,
// it does not copy them: they (and a convolution's matrix) must outlive the render call.
#pragma once

#include "raster/Paint.h"

#include <array>
#include <cstdint>

namespace raster {

enum class FilterKind : uint8_t {
    Blur,         // the layer itself, box-blurred
    Shadow,       // drop shadow, glow, gradient glow: the blurred, offset alpha, coloured by amount
    Bevel,        // bevel, gradient bevel: the difference of the alpha offset both ways
    ColorMatrix,  // on unpremultiplied values
    Convolution,
};

struct Filter {
    static constexpr int kMaxStops = 16;

    FilterKind kind = FilterKind::Blur;
    float blurX = 0, blurY = 0;  // device pixels
    int passes = 1;              // box-blur passes (the quality), 0: no blur
    float dx = 0, dy = 0;        // where the shadow falls (bevels: the shadow side), device pixels
    float strength = 1;
    bool inner = false;
    bool knockout = false;
    bool compositeSource = true;  // false: the filter's result without the object
    bool onTop = false;           // bevels: inner and outer both
    // The colour by amount: Shadow maps amount 0..255 through the stops (a glow is one colour
    // at 255 above transparent at 0); Bevel maps 128 + (shadow side - highlight side) / 2.
    std::array<Color, kMaxStops> colors{};
    std::array<uint8_t, kMaxStops> ratios{};
    int stopCount = 0;
    // Colour matrix: rows R, G, B, A of [r g b a offset], values 0..255.
    std::array<float, 20> colorMatrix{};
    // Convolution: matrixX * matrixY values, row by row (at most 15 x 15; wider does nothing).
    const float* matrix = nullptr;
    int matrixX = 0, matrixY = 0;
    float divisor = 1, bias = 0;
    Color defaultColor{0, 0, 0, 0};
    bool clamp = true, preserveAlpha = true;

    // How far the filter's result reaches beyond the layer's content, in device pixels.
    float GrowX() const;
    float GrowY() const;
};

// A filter list: the filters apply in order.
struct FilterList {
    const Filter* filters = nullptr;
    int count = 0;
    bool Empty() const { return count == 0; }
};

}  // namespace raster
