// What fills a path: a solid colour, a gradient or a bitmap, and the colour transform applied
// to it. Colours given here are straight (not premultiplied) 8-bit RGBA.
#pragma once

#include "raster/Geometry.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace raster {

struct Color {
    uint8_t r = 0, g = 0, b = 0, a = 255;
    bool operator==(const Color&) const = default;
};

// The movie format's colour transform: each channel c becomes clamp(c * mul / 256 + add).
// Multipliers are 8.8 fixed point (256 is 1.0), adds in channel units.
struct ColorTransform {
    int32_t rMul = 256, gMul = 256, bMul = 256, aMul = 256;
    int32_t rAdd = 0, gAdd = 0, bAdd = 0, aAdd = 0;

    bool IsIdentity() const;
    Color Apply(Color c) const;
    // This transform applied after `inner` (inner first, then this).
    ColorTransform operator*(const ColorTransform& inner) const;
    bool operator==(const ColorTransform&) const = default;
};

enum class Spread : uint8_t { Pad, Reflect, Repeat };
enum class Interpolation : uint8_t { Rgb, LinearRgb };

struct GradientStop {
    uint8_t ratio = 0;  // 0..255 along the gradient
    Color color;
};

// Gradient space: a linear gradient runs from x = -1 (ratio 0) to x = +1 (ratio 255); a radial
// gradient is the circle of radius 1 round the origin, ratio 0 at the centre (or at the focal
// point (focal, 0), -1 < focal < 1) and 255 on the circle. `matrix` maps gradient space to path
// space.
struct Gradient {
    enum class Kind : uint8_t { Linear, Radial, Focal };
    Kind kind = Kind::Linear;
    Spread spread = Spread::Pad;
    Interpolation interpolation = Interpolation::Rgb;
    float focal = 0;
    std::vector<GradientStop> stops;  // ratios ascending, 1 to 15 stops (more are accepted)
    Matrix matrix;
};

// A decoded bitmap: premultiplied pixels, each a 32-bit word 0xAARRGGBB (B, G, R, A in memory
// on a little-endian machine: what a Windows 32-bit DIB holds), rows top to bottom, no padding.
struct Image {
    int32_t width = 0, height = 0;
    std::vector<uint32_t> pixels;
};

struct BitmapPaint {
    std::shared_ptr<const Image> image;
    Matrix matrix;        // image pixel space (pixel (i, j) covers [i, i+1) x [j, j+1)) to path space
    bool repeat = true;   // tile the plane; false: clamp to the edge pixels
    bool smooth = false;  // bilinear filtering (only where the render quality allows it)
};

struct Paint {
    enum class Kind : uint8_t { Solid, Gradient, Bitmap };
    Kind kind = Kind::Solid;
    Color color;                         // Solid
    const Gradient* gradient = nullptr;  // Gradient: must outlive the render call
    BitmapPaint bitmap;                  // Bitmap

    static Paint Solid(Color c) {
        Paint p;
        p.color = c;
        return p;
    }
};

}  // namespace raster
