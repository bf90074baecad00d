// The player program run for real under Wine on albums made by dovetta-pack, driven from
// outside: its window, its control, its window menu, its About box, and its clean-up.
#include "GuiAlbum.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cwctype>
#include <fstream>

namespace {

struct Margins {
    int left, top, right, bottom;
};

Margins MarginsOf(HWND window) {
    const RECT w = WindowRect(window), c = WindowRect(::GetDlgItem(window, kMovieControlId));
    return {c.left - w.left, c.top - w.top, w.right - c.right, w.bottom - c.bottom};
}

// True when the control sits inside the window at exactly the given margins.
bool ControlKeepsMargins(HWND window, const Margins& m) {
    const RECT w = WindowRect(window), c = WindowRect(::GetDlgItem(window, kMovieControlId));
    return c.left - w.left == m.left && c.top - w.top == m.top && w.right - c.right == m.right &&
           w.bottom - c.bottom == m.bottom;
}

}  // namespace

class GuiPlayerTest : public ::testing::Test {
protected:
    // The player needs the movie control; installing it is what its own installer does.
    static void SetUpTestSuite() {
        ASSERT_EQ(RunToEnd(Bin(L"MovieControlSetup.exe"), L"/Q"), 0u) << "the control could not be installed";
    }
};

class GuiStageSizeTest : public GuiPlayerTest, public ::testing::WithParamInterface<std::pair<int, int>> {};

TEST_P(GuiStageSizeTest, ControlIsExactlyTheStageAndTheWindowIsCentred) {
    const auto [width, height] = GetParam();
    AlbumOptions options;
    options.width = width;
    options.height = height;
    PlayerRun run(options);
    HWND player = run.OpenPlayer();
    ASSERT_TRUE(player) << "no player window";

    HWND control = ::GetDlgItem(player, kMovieControlId);
    ASSERT_TRUE(control);
    const RECT c = WindowRect(control);
    EXPECT_EQ(Width(c), width);
    EXPECT_EQ(Height(c), height);

    const RECT w = WindowRect(player), work = WorkArea(player);
    EXPECT_LE(std::abs((w.left - work.left) - (work.right - w.right)), 1);
    EXPECT_LE(std::abs((w.top - work.top) - (work.bottom - w.bottom)), 1);

    const std::wstring shot = ProgramFolder() + L"\\..\\screenshots";
    ::CreateDirectoryW(shot.c_str(), nullptr);
    ::Sleep(300);  // let the control paint its first frame
    SaveWindowImage(player, shot + L"\\player-" + std::to_wstring(width) + L"x" + std::to_wstring(height) + L".bmp");

    ::PostMessageW(player, WM_CLOSE, 0, 0);
    EXPECT_EQ(run.Program().WaitForExit(kExitTimeoutMs), 0u);
}

INSTANTIATE_TEST_SUITE_P(Stages, GuiStageSizeTest,
                         ::testing::Values(std::make_pair(800, 600), std::make_pair(320, 240)));

TEST_F(GuiPlayerTest, ResizingAndMaximisingKeepTheMargins) {
    PlayerRun run;
    HWND player = run.OpenPlayer();
    ASSERT_TRUE(player);
    const Margins margins = MarginsOf(player);
    const RECT opened = WindowRect(player);
    EXPECT_GE(margins.left, 0);
    EXPECT_GT(margins.top, margins.bottom);  // the caption is above the control

    ::SetWindowPos(player, nullptr, 0, 0, Width(opened) + 120, Height(opened) - 90, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_TRUE(WaitUntil([&] { return Width(WindowRect(player)) == Width(opened) + 120; }, 5000));
    EXPECT_TRUE(WaitUntil([&] { return ControlKeepsMargins(player, margins); }, 5000));
    EXPECT_EQ(Width(WindowRect(::GetDlgItem(player, kMovieControlId))), 800 + 120);

    ::PostMessageW(player, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    EXPECT_TRUE(WaitUntil([&] { return ::IsZoomed(player) != FALSE; }, 5000));
    EXPECT_TRUE(WaitUntil([&] { return ControlKeepsMargins(player, margins); }, 5000));

    ::PostMessageW(player, WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_TRUE(WaitUntil([&] { return !::IsZoomed(player); }, 5000));
    EXPECT_TRUE(WaitUntil(
        [&] { return Width(WindowRect(player)) == Width(opened) + 120 && ControlKeepsMargins(player, margins); },
        5000));

    ::PostMessageW(player, WM_CLOSE, 0, 0);
    EXPECT_EQ(run.Program().WaitForExit(kExitTimeoutMs), 0u);
}

TEST_F(GuiPlayerTest, WindowMenuCommandsOpenTheAboutBox) {
    PlayerRun run;
    HWND player = run.OpenPlayer();
    ASSERT_TRUE(player);

    for (UINT command : {0x0010u, 0x0017u, 0x001Fu}) {
        SCOPED_TRACE(command);
        ::PostMessageW(player, WM_SYSCOMMAND, command, 0);
        HWND about = WaitForWindow(run.Program().ProcessId(), L"#32770", L"About Dovetta", 5000);
        ASSERT_TRUE(about);
        EXPECT_FALSE(::IsWindowEnabled(player));  // owned and disabled while the box runs
        // Centred over the player window.
        const RECT a = WindowRect(about), p = WindowRect(player);
        EXPECT_LE(std::abs((a.left + a.right) - (p.left + p.right)), 2);
        PressButton(about, IDOK);
        EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(about); }, 5000));
        EXPECT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(player) != FALSE; }, 5000));
    }
    // The next command is not the About box's. Sent, not posted: the call returns only once the
    // player has handled the command, and a box opened by it would hold the call in its modal loop.
    DWORD_PTR unused = 0;
    const bool handled = ::SendMessageTimeoutW(player, WM_SYSCOMMAND, 0x0020, 0, SMTO_NORMAL, 10000, &unused) != 0;
    EXPECT_TRUE(handled) << "the command was still being handled after 10 s: a box holds it";
    const std::vector<HWND> boxes = TopLevelWindows(run.Program().ProcessId(), L"#32770", L"About Dovetta");
    EXPECT_TRUE(boxes.empty());
    for (HWND box : boxes)
        PressButton(box, IDOK);  // so that the player can still be closed

    ::PostMessageW(player, WM_CLOSE, 0, 0);
    EXPECT_EQ(run.Program().WaitForExit(kExitTimeoutMs), 0u);
}

// The manifest binds version 6 of the common controls: the system's window classes of the
// player's boxes come from it. (Wine 8 treats every program as aware of the display's scale,
// so the manifest's choice there is checked with the resources, not here.)
TEST_F(GuiPlayerTest, BoxesUseCommonControlsSix) {
    PlayerRun run;
    HWND player = run.OpenPlayer();
    ASSERT_TRUE(player);
    ::PostMessageW(player, WM_SYSCOMMAND, 0x0010, 0);
    HWND about = WaitForWindow(run.Program().ProcessId(), L"#32770", L"About Dovetta", 5000);
    ASSERT_TRUE(about);

    // Version 6 is a side-by-side assembly; version 5 is the plain file in the system folder.
    std::wstring controls = ModulePathIn(run.Program().ProcessId(), L"comctl32.dll");
    std::transform(controls.begin(), controls.end(), controls.begin(), ::towlower);
    EXPECT_NE(controls.find(L"\\winsxs\\"), std::wstring::npos) << "common controls: " << controls;
    EXPECT_NE(controls.find(L"microsoft.windows.common-controls_6595b64144ccf1df_6."), std::wstring::npos)
        << "common controls: " << controls;

    PressButton(about, IDOK);
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(about); }, 5000));
    ::PostMessageW(player, WM_CLOSE, 0, 0);
    EXPECT_EQ(run.Program().WaitForExit(kExitTimeoutMs), 0u);
}

// The caption buttons are glyphs of the Marlett font: without it in the prefix Wine draws them
// as the letters "0 1 r", and the screenshots no longer look like a Windows desktop.
TEST_F(GuiPlayerTest, CaptionButtonFontIsAvailable) {
    UniqueMemoryDc screen(::CreateCompatibleDC(nullptr));
    ASSERT_TRUE(screen);
    LOGFONTW wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    lstrcpyW(wanted.lfFaceName, L"Marlett");
    bool listed = false;
    ::EnumFontFamiliesExW(
        screen.get(), &wanted,
        [](const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) -> int {
            *reinterpret_cast<bool*>(found) = true;
            return 0;
        },
        reinterpret_cast<LPARAM>(&listed), 0);
    EXPECT_TRUE(listed) << "no Marlett face in the prefix";

    UniqueGdiObject font(
        ::CreateFontW(16, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SYMBOL_CHARSET, 0, 0, 0, 0, L"Marlett"));
    ASSERT_TRUE(font);
    const HGDIOBJ old = ::SelectObject(screen.get(), font.get());
    wchar_t face[LF_FACESIZE] = {};
    ::GetTextFaceW(screen.get(), LF_FACESIZE, face);
    ::SelectObject(screen.get(), old);
    EXPECT_STREQ(face, L"Marlett") << "the caption buttons would be drawn with a stand-in font";
}

TEST_F(GuiPlayerTest, ClosingRemovesTheExtractedFilesAndTheFolder) {
    PlayerRun run;
    HWND player = run.OpenPlayer();
    ASSERT_TRUE(player);
    const std::wstring folder = run.WorkFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_TRUE(IsFile(folder + L"\\84512712.swf"));
    EXPECT_TRUE(IsFile(folder + L"\\84512712.exe"));

    ::PostMessageW(player, WM_CLOSE, 0, 0);
    EXPECT_EQ(run.Program().WaitForExit(kExitTimeoutMs), 0u);
    EXPECT_FALSE(IsFolder(folder));
    EXPECT_TRUE(IsFolder(run.WorkRoot()));  // the shared upper levels stay
}

TEST_F(GuiPlayerTest, ProgramWithoutAnAlbumOpensTheDefaultStage) {
    PlayerRun run;
    run.Start(Bin(L"Dovetta.exe"));
    HWND player = run.WaitForPlayer(L"");
    ASSERT_TRUE(player);
    const RECT c = WindowRect(::GetDlgItem(player, kMovieControlId));
    EXPECT_EQ(Width(c), 600);
    EXPECT_EQ(Height(c), 400);
    const std::wstring folder = run.WorkFolder();
    EXPECT_TRUE(FolderEntries(folder).empty());
    ::PostMessageW(player, WM_CLOSE, 0, 0);
    EXPECT_EQ(run.Program().WaitForExit(kExitTimeoutMs), 0u);
    EXPECT_FALSE(IsFolder(folder));
}

// Load result 0 with no recent enough control: the Status dialog asks first; answered No, the
// player never opens and everything is cleaned up.
TEST_F(GuiPlayerTest, ControlTooOldAskedAndDeclinedShowsNoPlayer) {
    AlbumOptions options;
    options.require = L"99.0.0.0";
    PlayerRun run(options);
    ASSERT_TRUE(run.Packed());
    run.Start();
    HWND box = WaitForWindow(run.Program().ProcessId(), L"#32770", L"Notification", kStartTimeoutMs);
    ASSERT_TRUE(box);
    EXPECT_EQ(MessageBoxText(box),
              L"The required Flash Player cannot be found in your computer. Install Flash Player now?");
    EXPECT_FALSE(PlayerIsOpen(run.Program().ProcessId()));
    const std::wstring folder = run.WorkFolder();
    PressButton(box, IDNO);
    EXPECT_EQ(run.Program().WaitForExit(kExitTimeoutMs), 0u);
    EXPECT_FALSE(IsFolder(folder));
}

// A damaged album: load result 3, an error box whatever the control, and no player.
TEST_F(GuiPlayerTest, DamagedAlbumShowsTheErrorAndNoPlayer) {
    PlayerRun run;
    ASSERT_TRUE(run.Packed());
    {
        // Make datasize claim more than the file holds.
        std::fstream album(run.Album().c_str(), std::ios::binary | std::ios::in | std::ios::out);
        album.seekp(-5, std::ios::end);
        album.put(char(0x7F));
    }
    run.Start();
    HWND box = WaitForWindow(run.Program().ProcessId(), L"#32770", L"Error", kStartTimeoutMs);
    ASSERT_TRUE(box);
    EXPECT_EQ(MessageBoxText(box), L"Unable to install resource file!");
    EXPECT_FALSE(PlayerIsOpen(run.Program().ProcessId()));
    PressButton(box, IDOK);
    EXPECT_EQ(run.Program().WaitForExit(kExitTimeoutMs), 0u);
    EXPECT_TRUE(FolderEntries(run.WorkRoot()).empty());
}

// The trace build of the player writes every step of a normal run to the trace file.
TEST_F(GuiPlayerTest, TraceBuildRecordsTheWholeRun) {
    const std::wstring traceFile = L"C:\\debug-player.txt";
    ::DeleteFileW(traceFile.c_str());
    AlbumOptions options;
    options.player = L"Dovetta-trace.exe";
    options.require = L"6.0.79.0";
    PlayerRun run(options);
    HWND player = run.OpenPlayer();
    ASSERT_TRUE(player);
    const std::wstring folder = run.WorkFolder();
    ::PostMessageW(player, WM_CLOSE, 0, 0);
    ASSERT_EQ(run.Program().WaitForExit(kExitTimeoutMs), 0u);

    const std::wstring number = folder.substr(folder.find_last_of(L'\\') + 1);
    const std::wstring base = L"work\\CorvaneWorkspace";
    const std::wstring numbered = base + L"\\Temp\\" + number;
    const std::wstring movie = numbered + L"\\84512712.swf";
    std::vector<std::wstring> expected = {
        L"BEGIN GetExtractFolder",
        L"Creating directory " + base,
        L"Directory does not exist yet. About to create one",
        L"Creating directory " + base + L"\\Temp",
        L"Directory does not exist yet. About to create one",
        L"Creating directory " + numbered,
        L"Directory does not exist yet. About to create one",
        L"END GetExtractFolder",
        L"Checking file signature = 847654376",
        L"Signature ok",
    };
    const std::vector<std::wstring> lines = TraceLines(traceFile);
    ASSERT_GE(lines.size(), expected.size() + 10);
    EXPECT_EQ(std::vector<std::wstring>(lines.begin(), lines.begin() + long(expected.size())), expected);
    // datasize and exeSize depend on the programs' sizes; their texts are checked by shape.
    EXPECT_EQ(lines[10].rfind(L"datasize = ", 0), 0u);
    EXPECT_EQ(lines[11].rfind(L"exeSize = ", 0), 0u);
    const std::vector<std::wstring> rest = {
        L"Reading External Dependency",
        L"Total external dependency = 0",
        L"Reading SWF file",
        lines.size() > 15 ? lines[15] : L"",
        L"SWF is saved into " + movie,
        L"SWF save ok",
        L"SWF file exist",
        L"BEGIN GetExtractFolder",
        L"END GetExtractFolder",
        L"Movie file exist at " + movie,
        L"BEGIN GetExtractFolder",
        L"END GetExtractFolder",
    };
    EXPECT_EQ(lines[15].rfind(L"Reading SWF size = ", 0), 0u);
    EXPECT_EQ(std::vector<std::wstring>(lines.begin() + 12, lines.end()), rest);
    ::DeleteFileW(traceFile.c_str());
}
