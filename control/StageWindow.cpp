#include "StageWindow.h"

#include "platform/GdiScopes.h"

#include <windowsx.h>

namespace control {
namespace {

constexpr wchar_t kClassName[] = L"DovettaMovieStage";
constexpr UINT_PTR kFrameTimerId = 1;

bool g_classRegistered = false;

bool RegisterWindowClassOnce(WNDPROC procedure) noexcept {
    if (g_classRegistered)
        return true;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = procedure;
    wc.hInstance = CodeModule();
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kClassName;
    g_classRegistered = RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    return g_classRegistered;
}

// BeginPaint/EndPaint as one scope.
class PaintScope {
public:
    explicit PaintScope(HWND window) noexcept : m_window(window), m_dc(BeginPaint(window, &m_paint)) {}
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    ~PaintScope() { EndPaint(m_window, &m_paint); }
    HDC dc() const noexcept { return m_dc; }

private:
    HWND m_window;
    PAINTSTRUCT m_paint{};
    HDC m_dc;
};

}  // namespace

HINSTANCE CodeModule() noexcept {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&CodeModule), &module);
    return module;
}

void StageWindow::UnregisterWindowClass() noexcept {
    if (g_classRegistered && UnregisterClassW(kClassName, CodeModule()))
        g_classRegistered = false;
}

bool StageWindow::Create(HWND parent, const RECT& position) noexcept {
    Destroy();
    if (!RegisterWindowClassOnce(&StageWindow::WindowProc))
        return false;
    // The window is born visible with the site's rectangle; the host never sees it elsewhere.
    HWND window = CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP, position.left,
                                  position.top, position.right - position.left, position.bottom - position.top, parent,
                                  nullptr, CodeModule(), this);
    m_window.reset(window);
    return window != nullptr;
}

void StageWindow::Destroy() noexcept {
    StopFrameTimer();
    m_window.reset();
}

void StageWindow::Move(const RECT& position) noexcept {
    if (m_window) {
        MoveWindow(m_window.get(), position.left, position.top, position.right - position.left,
                   position.bottom - position.top, TRUE);
    }
}

void StageWindow::Show(bool visible) noexcept {
    if (m_window)
        ShowWindow(m_window.get(), visible ? SW_SHOWNA : SW_HIDE);
}

void StageWindow::Invalidate() noexcept {
    if (m_window)
        InvalidateRect(m_window.get(), nullptr, FALSE);
}

void StageWindow::StartFrameTimer(uint32_t intervalMs) noexcept {
    if (m_window)
        SetTimer(m_window.get(), kFrameTimerId, intervalMs, nullptr);
}

void StageWindow::StopFrameTimer() noexcept {
    if (m_window)
        KillTimer(m_window.get(), kFrameTimerId);
}

LRESULT CALLBACK StageWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<StageWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        // Destroyed from outside (with its parent): forget the handle rather than destroy it twice.
        if (self && self->m_window.get() == window)
            self->m_window.release();
        self = nullptr;
    }
    if (!self)
        return DefWindowProcW(window, message, wParam, lParam);
    // The handler may end in the host releasing the control, and with it this object: nothing
    // of `self` is touched after it returns.
    return self->HandleMessage(window, message, wParam, lParam);
}

LRESULT StageWindow::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    switch (message) {
    case WM_TIMER:
        if (wParam == kFrameTimerId) {
            m_host.OnFrameTimer();
            return 0;
        }
        break;
    case WM_MOUSEMOVE:
        TrackLeave(window);
        m_host.OnMouse(StageMouse::Move, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        // A click gives the movie the keyboard. Held until the button comes up, so a release
        // outside the window still reaches the movie.
        if (GetFocus() != window)
            SetFocus(window);
        SetCapture(window);
        m_host.OnMouse(StageMouse::Down, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return 0;
    case WM_LBUTTONUP:
        if (GetCapture() == window)
            ReleaseCapture();
        // Asked for again (released outside the window, the leave is posted at once), before the
        // host's call: a sink answering the click may release the control and this window object.
        m_trackingLeave = false;
        TrackLeave(window);
        m_host.OnMouse(StageMouse::Up, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return 0;
    case WM_MOUSELEAVE:
        m_trackingLeave = false;
        // Taking the capture ends the tracking with a leave of its own: while the button is held
        // the moves (outside the window too) tell the movie where the pointer is.
        if (GetCapture() != window)
            m_host.OnMouse(StageMouse::Leave, 0, 0);
        return 0;
    case WM_GETDLGCODE:
        // In a dialog, arrows, Tab and characters reach the movie; Enter and Escape stay the
        // dialog's, which ends on them.
        return DLGC_WANTARROWS | DLGC_WANTTAB | DLGC_WANTCHARS;
    case WM_KEYDOWN:
        m_host.OnKey(true, static_cast<int>(wParam), TakeTypedCharacter(window));
        return 0;
    case WM_KEYUP:
        m_host.OnKey(false, static_cast<int>(wParam), 0);
        return 0;
    case WM_CHAR:
        return 0;  // each character went with its key
    case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT) {
            SetCursor(LoadCursorW(nullptr, m_host.OverButton() ? IDC_HAND : IDC_ARROW));
            return TRUE;
        }
        break;
    case WM_ERASEBKGND:
        return 1;  // WM_PAINT covers every pixel
    case WM_PAINT:
        PaintWindow(window);
        return 0;
    case WM_PRINTCLIENT: {
        RECT client{};
        GetClientRect(window, &client);
        m_host.PaintStage(reinterpret_cast<HDC>(wParam), client);
        return 0;
    }
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void StageWindow::PaintWindow(HWND window) noexcept {
    PaintScope paint(window);
    if (!paint.dc())
        return;
    RECT client{};
    GetClientRect(window, &client);
    // The host draws off screen and copies its frame in one step: nothing flickers.
    m_host.PaintStage(paint.dc(), client);
}

// The movie hears a key and its character together, as one event. TranslateMessage posts the
// character before the key's message is handled, so it is waiting in the queue now.
int StageWindow::TakeTypedCharacter(HWND window) noexcept {
    MSG typed{};
    if (PeekMessageW(&typed, window, WM_CHAR, WM_CHAR, PM_REMOVE))
        return static_cast<int>(typed.wParam);
    return 0;
}

void StageWindow::TrackLeave(HWND window) noexcept {
    if (m_trackingLeave)
        return;
    TRACKMOUSEEVENT track{};
    track.cbSize = sizeof track;
    track.dwFlags = TME_LEAVE;
    track.hwndTrack = window;
    m_trackingLeave = TrackMouseEvent(&track) != 0;
}

}  // namespace control
