// Plays a draw list into a target surface of premultiplied 32-bit pixels. A renderer owns its
// scratch buffers (coverage, layers, masks) and keeps them between frames.
#pragma once

#include "raster/DrawList.h"

#include <cstdint>
#include <memory>

namespace raster {

// Pixels the renderer draws into, owned by the caller: premultiplied 0xAARRGGBB words (the
// layout of Image), `stride` words per row.
struct Surface {
    uint32_t* pixels = nullptr;
    int32_t width = 0, height = 0;
    int32_t stride = 0;
};

enum class Quality : uint8_t {
    Low,     // no anti-aliasing, no bitmap smoothing
    Medium,  // anti-aliased
    High,    // anti-aliased; bitmaps smoothed where the paint asks for it
    Best,
};

struct RenderOptions {
    Quality quality = Quality::High;
};

class Renderer {
public:
    Renderer();
    ~Renderer();
    Renderer(const Renderer&) = delete;
    Renderer& operator=(const Renderer&) = delete;

    // Draws `list` over what `target` already holds (the caller clears it to the background).
    void Render(const DrawList& list, const Surface& target, const RenderOptions& options);

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// Fills every pixel of `target` with `color` (opaque or not), premultiplied.
void Clear(const Surface& target, Color color);

}  // namespace raster
