// The control's back buffer: one 32-bit top-down DIB section with its own memory device
// context. The engine draws into its pixels, GDI may draw over them, and it is copied to the
// window in one BitBlt.
#pragma once

#include "platform/Handles.h"

#include <windows.h>

#include <cstdint>

namespace control {

class DibSection {
public:
    DibSection() noexcept = default;
    DibSection(const DibSection&) = delete;
    DibSection& operator=(const DibSection&) = delete;
    ~DibSection();

    // Makes the buffer `width` x `height` pixels (its old content is lost when the size changes).
    // False, with no buffer, when the size is empty or GDI has no memory for it.
    bool Resize(int32_t width, int32_t height) noexcept;

    // 0xAARRGGBB pixels, rows top to bottom, Width() pixels per row. Call GdiFlush() before
    // touching them after GDI drew into Dc().
    uint32_t* Pixels() const noexcept { return m_pixels; }
    int32_t Width() const noexcept { return m_width; }
    int32_t Height() const noexcept { return m_height; }
    HDC Dc() const noexcept { return m_dc.get(); }

    // Copies the whole buffer to `target` at (x, y).
    void CopyTo(HDC target, int32_t x, int32_t y) const noexcept;

private:
    void Release() noexcept;

    UniqueMemoryDc m_dc;
    UniqueGdiObject m_bitmap;
    HGDIOBJ m_previous = nullptr;  // what the memory DC held before the bitmap
    uint32_t* m_pixels = nullptr;
    int32_t m_width = 0, m_height = 0;
};

}  // namespace control
