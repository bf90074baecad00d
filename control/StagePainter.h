// Puts the movie on the control's window: the engine draws the frame into the back buffer
// when it changed, and every paint copies the buffer to the window in one step.
#pragma once

#include "DibSection.h"
#include "raster/DrawList.h"
#include "raster/Renderer.h"

#include <windows.h>

#include <cstdint>

namespace control {

class MovieSession;

class StagePainter {
public:
    // Paints every pixel of `client` (the window's client rectangle) into `dc`: the session's
    // frame, drawn again only when the scene, the size or the quality changed since the last
    // paint; kEmptyStageColour without a session.
    void Paint(HDC dc, const RECT& client, MovieSession* session) noexcept;
    // The next paint draws the frame again (another movie, another setting).
    void Forget() noexcept { m_drawn = false; }
    // Whether the frame on screen no longer shows the session's scene.
    bool IsStale(MovieSession& session) const noexcept;

private:
    bool DrawFrame(MovieSession& session, int32_t width, int32_t height) noexcept;
    void DrawScriptNotice(MovieSession& session) noexcept;

    DibSection m_buffer;
    raster::Renderer m_renderer;
    raster::DrawList m_list;
    bool m_drawn = false;
    uint64_t m_drawnVersion = 0;
    raster::Quality m_drawnQuality = raster::Quality::High;
};

}  // namespace control
