// Where the movie's stage lies inside the control's window for each scale mode. Portable.
#pragma once

#include <cstdint>
#include <string_view>

namespace control {

enum class ScaleMode {
    ShowAll,   // whole stage visible, aspect kept, the rest of the window letterboxed
    NoBorder,  // window filled, aspect kept, the stage cropped on two sides
    ExactFit,  // window filled, stage stretched
    NoScale,   // stage at its own pixel size, centred; cropped or letterboxed
};

// The scale setting's text, letters in any case ("ShowAll", "noborder", ...). Any other text,
// an empty one included, means ShowAll.
ScaleMode ScaleModeFromText(std::u16string_view text);

struct StageRect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }
    bool operator==(const StageRect&) const = default;
};

// The stage's rectangle in window coordinates; it may reach past the window (NoBorder,
// NoScale). An empty stage or window gives an empty rectangle at the window's centre.
StageRect PlaceStage(int32_t stageWidth, int32_t stageHeight, int32_t windowWidth, int32_t windowHeight,
                     ScaleMode mode);

}  // namespace control
