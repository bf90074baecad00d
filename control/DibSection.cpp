#include "DibSection.h"

namespace control {

DibSection::~DibSection() {
    Release();
}

void DibSection::Release() noexcept {
    // The bitmap leaves the DC before either is deleted.
    if (m_dc && m_previous)
        SelectObject(m_dc.get(), m_previous);
    m_previous = nullptr;
    m_bitmap.reset();
    m_dc.reset();
    m_pixels = nullptr;
    m_width = m_height = 0;
}

bool DibSection::Resize(int32_t width, int32_t height) noexcept {
    if (width == m_width && height == m_height && m_pixels)
        return true;
    Release();
    if (width <= 0 || height <= 0)
        return false;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
    if (!dc)
        return false;
    UniqueGdiObject bitmap(CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || !bits)
        return false;
    m_previous = SelectObject(dc.get(), bitmap.get());
    m_dc = std::move(dc);
    m_bitmap = std::move(bitmap);
    m_pixels = static_cast<uint32_t*>(bits);
    m_width = width;
    m_height = height;
    return true;
}

void DibSection::CopyTo(HDC target, int32_t x, int32_t y) const noexcept {
    if (m_pixels)
        BitBlt(target, x, y, m_width, m_height, m_dc.get(), 0, 0, SRCCOPY);
}

}  // namespace control
