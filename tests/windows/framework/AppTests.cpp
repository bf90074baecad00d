// The application object and the entry point's run of it.
#include "FrameworkTestSupport.h"

#include "framework/Resources.h"

#include <gtest/gtest.h>

namespace {

class ScriptedApp : public CWinApp {
public:
    explicit ScriptedApp(const wchar_t* name = nullptr) : CWinApp(name) {}
    BOOL initResult = FALSE;
    int quitCode = 0;  // posted during InitInstance when it returns true
    int exitOverride = -1000;
    int initCalls = 0;
    int exitCalls = 0;

    BOOL InitInstance() override {
        ++initCalls;
        if (initResult)
            PostQuitMessage(quitCode);
        return initResult;
    }
    int ExitInstance() override {
        ++exitCalls;
        return exitOverride != -1000 ? exitOverride : CWinApp::ExitInstance();
    }
};

TEST(Application, InitInstanceFalseGoesStraightToExitInstance) {
    ScriptedApp app;
    app.exitOverride = 7;
    EXPECT_EQ(AfxWinMain(GetModuleHandleW(nullptr), L"", SW_SHOWNORMAL), 7);
    EXPECT_EQ(app.initCalls, 1);
    EXPECT_EQ(app.exitCalls, 1);
    EXPECT_EQ(app.m_hInstance, GetModuleHandleW(nullptr));
}

TEST(Application, MessageLoopRunsUntilQuitAndItsCodeIsTheExitCode) {
    ScriptedApp app;
    app.initResult = TRUE;
    app.quitCode = 3;
    EXPECT_EQ(AfxWinMain(GetModuleHandleW(nullptr), L"", SW_SHOWNORMAL), 3);
    EXPECT_EQ(app.exitCalls, 1);
}

TEST(Application, WithoutAnApplicationObjectTheRunFails) {
    ASSERT_EQ(AfxGetApp(), nullptr);
    EXPECT_EQ(AfxWinMain(GetModuleHandleW(nullptr), L"", SW_SHOWNORMAL), -1);
}

TEST(Application, TheFirstObjectIsTheApplicationForItsLifetime) {
    {
        ScriptedApp first;
        ScriptedApp second;
        EXPECT_EQ(AfxGetApp(), &first);
    }
    EXPECT_EQ(AfxGetApp(), nullptr);
}

TEST(Application, UnnamedApplicationIsNamedAfterTheProgramFile) {
    ScriptedApp unnamed;
    EXPECT_EQ(unnamed.m_appName, L"framework_tests");
    EXPECT_EQ(AfxGetAppName(), L"framework_tests");
}

TEST(Application, MainWindowLookupPrefersTheInPlaceWindowThenTheMainWindow) {
    ScriptedApp app;
    CWnd main;
    CWnd inPlace;
    app.m_pMainWnd = &main;
    EXPECT_EQ(app.GetMainWnd(), &main);
    app.m_pActiveWnd = &inPlace;
    EXPECT_EQ(app.GetMainWnd(), &inPlace);
}

TEST(Application, ControlContainerSupportLeavesOleAsItFoundIt) {
    // The test program runs with OLE initialised; enabling and ending control support inside
    // an application run must not end it.
    ScriptedApp app;
    app.exitOverride = 0;
    AfxEnableControlContainer();
    AfxWinMain(GetModuleHandleW(nullptr), L"", SW_SHOWNORMAL);
    IUnknown* probe = nullptr;
    const HRESULT hr = CoCreateInstance(CLSID_StdGlobalInterfaceTable, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                        reinterpret_cast<void**>(&probe));
    EXPECT_NE(hr, CO_E_NOTINITIALIZED);
    if (probe)
        probe->Release();
}

}  // namespace
