#include "framework/WinApp.h"

#include "framework/Wnd.h"
#include "platform/GrowingBuffer.h"

#include <ole2.h>

namespace {

CWinApp* g_app = nullptr;
bool g_oleInitialised = false;

std::wstring ProgramName() {
    const std::wstring path = ModuleFileName();
    if (path.empty())
        return std::wstring();
    const std::size_t slash = path.find_last_of(L"\\/");
    std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.find_last_of(L'.');
    if (dot != std::wstring::npos && dot > 0)
        name.resize(dot);
    return name;
}

}  // namespace

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
END_MESSAGE_MAP()

CWinApp::CWinApp(const wchar_t* appName) : m_appName(appName ? std::wstring(appName) : ProgramName()) {
    if (g_app == nullptr)
        g_app = this;
}

CWinApp::~CWinApp() {
    if (g_app == this)
        g_app = nullptr;
}

BOOL CWinApp::InitInstance() {
    return TRUE;
}

int CWinApp::Run() {
    MSG msg{};
    BOOL got;
    while ((got = GetMessageW(&msg, nullptr, 0, 0)) != 0) {
        if (got == -1)
            break;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (got == 0)
        m_quitCode = static_cast<int>(msg.wParam);
    return ExitInstance();
}

int CWinApp::ExitInstance() {
    return m_quitCode;
}

CWnd* CWinApp::GetMainWnd() {
    if (m_pActiveWnd != nullptr)
        return m_pActiveWnd;
    if (m_pMainWnd != nullptr)
        return m_pMainWnd;
    return CWnd::FromHandle(GetActiveWindow());
}

CWinApp* AfxGetApp() {
    return g_app;
}

CWnd* AfxGetMainWnd() {
    return g_app ? g_app->GetMainWnd() : nullptr;
}

std::wstring AfxGetAppName() {
    return g_app ? g_app->m_appName : ProgramName();
}

HINSTANCE AfxGetInstanceHandle() {
    return (g_app && g_app->m_hInstance) ? g_app->m_hInstance : GetModuleHandleW(nullptr);
}

void AfxEnableControlContainer() {
    if (g_oleInitialised)
        return;
    g_oleInitialised = SUCCEEDED(OleInitialize(nullptr));
}

void AfxOleTerm() {
    if (!g_oleInitialised)
        return;
    g_oleInitialised = false;
    OleUninitialize();
}

int AfxWinMain(HINSTANCE instance, const wchar_t* commandLine, int showCommand) {
    CWinApp* app = AfxGetApp();
    if (app == nullptr)
        return -1;
    app->m_hInstance = instance;
    app->m_lpCmdLine = commandLine ? commandLine : L"";
    app->m_nCmdShow = showCommand;
    const int exitCode = app->InitInstance() ? app->Run() : app->ExitInstance();
    AfxOleTerm();
    return exitCode;
}
