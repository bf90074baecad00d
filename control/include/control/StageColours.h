// The colour the control's window shows while it has no movie to play (none given, or one that
// cannot be read).
#pragma once

#include <windows.h>

namespace control {

constexpr COLORREF kEmptyStageColour = RGB(255, 255, 255);

}  // namespace control
