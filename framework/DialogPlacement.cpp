#include "framework/DialogPlacement.h"

POINT CenteredPosition(const RECT& window, const RECT& centre, const RECT& area) {
    const LONG width = window.right - window.left;
    const LONG height = window.bottom - window.top;
    LONG x = (centre.left + centre.right) / 2 - width / 2;
    LONG y = (centre.top + centre.bottom) / 2 - height / 2;
    if (x + width > area.right)
        x = area.right - width;
    if (x < area.left)
        x = area.left;
    if (y + height > area.bottom)
        y = area.bottom - height;
    if (y < area.top)
        y = area.top;
    return POINT{x, y};
}

namespace {

RECT WorkAreaOf(HWND window, DWORD fallback) {
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (!GetMonitorInfoW(MonitorFromWindow(window, fallback), &info))
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &info.rcWork, 0);
    return info.rcWork;
}

bool WantsCentring(HWND dialog, DWORD templateStyle, const PlacementBefore& before) {
    if (templateStyle & (DS_CENTER | DS_CENTERMOUSE | DS_ABSALIGN))
        return false;
    if (before.style & WS_VISIBLE)
        return false;
    if (GetWindowLongW(dialog, GWL_STYLE) & (WS_VISIBLE | WS_CHILD))
        return false;
    RECT now;
    GetWindowRect(dialog, &now);
    if (now.left != before.rect.left || now.top != before.rect.top)
        return false;
    HWND owner = GetWindow(dialog, GW_OWNER);
    return owner == nullptr || !IsWindowEnabled(owner);
}

}  // namespace

void CenterDialogAfterInit(HWND dialog, DWORD templateStyle, const PlacementBefore& before) {
    if (!WantsCentring(dialog, templateStyle, before))
        return;
    RECT window;
    GetWindowRect(dialog, &window);
    RECT centre;
    RECT area;
    HWND owner = GetWindow(dialog, GW_OWNER);
    if (owner != nullptr && IsWindowVisible(owner) && !IsIconic(owner)) {
        GetWindowRect(owner, &centre);
        area = WorkAreaOf(owner, MONITOR_DEFAULTTONEAREST);
    } else {
        area = WorkAreaOf(dialog, MONITOR_DEFAULTTOPRIMARY);
        centre = area;
    }
    const POINT topLeft = CenteredPosition(window, centre, area);
    SetWindowPos(dialog, nullptr, topLeft.x, topLeft.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
