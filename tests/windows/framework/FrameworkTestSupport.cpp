#include "FrameworkTestSupport.h"

#include <gtest/gtest.h>
#include <ole2.h>

namespace framework_test {

namespace {

constexpr UINT_PTR kWatchdogTimer = 0xD0D0;

// OLE for the whole test program, as a program would have it after AfxEnableControlContainer.
class OleEnvironment : public testing::Environment {
public:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr))); }
    void TearDown() override { OleUninitialize(); }
};

const testing::Environment* const g_ole = testing::AddGlobalTestEnvironment(new OleEnvironment);

void CALLBACK Watchdog(HWND hwnd, UINT, UINT_PTR id, DWORD) {
    KillTimer(hwnd, id);
    if (auto* dialog = dynamic_cast<ProbeDialog*>(CWnd::FromHandle(hwnd))) {
        dialog->timedOut = true;
        dialog->EndDialog(static_cast<int>(kTimedOut));
    }
}

constexpr wchar_t kOwnerClass[] = L"FrameworkTestOwner";

}  // namespace

RECT WorkArea() {
    RECT area{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}

RECT WindowRect(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    return r;
}

RECT ChildRect(HWND child) {
    RECT r = WindowRect(child);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::wstring WindowText(HWND hwnd) {
    wchar_t text[256] = {};
    GetWindowTextW(hwnd, text, 256);
    return text;
}

BEGIN_MESSAGE_MAP(ProbeDialog, CDialog)
ON_WM_SIZE()
ON_WM_SYSCOMMAND()
ON_WM_TIMER()
ON_MESSAGE(kProbeMessage, &ProbeDialog::OnProbeMessage)
END_MESSAGE_MAP()

BEGIN_EVENTSINK_MAP(ProbeDialog, CDialog)
ON_EVENT(ProbeDialog, 1000, 150, OnFSCommand, VTS_BSTR VTS_BSTR)
ON_EVENT(ProbeDialog, 1000, kNumberEvent, OnNumberEvent, VTS_I4 VTS_BOOL)
END_EVENTSINK_MAP()

BOOL ProbeDialog::OnInitDialog() {
    baseInitResult = CDialog::OnInitDialog();
    ::SetTimer(m_hWnd, kWatchdogTimer, 10000, &Watchdog);
    if (onInit)
        onInit(*this);
    return TRUE;
}

void ProbeDialog::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    if (bindHosted)
        DDX_Control(pDX, 1000, hosted);
}

void ProbeDialog::OnSize(UINT type, int cx, int cy) {
    sizes.emplace_back(cx, cy);
    CDialog::OnSize(type, cx, cy);
}

void ProbeDialog::OnSysCommand(UINT id, LPARAM lParam) {
    sysCommands.push_back(id);
    if (id != kProbeSysCommand)
        CDialog::OnSysCommand(id, lParam);
}

void ProbeDialog::OnTimer(UINT_PTR id) {
    timers.push_back(id);
    if (onTimer)
        onTimer(*this, id);
    CDialog::OnTimer(id);
}

LRESULT ProbeDialog::OnProbeMessage(WPARAM, LPARAM) {
    if (onProbe)
        onProbe(*this);
    return 0;
}

void ProbeDialog::OnFSCommand(const wchar_t* command, const wchar_t* args) {
    fsCommands.emplace_back(command, args);
}

void ProbeDialog::OnNumberEvent(long number, bool flag) {
    numberEvents.emplace_back(number, flag);
}

BEGIN_EVENTSINK_MAP(DerivedProbeDialog, ProbeDialog)
ON_EVENT(DerivedProbeDialog, 1000, kNothingEvent, OnNothingEvent, VTS_NONE)
END_EVENTSINK_MAP()

void DerivedProbeDialog::OnNothingEvent() {
    ++nothingEvents;
}

OwnerWindow::OwnerWindow(const RECT& rect) {
    static const bool registered = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = kOwnerClass;
        return RegisterClassW(&wc) != 0;
    }();
    (void)registered;
    m_hwnd = CreateWindowExW(0, kOwnerClass, L"Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, rect.left, rect.top,
                             rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    m_wnd.Attach(m_hwnd);
}

OwnerWindow::~OwnerWindow() {
    m_wnd.Detach();
    if (m_hwnd)
        DestroyWindow(m_hwnd);
}

BEGIN_MESSAGE_MAP(TestApp, CWinApp)
ON_COMMAND(ID_HELP, &TestApp::OnHelpCommand)
END_MESSAGE_MAP()

}  // namespace framework_test
