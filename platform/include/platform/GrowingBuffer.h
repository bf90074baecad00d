// Win32 calls that fill a caller's buffer with a text, run with a buffer that grows until the
// text fits: one loop for the module file name, the system folder and environment variables.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

// Calls `fill(buffer, capacity)` until the text fits and returns it. `fill` returns what the
// call returned: 0 for no text (an empty result; the call's last error is left for the caller),
// the text's length when it fitted (less than the capacity), else the capacity the text needs,
// or the capacity itself when the call only says the text was cut short (GetModuleFileNameW):
// then the buffer doubles.
template <typename Char, typename Fill>
std::basic_string<Char> FillGrowingBuffer(Fill fill, std::size_t capacity = MAX_PATH) {
    std::basic_string<Char> text(capacity, Char(0));
    for (;;) {
        const std::size_t length = fill(text.data(), static_cast<DWORD>(text.size()));
        if (length == 0)
            return {};
        if (length < text.size()) {
            text.resize(length);
            return text;
        }
        text.resize(length > text.size() ? length : text.size() * 2);
    }
}

// Full path of `module`'s file (nullptr: this program's own file); empty when it cannot be read.
std::wstring ModuleFileName(HMODULE module = nullptr);
