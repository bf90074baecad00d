// The demo album's movie: a scene that shows what the engine draws. A gradient banner, a radial
// gradient sun, a bitmap-filled tile, a shape that morphs from a square to a circle and back,
// a striped sprite that turns behind a round mask, and a button that lights up under the mouse
// and reports fscommand("dovetta", "clicked") when pressed. The movie also reports
// fscommand("dovetta", "started") on its first frame and "looped" on its last.
#pragma once

#include <cstdint>
#include <vector>

namespace samplemovie {

constexpr uint16_t kDemoFrames = 48;
constexpr double kDemoFrameRate = 24.0;

// The movie file's bytes for a stage of width x height pixels (the scene is laid out on
// 640 x 480 and scaled to the stage).
std::vector<uint8_t> BuildDemoMovie(int32_t width, int32_t height);

}  // namespace samplemovie
