#include "Canvas.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

namespace rastertest {

Canvas::Canvas(int w, int h, raster::Color background) : width(w), height(h), pixels(static_cast<size_t>(w) * h) {
    raster::Clear(surface(), background);
}

raster::Surface Canvas::surface() {
    return {pixels.data(), width, height, width};
}

void Canvas::Render(const raster::DrawList& list, raster::Quality quality) {
    raster::RenderOptions o;
    o.quality = quality;
    renderer->Render(list, surface(), o);
}

bool Canvas::WritePng(const std::string& path) const {
    std::vector<uint8_t> rgba(pixels.size() * 4);
    for (size_t i = 0; i < pixels.size(); ++i) {
        const uint32_t p = pixels[i];
        rgba[i * 4 + 0] = static_cast<uint8_t>(Red(p));
        rgba[i * 4 + 1] = static_cast<uint8_t>(Green(p));
        rgba[i * 4 + 2] = static_cast<uint8_t>(Blue(p));
        rgba[i * 4 + 3] = static_cast<uint8_t>(Alpha(p));
    }
    return stbi_write_png(path.c_str(), width, height, 4, rgba.data(), width * 4) != 0;
}

raster::Path RectPath(float x0, float y0, float x1, float y1) {
    raster::Path p;
    p.MoveTo({x0, y0});
    p.LineTo({x1, y0});
    p.LineTo({x1, y1});
    p.LineTo({x0, y1});
    p.Close();
    return p;
}

}  // namespace rastertest
