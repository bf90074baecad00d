// What draws the control's window: the letterbox, the stage and, in time, the movie's shapes.
// The control owns one renderer and hands it the scene on every paint.
#pragma once

#include "control/MovieDocument.h"
#include "control/StageLayout.h"

#include <windows.h>

#include <memory>

namespace control {

// Painted where the window shows no stage (letterbox bands).
constexpr COLORREF kLetterboxColour = RGB(0, 0, 0);
// Painted over the whole window while no movie is loaded.
constexpr COLORREF kEmptyStageColour = RGB(255, 255, 255);

struct StageScene {
    const MovieDocument* movie = nullptr;  // nullptr: no movie loaded
    uint32_t frame = 0;
    ScaleMode scale = ScaleMode::ShowAll;
};

class StageRenderer {
public:
    virtual ~StageRenderer() = default;
    // Paints every pixel of `client` (the window's client rectangle) into `dc`.
    virtual void Paint(HDC dc, const RECT& client, const StageScene& scene) noexcept = 0;
};

// Fills the stage with the movie's background colour and the rest with kLetterboxColour.
std::unique_ptr<StageRenderer> CreateBackgroundRenderer();

}  // namespace control
