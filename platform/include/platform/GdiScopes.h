// Scoped GDI state: a window's borrowed device context and an object selected for a scope.
#pragma once

#include <windows.h>

// A device context borrowed from a window with GetDC, given back with ReleaseDC.
class WindowDc {
public:
    explicit WindowDc(HWND window) noexcept : m_window(window), m_dc(GetDC(window)) {}
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    ~WindowDc() {
        if (m_dc)
            ReleaseDC(m_window, m_dc);
    }
    HDC get() const noexcept { return m_dc; }

private:
    HWND m_window;
    HDC m_dc;
};

// Selects an object into a device context for a scope and puts the previous one back.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) noexcept : m_dc(dc), m_previous(SelectObject(dc, object)) {}
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;
    ~SelectedObject() {
        if (m_previous && m_previous != HGDI_ERROR)
            SelectObject(m_dc, m_previous);
    }

private:
    HDC m_dc;
    HGDIOBJ m_previous;
};
