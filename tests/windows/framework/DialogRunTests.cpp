// Modal runs of dialogs: message map dispatch, results, the owner's state, showing, command
// routing to the application, message boxes, and the initialisation list of ordinary controls.
#include "FrameworkTestSupport.h"
#include "TestResources.h"

#include "framework/Resources.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using framework_test::OwnerWindow;
using framework_test::ProbeDialog;
using framework_test::TestApp;

namespace {

TEST(DialogRun, MessageMapSendsMessagesToTheirHandlers) {
    ProbeDialog dialog(IDD_PLAIN);
    RECT client{};
    dialog.onInit = [&](ProbeDialog& d) {
        d.sizes.clear();
        RECT window;
        d.GetWindowRect(&window);
        d.MoveWindow(window.left, window.top, 333, 222);
        d.GetClientRect(&client);
        d.SendMessage(WM_SYSCOMMAND, framework_test::kProbeSysCommand, 0);
        d.SetTimer(7, 10);
    };
    dialog.onTimer = [](ProbeDialog& d, UINT_PTR id) {
        if (id == 7) {
            d.KillTimer(7);
            d.EndDialog(5);
        }
    };
    EXPECT_EQ(dialog.DoModal(), 5);

    ASSERT_FALSE(dialog.sizes.empty());
    EXPECT_EQ(dialog.sizes.back(), (std::pair<int, int>{client.right, client.bottom}));
    EXPECT_EQ(dialog.sysCommands, std::vector<UINT>{framework_test::kProbeSysCommand});
    EXPECT_EQ(dialog.timers, std::vector<UINT_PTR>{7});
}

struct EndCase {
    const char* name;
    std::function<void(ProbeDialog&)> end;
    INT_PTR result;
};

class DialogEnd : public testing::TestWithParam<EndCase> {};

TEST_P(DialogEnd, DoModalReturnsHowTheDialogEnded) {
    ProbeDialog dialog(IDD_PLAIN);
    dialog.onInit = GetParam().end;
    EXPECT_EQ(dialog.DoModal(), GetParam().result);
    EXPECT_FALSE(dialog.timedOut);
    EXPECT_EQ(dialog.m_hWnd, nullptr) << "the window is gone after the run";
}

INSTANTIATE_TEST_SUITE_P(
    Endings, DialogEnd,
    testing::Values(EndCase{"close_box", [](ProbeDialog& d) { d.PostMessage(WM_CLOSE); }, IDCANCEL},
                    EndCase{"ok_command", [](ProbeDialog& d) { d.PostMessage(WM_COMMAND, IDOK); }, IDOK},
                    EndCase{"cancel_command", [](ProbeDialog& d) { d.PostMessage(WM_COMMAND, IDCANCEL); }, IDCANCEL},
                    EndCase{"end_dialog_during_init", [](ProbeDialog& d) { d.EndDialog(42); }, 42},
                    EndCase{"end_dialog_from_the_loop",
                            [](ProbeDialog& d) {
                                d.onProbe = [](ProbeDialog& p) { p.EndDialog(7); };
                                d.Probe();
                            },
                            7}),
    [](const testing::TestParamInfo<EndCase>& info) { return std::string(info.param.name); });

TEST(DialogRun, QuitMessageEndsTheRunAndIsPostedAgain) {
    ProbeDialog dialog(IDD_PLAIN);
    dialog.onInit = [](ProbeDialog&) { PostQuitMessage(3); };
    EXPECT_EQ(dialog.DoModal(), -1);
    MSG msg{};
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 3u);
}

TEST(DialogRun, MissingOrDamagedTemplateGivesMinusOne) {
    ASSERT_FALSE(FindResourceBytes(GetModuleHandleW(nullptr), RT_DIALOG, IDD_TRUNCATED).empty())
        << "the damaged template is there to be refused";
    for (UINT id : {IDD_MISSING, IDD_TRUNCATED}) {
        ProbeDialog dialog(id);
        bool initialised = false;
        dialog.onInit = [&](ProbeDialog& d) {
            initialised = true;
            d.EndDialog(IDOK);
        };
        EXPECT_EQ(dialog.DoModal(), -1) << id;
        EXPECT_FALSE(initialised) << id;
    }
}

TEST(DialogRun, HiddenDialogIsShownWhenTheLoopFirstGoesIdle) {
    ProbeDialog dialog(IDD_PLAIN);
    bool visibleAtInit = true;
    bool visibleLater = false;
    dialog.onInit = [&](ProbeDialog& d) {
        visibleAtInit = d.IsWindowVisible();
        d.SetTimer(8, 50);
    };
    dialog.onTimer = [&](ProbeDialog& d, UINT_PTR id) {
        if (id != 8)
            return;
        d.KillTimer(8);
        visibleLater = d.IsWindowVisible();
        d.EndDialog(IDOK);
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_FALSE(visibleAtInit);
    EXPECT_TRUE(visibleLater);
}

struct OwnerCase {
    const char* name;
    bool asMainWindow;     // the owner is the application's main window, not the parent
    bool alreadyDisabled;  // the owner was disabled before the run
};

class DialogOwner : public testing::TestWithParam<OwnerCase> {};

TEST_P(DialogOwner, OwnerIsDisabledWhileTheDialogRunsAndRestoredAfter) {
    const OwnerCase& c = GetParam();
    OwnerWindow owner(RECT{100, 100, 600, 500});
    ASSERT_NE(owner.hwnd(), nullptr);
    TestApp app;
    if (c.asMainWindow)
        app.m_pMainWnd = &owner.wnd();
    if (c.alreadyDisabled)
        EnableWindow(owner.hwnd(), FALSE);
    ProbeDialog dialog(IDD_PLAIN, c.asMainWindow ? nullptr : &owner.wnd());
    HWND ownerSeen = nullptr;
    BOOL enabledDuringRun = TRUE;
    dialog.onInit = [&](ProbeDialog& d) {
        ownerSeen = GetWindow(d.m_hWnd, GW_OWNER);
        enabledDuringRun = IsWindowEnabled(owner.hwnd());
        d.PostMessage(WM_COMMAND, IDOK);
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(ownerSeen, owner.hwnd());
    EXPECT_FALSE(enabledDuringRun);
    EXPECT_EQ(IsWindowEnabled(owner.hwnd()) != FALSE, !c.alreadyDisabled);
}

INSTANTIATE_TEST_SUITE_P(Owners, DialogOwner,
                         testing::Values(OwnerCase{"main_window", true, false}, OwnerCase{"parent", false, false},
                                         OwnerCase{"parent_already_disabled", false, true}),
                         [](const testing::TestParamInfo<OwnerCase>& info) { return std::string(info.param.name); });

TEST(DialogRun, DialogWithoutParentOrMainWindowHasNoOwner) {
    TestApp app;  // no main window
    ProbeDialog dialog(IDD_PLAIN);
    HWND ownerSeen = reinterpret_cast<HWND>(1);
    dialog.onInit = [&](ProbeDialog& d) {
        ownerSeen = GetWindow(d.m_hWnd, GW_OWNER);
        d.EndDialog(IDOK);
    };
    dialog.DoModal();
    EXPECT_EQ(ownerSeen, nullptr);
}

TEST(DialogRun, UnhandledCommandGoesToTheApplication) {
    TestApp app;
    ProbeDialog dialog(IDD_PLAIN);
    dialog.onInit = [](ProbeDialog& d) {
        d.SendMessage(WM_COMMAND, ID_HELP);
        d.EndDialog(IDOK);
    };
    dialog.DoModal();
    EXPECT_EQ(app.helpCommands, 1);
}

// Finds the message box a dialog opened, notes its owner and caption, and presses OK.
struct BoxCloser {
    static inline HWND dialog = nullptr;
    static inline HWND owner = nullptr;
    static inline std::wstring caption;
    static inline int closed = 0;

    static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD) {
        EnumThreadWindows(GetCurrentThreadId(), &Visit, 0);
        if (closed > 0)
            KillTimer(nullptr, id);
    }
    static BOOL CALLBACK Visit(HWND hwnd, LPARAM) {
        if (hwnd == dialog || framework_test::WindowText(hwnd).empty())
            return TRUE;
        wchar_t cls[16] = {};
        GetClassNameW(hwnd, cls, 16);
        if (lstrcmpW(cls, L"#32770") != 0 || !IsWindowVisible(hwnd))
            return TRUE;
        owner = GetWindow(hwnd, GW_OWNER);
        caption = framework_test::WindowText(hwnd);
        PostMessageW(hwnd, WM_COMMAND, IDOK, 0);
        ++closed;
        return FALSE;
    }
};

TEST(DialogRun, MessageBoxIsOwnedByTheDialogAndNamedAfterTheApplication) {
    TestApp app;
    ProbeDialog dialog(IDD_PLAIN);
    int answer = 0;
    BoxCloser::closed = 0;
    dialog.onInit = [](ProbeDialog& d) { d.Probe(); };
    dialog.onProbe = [&](ProbeDialog& d) {
        BoxCloser::dialog = d.m_hWnd;
        const UINT_PTR timer = SetTimer(nullptr, 0, 50, &BoxCloser::Tick);
        answer = d.MessageBox(L"Body text");
        KillTimer(nullptr, timer);
        d.EndDialog(IDOK);
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(answer, IDOK);
    EXPECT_EQ(BoxCloser::closed, 1);
    EXPECT_EQ(BoxCloser::owner, BoxCloser::dialog);
    EXPECT_EQ(BoxCloser::caption, L"Framework Test App");
}

TEST(DialogRun, InitListFillsOrdinaryControls) {
    ProbeDialog dialog(IDD_LIST_INIT);
    std::vector<std::wstring> items;
    dialog.onInit = [&](ProbeDialog& d) {
        HWND list = GetDlgItem(d.m_hWnd, IDC_LIST);
        const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            wchar_t text[64] = {};
            SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
            items.emplace_back(text);
        }
        d.EndDialog(IDOK);
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_TRUE(dialog.baseInitResult);
    EXPECT_EQ(items, (std::vector<std::wstring>{L"alpha", L"beta"}));
}

TEST(Resources, StringsLoadByIdAndMissingOnesAreEmpty) {
    EXPECT_EQ(LoadResourceString(IDS_PRESENT), L"Hello framework");
    EXPECT_EQ(LoadResourceString(IDS_MISSING), L"");
}

}  // namespace
