// The registry entries of the movie control: its class under CLSID with InprocServer32 naming
// this module (apartment threaded), the Control marker and a ProgID.
#pragma once

#include <windows.h>

namespace control {

HRESULT RegisterMovieControl(HMODULE module) noexcept;

// Removes the entries only when they name this module: a control registered from elsewhere under
// the same class is left alone (S_FALSE).
HRESULT UnregisterMovieControl(HMODULE module) noexcept;

}  // namespace control
