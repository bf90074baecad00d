// Where the movie's stage lies inside the control's window for each scale mode, and the
// settings texts that choose how the movie is drawn. Portable.
#pragma once

#include "playback/Stage.h"
#include "raster/Renderer.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace control {

// ShowAll: whole stage visible, aspect kept, the rest of the window shows what lies around it.
// NoBorder: window filled, aspect kept, the stage cropped on two sides. ExactFit: window
// filled, stage stretched. NoScale: stage at its own pixel size.
using ScaleMode = playback::ScaleMode;

// The scale setting's text, letters in any case ("ShowAll", "noborder", ...). Any other text,
// an empty one included, means ShowAll.
ScaleMode ScaleModeFromText(std::u16string_view text);
// The text of a mode, as ScaleModeFromText reads it.
std::u16string_view ScaleModeText(ScaleMode mode);

// The quality setting's text, letters in any case: "low" and "autolow" draw without
// anti-aliasing, "medium" and "best" as named; anything else ("high", "autohigh", empty) is high.
raster::Quality QualityFromText(std::u16string_view text);

// The alignment setting's text: the letters L, R, T and B in any order and case name the edges
// the stage keeps to (playback::StageAlign flags); other characters are ignored.
uint8_t AlignmentFromText(std::u16string_view text);
// The flags as text, in the order L, T, R, B ("" when centred).
std::u16string AlignmentText(uint8_t align);

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
