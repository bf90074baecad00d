// A small owned surface for raster tests, with pixel readers and a PNG dump for debugging.
#pragma once

#include "raster/Renderer.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace rastertest {

struct Canvas {
    Canvas(int w, int h, raster::Color background = {255, 255, 255, 255});
    raster::Surface surface();
    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    // Renders `list` at `quality` over the current pixels.
    void Render(const raster::DrawList& list, raster::Quality quality = raster::Quality::High);
    // Writes an RGBA PNG (for looking at a failing test); returns false on failure.
    bool WritePng(const std::string& path) const;

    int width, height;
    std::vector<uint32_t> pixels;
    std::unique_ptr<raster::Renderer> renderer = std::make_unique<raster::Renderer>();
};

inline uint32_t Alpha(uint32_t p) {
    return p >> 24;
}
inline uint32_t Red(uint32_t p) {
    return (p >> 16) & 0xFF;
}
inline uint32_t Green(uint32_t p) {
    return (p >> 8) & 0xFF;
}
inline uint32_t Blue(uint32_t p) {
    return p & 0xFF;
}

raster::Path RectPath(float x0, float y0, float x1, float y1);

}  // namespace rastertest
