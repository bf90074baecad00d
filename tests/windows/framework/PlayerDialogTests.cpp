// The player window and its About box on the player's own resources, hosting the test control
// registered under the Shockwave Flash class identifier.
#include "FrameworkTestSupport.h"
#include "TestControl.h"
#include "TraceRecorder.h"

#include "framework/DialogPlacement.h"
#include "player/AboutDialog.h"
#include "player/PlayerDialog.h"
#include "player/ShockwaveFlash.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

using framework_test::WindowRect;
using framework_test::WindowText;
using framework_test::WorkArea;
using test_control::Controls;
using test_control::Registration;

namespace {

constexpr UINT kProbe = WM_APP + 2;
constexpr UINT_PTR kWatchdog = 0xD0D1;

// A player dialog that runs a callback once it is up, and is ended by a watchdog after 10 s.
class PlayerProbe : public PlayerDialog {
public:
    using PlayerDialog::PlayerDialog;
    std::function<void(PlayerProbe&)> onProbe;
    bool timedOut = false;

protected:
    BOOL OnInitDialog() override {
        const BOOL result = PlayerDialog::OnInitDialog();
        ::SetTimer(m_hWnd, kWatchdog, 10000, &Watchdog);
        PostMessage(kProbe);
        return result;
    }
    LRESULT OnProbe(WPARAM, LPARAM) {
        if (onProbe)
            onProbe(*this);
        return 0;
    }
    static void CALLBACK Watchdog(HWND hwnd, UINT, UINT_PTR id, DWORD) {
        ::KillTimer(hwnd, id);
        if (auto* self = dynamic_cast<PlayerProbe*>(CWnd::FromHandle(hwnd))) {
            self->timedOut = true;
            self->EndDialog(IDABORT);
        }
    }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(PlayerProbe, PlayerDialog)
ON_MESSAGE(kProbe, &PlayerProbe::OnProbe)
END_MESSAGE_MAP()

CLSID MovieClsid() {
    return CShockwaveFlash::GetClsid();
}

RECT Shrunk(RECT r, int left, int top, int right, int bottom) {
    return RECT{r.left + left, r.top + top, r.right - right, r.bottom - bottom};
}

struct StageCase {
    int width;
    int height;
};

class PlayerStage : public testing::TestWithParam<StageCase> {};

TEST_P(PlayerStage, ControlIsExactlyTheStageAndKeepsItsMarginsOnResize) {
    const StageCase& c = GetParam();
    Registration registration(MovieClsid());
    ASSERT_TRUE(registration.ok());
    PlayerProbe dialog(nullptr, L"C:\\nowhere\\84512712.swf", c.width, c.height, L"Stage title");
    RECT control{};
    RECT window{};
    RECT resizedControl{};
    RECT resizedWindow{};
    std::wstring caption;
    dialog.onProbe = [&](PlayerProbe& d) {
        HWND movie = GetDlgItem(d.m_hWnd, IDC_MOVIE);
        control = WindowRect(movie);
        window = WindowRect(d.m_hWnd);
        caption = WindowText(d.m_hWnd);
        d.MoveWindow(window.left, window.top, window.right - window.left + 37, window.bottom - window.top + 23);
        resizedControl = WindowRect(movie);
        resizedWindow = WindowRect(d.m_hWnd);
        d.EndDialog(IDOK);
    };
    ASSERT_EQ(dialog.DoModal(), IDOK);

    EXPECT_EQ(control.right - control.left, c.width);
    EXPECT_EQ(control.bottom - control.top, c.height);
    EXPECT_EQ(caption, L"Stage title");
    const int left = control.left - window.left;
    const int top = control.top - window.top;
    const int right = window.right - control.right;
    const int bottom = window.bottom - control.bottom;
    EXPECT_GT(top, left) << "the caption is inside the top margin";
    EXPECT_EQ(resizedControl, Shrunk(resizedWindow, left, top, right, bottom));
    EXPECT_EQ(resizedControl.right - resizedControl.left, c.width + 37);

    const RECT work = WorkArea();
    const POINT centred = CenteredPosition(window, work, work);
    EXPECT_EQ(window.left, centred.x) << "opened centred at the stage size";
    EXPECT_EQ(window.top, centred.y);
}

INSTANTIATE_TEST_SUITE_P(Stages, PlayerStage,
                         // A zero height leaves the margins alone; a zero width cannot, the
                         // system keeps a captioned window wider than its caption buttons.
                         testing::Values(StageCase{800, 600}, StageCase{320, 240}, StageCase{640, 0}),
                         [](const testing::TestParamInfo<StageCase>& info) {
                             return std::to_string(info.param.width) + "x" + std::to_string(info.param.height);
                         });

class PlayerMovie : public testing::TestWithParam<bool> {};

TEST_P(PlayerMovie, TracesWhetherTheMovieExistsThenHandsThePathToTheControl) {
    const bool exists = GetParam();
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    const std::wstring path = std::wstring(folder) + L"player-test-movie.swf";
    DeleteFileW(path.c_str());
    if (exists) {
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        CloseHandle(file);
    }
    std::size_t tracesAtMovie = 0;
    test_control::Options options;
    options.onMovie = [&](const std::wstring&) { tracesAtMovie = RecordedTraces().size(); };
    Registration registration(MovieClsid(), options);
    ClearTraces();
    PlayerProbe dialog(nullptr, path, 400, 300, L"");
    dialog.onProbe = [](PlayerProbe& d) { d.EndDialog(IDOK); };
    ASSERT_EQ(dialog.DoModal(), IDOK);
    DeleteFileW(path.c_str());

    const std::wstring expected = (exists ? L"Movie file exist at " : L"Movie file does not exist at ") + path;
    EXPECT_EQ(RecordedTraces(), std::vector<std::wstring>{expected});
    ASSERT_EQ(Controls().size(), 1u);
    EXPECT_EQ(Controls()[0]->movie, path);
    EXPECT_EQ(Controls()[0]->moviePuts, 1);
    EXPECT_EQ(tracesAtMovie, 1u) << "the line comes before the movie is set";
}

INSTANTIATE_TEST_SUITE_P(Files, PlayerMovie, testing::Values(true, false),
                         [](const testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "present" : "missing");
                         });

TEST(Player, ControlGetsThePersistedPropertyStreamAndIconsAndMenuAreSet) {
    Registration registration(MovieClsid());
    PlayerProbe dialog(nullptr, L"C:\\x.swf", 640, 480, L"Menu");
    HICON big = nullptr;
    HICON small = nullptr;
    HICON dragIcon = nullptr;
    std::wstring lastItem;
    UINT lastId = 0;
    UINT separatorState = 0;
    dialog.onProbe = [&](PlayerProbe& d) {
        big = reinterpret_cast<HICON>(d.SendMessage(WM_GETICON, ICON_BIG));
        small = reinterpret_cast<HICON>(d.SendMessage(WM_GETICON, ICON_SMALL));
        dragIcon = reinterpret_cast<HICON>(d.SendMessage(WM_QUERYDRAGICON));
        HMENU menu = GetSystemMenu(d.m_hWnd, FALSE);
        const int count = GetMenuItemCount(menu);
        wchar_t text[64] = {};
        GetMenuStringW(menu, count - 1, text, 64, MF_BYPOSITION);
        lastItem = text;
        lastId = GetMenuItemID(menu, count - 1);
        separatorState = GetMenuState(menu, count - 2, MF_BYPOSITION);
        d.EndDialog(IDOK);
    };
    ASSERT_EQ(dialog.DoModal(), IDOK);

    ASSERT_EQ(Controls().size(), 1u);
    const std::vector<std::byte>& state = Controls()[0]->loaded;
    ASSERT_EQ(state.size(), 170u) << "the 4-byte key length is not part of the state";
    EXPECT_EQ(std::vector<std::byte>(state.begin(), state.begin() + 4),
              (std::vector<std::byte>{std::byte{0x67}, std::byte{0x55}, std::byte{0x66}, std::byte{0x55}}));
    const HICON appIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APP));
    ASSERT_NE(appIcon, nullptr);
    EXPECT_EQ(big, appIcon);
    EXPECT_EQ(small, appIcon);
    EXPECT_EQ(dragIcon, appIcon);
    EXPECT_EQ(lastItem, L"&About Dovetta...");
    EXPECT_EQ(lastId, static_cast<UINT>(ID_SYS_ABOUT));
    EXPECT_TRUE(separatorState & MF_SEPARATOR);
}

// Watches for the About box while the player runs: notes what it sees and presses OK.
struct AboutCloser {
    static inline HWND player = nullptr;
    static inline int seen = 0;
    static inline HWND owner = nullptr;
    static inline BOOL playerEnabled = TRUE;
    static inline RECT rect{};

    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) { EnumThreadWindows(GetCurrentThreadId(), &Visit, 0); }
    static BOOL CALLBACK Visit(HWND hwnd, LPARAM) {
        if (WindowText(hwnd) != L"About Dovetta" || !IsWindowVisible(hwnd))
            return TRUE;
        ++seen;
        owner = GetWindow(hwnd, GW_OWNER);
        playerEnabled = IsWindowEnabled(player);
        rect = WindowRect(hwnd);
        PostMessageW(hwnd, WM_COMMAND, IDOK, 0);
        return FALSE;
    }
};

TEST(Player, WindowMenuAboutCommandsOpenTheAboutBoxOverTheDisabledPlayer) {
    Registration registration(MovieClsid());
    CWinApp app(L"Player test");
    PlayerProbe dialog(nullptr, L"C:\\x.swf", 500, 400, L"About test");
    app.m_pMainWnd = &dialog;
    std::vector<int> opened;
    BOOL enabledAfter = FALSE;
    RECT playerRect{};
    dialog.onProbe = [&](PlayerProbe& d) {
        AboutCloser::player = d.m_hWnd;
        playerRect = WindowRect(d.m_hWnd);
        const UINT_PTR timer = SetTimer(nullptr, 0, 30, &AboutCloser::Tick);
        for (UINT command : {0x0010u, 0x001Fu, 0x0020u}) {
            AboutCloser::seen = 0;
            d.SendMessage(WM_SYSCOMMAND, command, 0);
            opened.push_back(AboutCloser::seen);
        }
        KillTimer(nullptr, timer);
        enabledAfter = d.IsWindowEnabled();
        d.EndDialog(IDOK);
    };
    ASSERT_EQ(dialog.DoModal(), IDOK);
    app.m_pMainWnd = nullptr;

    EXPECT_EQ(opened, (std::vector<int>{1, 1, 0}));
    EXPECT_EQ(AboutCloser::owner, AboutCloser::player);
    EXPECT_FALSE(AboutCloser::playerEnabled);
    EXPECT_TRUE(enabledAfter);
    const POINT centred = CenteredPosition(AboutCloser::rect, playerRect, WorkArea());
    EXPECT_EQ(AboutCloser::rect.left, centred.x) << "centred over the player";
    EXPECT_EQ(AboutCloser::rect.top, centred.y);
}

TEST(Player, FSCommandHasNoVisibleEffect) {
    Registration registration(MovieClsid());
    PlayerProbe dialog(nullptr, L"C:\\x.swf", 300, 200, L"Quiet");
    HRESULT fired = E_FAIL;
    RECT before{};
    RECT after{};
    std::wstring caption;
    dialog.onProbe = [&](PlayerProbe& d) {
        before = WindowRect(d.m_hWnd);
        fired = test_control::FireFSCommand(*Controls()[0], L"quit", L"true");
        after = WindowRect(d.m_hWnd);
        caption = WindowText(d.m_hWnd);
        d.EndDialog(IDOK);
    };
    ASSERT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(fired, S_OK);
    EXPECT_EQ(after, before);
    EXPECT_EQ(caption, L"Quiet");
}

TEST(Player, WithoutTheControlTheWindowKeepsTheTemplateSizeAndStillTraces) {
    test_control::Options refusing;
    refusing.failCreate = true;
    Registration registration(MovieClsid(), refusing);
    ClearTraces();
    PlayerProbe dialog(nullptr, L"C:\\nowhere.swf", 800, 600, L"No control");
    RECT client{};
    RECT expected{0, 0, 454, 306};
    dialog.onProbe = [&](PlayerProbe& d) {
        d.GetClientRect(&client);
        MapDialogRect(d.m_hWnd, &expected);
        d.EndDialog(IDOK);
    };
    ASSERT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(client.right, expected.right);
    EXPECT_EQ(client.bottom, expected.bottom);
    EXPECT_EQ(RecordedTraces(), std::vector<std::wstring>{L"Movie file does not exist at C:\\nowhere.swf"});
}

TEST(Player, CloseBoxEndsThePlayerAndTearsTheControlDown) {
    Registration registration(MovieClsid());
    PlayerProbe dialog(nullptr, L"C:\\x.swf", 300, 200, L"Close");
    dialog.onProbe = [](PlayerProbe& d) { d.PostMessage(WM_CLOSE); };
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    ASSERT_EQ(Controls().size(), 1u);
    EXPECT_EQ(Controls()[0]->calls.back(), "Release(final)");
}

TEST(ShockwaveFlash, RuntimeClassAndUnboundMovie) {
    const CRuntimeClass* info = RUNTIME_CLASS(CShockwaveFlash);
    EXPECT_STREQ(info->m_lpszClassName, "CShockwaveFlash");
    EXPECT_EQ(info->m_wSchema, 0xFFFFu);
    EXPECT_EQ(info->m_pBaseClass, RUNTIME_CLASS(CWnd));
    std::unique_ptr<CWnd> made = info->CreateObject();
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->GetRuntimeClass(), info);

    CShockwaveFlash unbound;
    unbound.SetMovie(L"C:\\x.swf");  // does nothing, and does not fail
    EXPECT_EQ(unbound.m_hWnd, nullptr);

    wchar_t text[64] = {};
    StringFromGUID2(CShockwaveFlash::GetClsid(), text, 64);
    EXPECT_STREQ(text, L"{D27CDB6E-AE6D-11CF-96B8-444553540000}");
}

}  // namespace
