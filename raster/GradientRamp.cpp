// Gradient ramps.
#include "GradientRamp.h"

#include "PixelMath.h"

#include <cmath>

namespace raster {

namespace {

// sRGB transfer curve and its inverse, tabulated once.
struct LinearTables {
    float toLinear[256];
    LinearTables() {
        for (int i = 0; i < 256; ++i) {
            const double c = i / 255.0;
            toLinear[i] = static_cast<float>(c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
        }
    }
};

uint8_t FromLinear(float v) {
    const double c = v <= 0.0031308f ? v * 12.92 : 1.055 * std::pow(static_cast<double>(v), 1 / 2.4) - 0.055;
    const long r = std::lround(c * 255.0);
    return static_cast<uint8_t>(r < 0 ? 0 : r > 255 ? 255 : r);
}

uint8_t Lerp(uint8_t a, uint8_t b, int num, int den) {
    // Rounded to nearest; num/den in [0, 1].
    return static_cast<uint8_t>((a * (den - num) + b * num + den / 2) / den);
}

Color Interpolate(const GradientStop& s0, const GradientStop& s1, int ratio, Interpolation mode) {
    const int den = s1.ratio - s0.ratio;
    if (den <= 0) return s1.color;
    const int num = ratio - s0.ratio;
    Color out;
    out.a = Lerp(s0.color.a, s1.color.a, num, den);
    if (mode == Interpolation::Rgb) {
        out.r = Lerp(s0.color.r, s1.color.r, num, den);
        out.g = Lerp(s0.color.g, s1.color.g, num, den);
        out.b = Lerp(s0.color.b, s1.color.b, num, den);
        return out;
    }
    static const LinearTables tables;
    const float t = static_cast<float>(num) / static_cast<float>(den);
    auto mix = [&](uint8_t a, uint8_t b) {
        return FromLinear(tables.toLinear[a] + (tables.toLinear[b] - tables.toLinear[a]) * t);
    };
    out.r = mix(s0.color.r, s1.color.r);
    out.g = mix(s0.color.g, s1.color.g);
    out.b = mix(s0.color.b, s1.color.b);
    return out;
}

}  // namespace

void BuildGradientRamp(const Gradient& g, const ColorTransform& cx, GradientRamp& out) {
    const std::vector<GradientStop>& stops = g.stops;
    if (stops.empty()) {
        for (uint32_t& e : out.entries) e = 0;
        return;
    }
    const bool identity = cx.IsIdentity();
    size_t next = 0;  // the first stop whose ratio is above i
    for (int i = 0; i < 256; ++i) {
        while (next < stops.size() && stops[next].ratio <= i) ++next;
        Color c;
        if (next == 0)
            c = stops.front().color;
        else if (next == stops.size())
            c = stops.back().color;
        else
            c = Interpolate(stops[next - 1], stops[next], i, g.interpolation);
        out.entries[i] = Premultiply(identity ? c : cx.Apply(c));
    }
}

}  // namespace raster
