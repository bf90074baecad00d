// The filters of a placed object, as PlaceObject3 and button records store them (and as scripts
// set them): sizes in pixels of the object's own space, angles in radians. Portable.
#pragma once

#include "movie/BitReader.h"
#include "movie/Records.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace movie {

enum class FilterKind : uint8_t {
    DropShadow = 0,
    Blur = 1,
    Glow = 2,
    Bevel = 3,
    GradientGlow = 4,
    Convolution = 5,
    ColorMatrix = 6,
    GradientBevel = 7,
    DisplacementMap = 8,  // only from scripts; the file has no record for it
};

struct GradientStop {
    Rgba color;
    uint8_t ratio = 0;
    bool operator==(const GradientStop&) const = default;
};

struct FilterDef {
    FilterKind kind = FilterKind::Blur;
    double blurX = 0, blurY = 0;
    double angle = 0, distance = 0;  // drop shadow, bevels and gradient filters
    double strength = 1;
    uint8_t passes = 1;  // quality
    bool inner = false;
    bool knockout = false;
    bool compositeSource = true;  // false: the filter's result alone (a drop shadow's hideObject)
    bool onTop = false;           // bevels: "full" (inner and outer)
    // Drop shadow and glow: one colour. Bevel: highlight, then shadow. Gradient filters: the stops.
    std::vector<GradientStop> colors;
    // Colour matrix: 20 values, rows R, G, B, A of [r g b a offset].
    // Convolution: matrixX * matrixY values, row by row.
    std::vector<float> matrix;
    uint8_t matrixX = 0, matrixY = 0;
    float divisor = 1, bias = 0;
    Rgba defaultColor{0, 0, 0, 0};
    bool clamp = true, preserveAlpha = true;
    bool operator==(const FilterDef&) const = default;
};

// One filter record; nullopt (and the reader failed) when its type is unknown or it runs short.
std::optional<FilterDef> ReadFilter(BitReader& r);
// A count byte and that many records; empty when any of them cannot be read.
std::vector<FilterDef> ReadFilterList(BitReader& r);

}  // namespace movie
