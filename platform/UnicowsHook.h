// The load-hook variable of the Microsoft Layer for Unicode: name and type are fixed by the
// layer's import library, which reads it whenever it looks for its library. Defined only in
// 32-bit programs (UnicowsHook.cpp).
#pragma once

#include <windows.h>

extern "C" HMODULE(__stdcall* _PfnLoadUnicows)(void);
