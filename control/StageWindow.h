// The control's own child window: it shows the stage and carries the frame timer. What it
// paints and what a tick does belong to its host (the control).
#pragma once

#include "platform/Handles.h"

#include <windows.h>

#include <cstdint>

namespace control {

enum class StageMouse { Move, Down, Up, Leave };

class StageWindowHost {
public:
    // One frame period has passed.
    virtual void OnFrameTimer() noexcept = 0;
    // Paint every pixel of `client` into `dc`.
    virtual void PaintStage(HDC dc, const RECT& client) noexcept = 0;
    // The pointer moved, the left button went down or up (at client coordinates x, y), or the
    // pointer left the window.
    virtual void OnMouse(StageMouse event, int x, int y) noexcept = 0;
    // Whether the pointer is over something clickable (the hand cursor shows).
    virtual bool OverButton() noexcept = 0;
    // A key went down (with the character it typed, or 0) or up, while the stage had the focus.
    virtual void OnKey(bool down, int virtualKey, int character) noexcept = 0;

protected:
    ~StageWindowHost() = default;
};

class StageWindow {
public:
    explicit StageWindow(StageWindowHost& host) noexcept : m_host(host) {}
    StageWindow(const StageWindow&) = delete;
    StageWindow& operator=(const StageWindow&) = delete;
    ~StageWindow() { Destroy(); }

    // Creates the window as a visible child of `parent` at `position` (parent client coordinates).
    bool Create(HWND parent, const RECT& position) noexcept;
    void Destroy() noexcept;
    HWND Handle() const noexcept { return m_window.get(); }

    void Move(const RECT& position) noexcept;
    void Show(bool visible) noexcept;
    void Invalidate() noexcept;
    void StartFrameTimer(uint32_t intervalMs) noexcept;
    void StopFrameTimer() noexcept;

    // Removes the window class from the system; for module unload, when no window is left.
    static void UnregisterWindowClass() noexcept;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    // `window` is passed along because m_window is not yet set while CreateWindowExW runs.
    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    void PaintWindow(HWND window) noexcept;
    void TrackLeave(HWND window) noexcept;
    static int TakeTypedCharacter(HWND window) noexcept;

    StageWindowHost& m_host;
    UniqueWindow m_window;
    bool m_trackingLeave = false;  // a WM_MOUSELEAVE is asked for
};

// The module (DLL or program) whose code this is.
HINSTANCE CodeModule() noexcept;

}  // namespace control
