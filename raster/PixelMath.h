// 8-bit channel arithmetic on premultiplied 0xAARRGGBB words.
#pragma once

#include "raster/Paint.h"

#include <cstdint>

namespace raster {

// a * b / 255, rounded to nearest, exact for all 8-bit inputs.
inline uint32_t Mul255(uint32_t a, uint32_t b) {
    const uint32_t t = a * b + 128;
    return (t + (t >> 8)) >> 8;
}

inline uint32_t Pack(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
    return (a << 24) | (r << 16) | (g << 8) | b;
}
inline uint32_t AlphaOf(uint32_t p) {
    return p >> 24;
}
inline uint32_t RedOf(uint32_t p) {
    return (p >> 16) & 0xFF;
}
inline uint32_t GreenOf(uint32_t p) {
    return (p >> 8) & 0xFF;
}
inline uint32_t BlueOf(uint32_t p) {
    return p & 0xFF;
}

inline uint32_t Premultiply(Color c) {
    return Pack(c.a, Mul255(c.r, c.a), Mul255(c.g, c.a), Mul255(c.b, c.a));
}

// Back to straight colour (exact inverse of Premultiply where one exists).
inline Color Unpremultiply(uint32_t p) {
    const uint32_t a = AlphaOf(p);
    if (a == 0)
        return {0, 0, 0, 0};
    if (a == 255)
        return {static_cast<uint8_t>(RedOf(p)), static_cast<uint8_t>(GreenOf(p)), static_cast<uint8_t>(BlueOf(p)), 255};
    auto un = [a](uint32_t c) {
        const uint32_t v = (c * 255 + a / 2) / a;
        return static_cast<uint8_t>(v > 255 ? 255 : v);
    };
    return {un(RedOf(p)), un(GreenOf(p)), un(BlueOf(p)), static_cast<uint8_t>(a)};
}

// All four channels of `p` times `s` / 255, two channels per multiply.
inline uint32_t ScalePixel(uint32_t p, uint32_t s) {
    uint32_t rb = (p & 0x00FF00FFu) * s + 0x00800080u;
    rb = ((rb + ((rb >> 8) & 0x00FF00FFu)) >> 8) & 0x00FF00FFu;
    uint32_t ag = ((p >> 8) & 0x00FF00FFu) * s + 0x00800080u;
    ag = (ag + ((ag >> 8) & 0x00FF00FFu)) & 0xFF00FF00u;
    return rb | ag;
}

// A colour transform on a premultiplied pixel (it acts on straight colour).
inline uint32_t TransformPixel(uint32_t p, const ColorTransform& cx) {
    return Premultiply(cx.Apply(Unpremultiply(p)));
}

// Premultiplied source over destination.
inline uint32_t SourceOver(uint32_t src, uint32_t dst) {
    return src + ScalePixel(dst, 255 - AlphaOf(src));
}

// `src` scaled by coverage, then over `dst`.
inline uint32_t BlendCovered(uint32_t src, uint32_t dst, uint32_t coverage) {
    return SourceOver(ScalePixel(src, coverage), dst);
}

}  // namespace raster
