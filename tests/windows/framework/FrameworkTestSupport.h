// Helpers of the framework tests: a dialog that reports what it sees, an owner window, the
// work area, and rectangle comparison.
#pragma once

#include "framework/Dialog.h"
#include "framework/WinApp.h"

#include <windows.h>

#include <functional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

inline bool operator==(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
inline void PrintTo(const RECT& r, std::ostream* os) {
    *os << "{" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << "}";
}

namespace framework_test {

constexpr UINT kProbeMessage = WM_APP + 1;
constexpr UINT kProbeSysCommand = 0x0120;  // a window-menu command of the tests' own
constexpr DISPID kNumberEvent = 151;       // the test control's (long, bool) event
constexpr DISPID kNothingEvent = 152;      // an event without parameters
constexpr INT_PTR kTimedOut = -77;         // DoModal's result when the watchdog ended it

RECT WorkArea();
RECT WindowRect(HWND hwnd);
// The window's rectangle in its parent's client coordinates.
RECT ChildRect(HWND child);
std::wstring WindowText(HWND hwnd);

// A dialog for the tests: runs callbacks at initialisation, on a posted probe message and on
// timers, and records what its handlers receive. A watchdog ends it after 10 seconds.
class ProbeDialog : public CDialog {
public:
    explicit ProbeDialog(UINT templateId, CWnd* parent = nullptr) : CDialog(templateId, parent) {}

    std::function<void(ProbeDialog&)> onInit;             // after the base initialisation
    std::function<void(ProbeDialog&)> onProbe;            // on each Probe()
    std::function<void(ProbeDialog&, UINT_PTR)> onTimer;  // on WM_TIMER
    bool bindHosted = true;                               // bind `hosted` to control 1000 by data exchange

    void Probe() { PostMessage(kProbeMessage); }

    BOOL baseInitResult = FALSE;
    CWnd hosted;
    std::vector<std::pair<int, int>> sizes;  // client sizes from WM_SIZE
    std::vector<UINT> sysCommands;
    std::vector<UINT_PTR> timers;
    std::vector<std::pair<std::wstring, std::wstring>> fsCommands;
    std::vector<std::pair<long, bool>> numberEvents;
    int nothingEvents = 0;
    bool timedOut = false;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;

    void OnSize(UINT type, int cx, int cy);
    void OnSysCommand(UINT id, LPARAM lParam);
    void OnTimer(UINT_PTR id);
    LRESULT OnProbeMessage(WPARAM, LPARAM);
    void OnFSCommand(const wchar_t* command, const wchar_t* args);
    void OnNumberEvent(long number, bool flag);

    DECLARE_MESSAGE_MAP()
    DECLARE_EVENTSINK_MAP()
};

// Adds an event of its own to the map it inherits.
class DerivedProbeDialog : public ProbeDialog {
public:
    using ProbeDialog::ProbeDialog;

protected:
    void OnNothingEvent();

    DECLARE_EVENTSINK_MAP()
};

// A visible top-level window to own dialogs; destroyed with the object.
class OwnerWindow {
public:
    explicit OwnerWindow(const RECT& rect);
    ~OwnerWindow();
    OwnerWindow(const OwnerWindow&) = delete;
    OwnerWindow& operator=(const OwnerWindow&) = delete;

    HWND hwnd() const { return m_hwnd; }
    CWnd& wnd() { return m_wnd; }

private:
    HWND m_hwnd = nullptr;
    CWnd m_wnd;
};

// An application object for the length of a test.
class TestApp : public CWinApp {
public:
    TestApp() : CWinApp(L"Framework Test App") {}
    int helpCommands = 0;
    void OnHelpCommand() { ++helpCommands; }

protected:
    DECLARE_MESSAGE_MAP()
};

}  // namespace framework_test
