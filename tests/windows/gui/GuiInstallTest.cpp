// The install flow on a prefix without the movie control: the prompt, the carried installer run
// silently, the second version check, and every way it can end. Driven from outside.
#include "GuiAlbum.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <fstream>
#include <iterator>

namespace {

const wchar_t kPrompt[] = L"The required Flash Player cannot be found in your computer. Install Flash Player now?";

std::wstring FlashOcxPath() {
    wchar_t system[MAX_PATH];
    ::GetSystemDirectoryW(system, MAX_PATH);
    return std::wstring(system) + L"\\Macromed\\Flash\\flash.ocx";
}

std::wstring ReadText(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
}

// The Status dialog: captioned with the title, no movie control inside.
HWND StatusWindow(DWORD processId, const std::wstring& title) {
    for (HWND window : TopLevelWindows(processId, L"#32770", title.c_str()))
        if (!::GetDlgItem(window, kMovieControlId))
            return window;
    return nullptr;
}

}  // namespace

class GuiInstallTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(RunToEnd(Bin(L"MovieControlSetup.exe"), L"/U"), 0u);
        ASSERT_FALSE(IsFile(FlashOcxPath())) << "the control is still installed";
    }
    static void TearDownTestSuite() { RunToEnd(Bin(L"MovieControlSetup.exe"), L"/U"); }

    // Starts the album and waits for the prompt; the Status window must carry the title.
    HWND StartAndWaitForPrompt(PlayerRun& run) {
        EXPECT_TRUE(run.Packed());
        run.Start();
        HWND box = WaitForWindow(run.Program().ProcessId(), L"#32770", L"Notification", kStartTimeoutMs);
        if (box) {
            EXPECT_EQ(MessageBoxText(box), kPrompt);
            // Bounded wait: on a busy machine the list of windows can lag behind the box.
            EXPECT_TRUE(
                WaitUntil([&] { return StatusWindow(run.Program().ProcessId(), L"Autumn Journey") != nullptr; }, 5000))
                << "Status window caption";
        }
        return box;
    }

    // Answers the error box of a failed installation and checks the run ends with no player.
    void ExpectInstallFailedThenEnd(PlayerRun& run) {
        HWND error = WaitForWindow(run.Program().ProcessId(), L"#32770", L"Error", kStartTimeoutMs);
        ASSERT_TRUE(error);
        EXPECT_EQ(MessageBoxText(error), L"Unable to install flash player");
        EXPECT_FALSE(PlayerIsOpen(run.Program().ProcessId()));
        PressButton(error, IDOK);
        EXPECT_EQ(run.Program().WaitForExit(kExitTimeoutMs), 0u);
        EXPECT_TRUE(FolderEntries(run.WorkRoot()).empty()) << "working folder left behind";
    }
};

TEST_F(GuiInstallTest, AnsweredNoStartsNothingAndCleansUp) {
    TestFolder records;
    const std::wstring record = records / L"installer-ran.txt";
    AlbumOptions options;
    options.installer = L"test_installer.exe";
    options.environment = {L"DOVETTA_TEST_RECORD=" + record};
    PlayerRun run(options);
    HWND box = StartAndWaitForPrompt(run);
    ASSERT_TRUE(box);
    PressButton(box, IDNO);
    EXPECT_EQ(run.Program().WaitForExit(kExitTimeoutMs), 0u);
    EXPECT_FALSE(IsFile(record)) << "the installer was started";
    EXPECT_FALSE(PlayerIsOpen(run.Program().ProcessId()));
    EXPECT_TRUE(FolderEntries(run.WorkRoot()).empty());
}

TEST_F(GuiInstallTest, AnsweredYesInstallsTheCarriedControlAndPlays) {
    PlayerRun run;
    HWND box = StartAndWaitForPrompt(run);
    ASSERT_TRUE(box);
    const std::wstring shots = ProgramFolder() + L"\\..\\screenshots";
    ::CreateDirectoryW(shots.c_str(), nullptr);
    SaveWindowImage(::GetDesktopWindow(), shots + L"\\install-prompt.bmp");

    PressButton(box, IDYES);
    // The installer shows no window: its end must be noticed without any further message.
    HWND player = run.WaitForPlayer(L"Autumn Journey");
    ASSERT_TRUE(player) << "the player did not open after the installation";
    EXPECT_TRUE(IsFile(FlashOcxPath()));
    EXPECT_TRUE(TopLevelWindows(run.Program().ProcessId(), L"#32770", L"Error").empty());
    EXPECT_TRUE(TopLevelWindows(run.Program().ProcessId(), L"#32770", L"Notification").empty());
    const RECT control = WindowRect(::GetDlgItem(player, kMovieControlId));
    EXPECT_EQ(Width(control), 800);
    EXPECT_EQ(Height(control), 600);
    ::Sleep(300);
    SaveWindowImage(::GetDesktopWindow(), shots + L"\\player-after-install.bmp");

    ::PostMessageW(player, WM_CLOSE, 0, 0);
    EXPECT_EQ(run.Program().WaitForExit(kExitTimeoutMs), 0u);
    EXPECT_TRUE(FolderEntries(run.WorkRoot()).empty());
}

TEST_F(GuiInstallTest, InstallerThatInstallsNothingEndsWithTheError) {
    TestFolder records;
    const std::wstring record = records / L"installer-ran.txt";
    AlbumOptions options;
    options.installer = L"test_installer.exe";
    options.environment = {L"DOVETTA_TEST_RECORD=" + record};
    PlayerRun run(options);
    HWND box = StartAndWaitForPrompt(run);
    ASSERT_TRUE(box);
    PressButton(box, IDYES);
    ASSERT_NO_FATAL_FAILURE(ExpectInstallFailedThenEnd(run));
    EXPECT_EQ(ReadText(record), L"/Q");  // started once, silently
}

TEST_F(GuiInstallTest, InstalledVersionTooOldEndsWithTheError) {
    AlbumOptions options;
    options.require = L"99.0.0.0";
    PlayerRun run(options);
    HWND box = StartAndWaitForPrompt(run);
    ASSERT_TRUE(box);
    PressButton(box, IDYES);
    ASSERT_NO_FATAL_FAILURE(ExpectInstallFailedThenEnd(run));
    EXPECT_TRUE(IsFile(FlashOcxPath()));  // installed, but older than the album asks for
}

// Movies of recent formats ask for recent players (format 21 for 11.8, format 32 for 21.0); the
// carried control is of the reference player's last release, so it installs and plays them.
class GuiRecentFormatTest : public GuiInstallTest, public ::testing::WithParamInterface<uint8_t> {};

TEST_P(GuiRecentFormatTest, InstallsTheCarriedControlAndPlays) {
    AlbumOptions options;
    options.movieVersion = GetParam();
    PlayerRun run(options);
    HWND box = StartAndWaitForPrompt(run);
    ASSERT_TRUE(box);
    PressButton(box, IDYES);
    HWND player = run.WaitForPlayer(L"Autumn Journey");
    ASSERT_TRUE(player) << "the player did not open after the installation";
    EXPECT_TRUE(TopLevelWindows(run.Program().ProcessId(), L"#32770", L"Error").empty());
    ::PostMessageW(player, WM_CLOSE, 0, 0);
    EXPECT_EQ(run.Program().WaitForExit(kExitTimeoutMs), 0u);
}

INSTANTIATE_TEST_SUITE_P(Formats, GuiRecentFormatTest, ::testing::Values(uint8_t(21), uint8_t(32)),
                         [](const ::testing::TestParamInfo<uint8_t>& info) {
                             return "Format" + std::to_string(int(info.param));
                         });

// The file version in the fixed version information of a module's bytes, rewritten in place.
bool SetFileVersion(std::vector<uint8_t>& module, uint16_t major, uint16_t minor, uint16_t release, uint16_t build) {
    const uint8_t signature[] = {0xBD, 0x04, 0xEF, 0xFE};
    const auto at = std::search(module.begin(), module.end(), std::begin(signature), std::end(signature));
    if (at == module.end() || module.end() - at < 16)
        return false;
    const uint16_t parts[] = {minor, major, build, release};  // dwFileVersionMS, then LS, low word first
    uint8_t* field = &*at + 8;
    for (uint16_t part : parts) {
        *field++ = uint8_t(part);
        *field++ = uint8_t(part >> 8);
    }
    return true;
}

std::vector<uint8_t> ReadBytes(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), {});
}

void WriteBytes(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path.c_str(), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// A control of another version in place of the installed one: a newer one stays, an older one
// is replaced by the carried control.
TEST_F(GuiInstallTest, SetupNeverReplacesANewerControl) {
    ASSERT_EQ(RunToEnd(Bin(L"MovieControlSetup.exe"), L"/Q"), 0u);
    const std::vector<uint8_t> carried = ReadBytes(FlashOcxPath());
    ASSERT_FALSE(carried.empty());
    // The installer carries the control deflated: what it writes is the control the build made.
    EXPECT_EQ(carried, ReadBytes(Bin(L"MovieControl.ocx")));

    std::vector<uint8_t> newer = carried;
    ASSERT_TRUE(SetFileVersion(newer, 40, 0, 0, 1));
    WriteBytes(FlashOcxPath(), newer);
    EXPECT_EQ(RunToEnd(Bin(L"MovieControlSetup.exe"), L"/Q"), 0u);
    EXPECT_EQ(ReadBytes(FlashOcxPath()), newer) << "a newer control was replaced";

    std::vector<uint8_t> older = carried;
    ASSERT_TRUE(SetFileVersion(older, 10, 2, 0, 1));
    WriteBytes(FlashOcxPath(), older);
    EXPECT_EQ(RunToEnd(Bin(L"MovieControlSetup.exe"), L"/Q"), 0u);
    EXPECT_EQ(ReadBytes(FlashOcxPath()), carried) << "an older control was kept";
}

// The installer cannot be started. A refused elevation prompt (the installer asks for an
// administrator) ends the same way on Windows - the shell reports that nothing was started -
// and Wine, which has no such prompt, cannot refuse it.
TEST_F(GuiInstallTest, MissingInstallerFileEndsWithTheError) {
    PlayerRun run;
    HWND box = StartAndWaitForPrompt(run);
    ASSERT_TRUE(box);
    const std::wstring installer = run.WorkFolder() + L"\\84512712.exe";
    ASSERT_TRUE(IsFile(installer));
    ASSERT_TRUE(::DeleteFileW(installer.c_str()));
    PressButton(box, IDYES);
    ASSERT_NO_FATAL_FAILURE(ExpectInstallFailedThenEnd(run));
    EXPECT_FALSE(IsFile(FlashOcxPath()));
}

// While the installer runs, timer messages for the Status dialog are dropped: were one
// dispatched, the dialog's start timer would run again and ask a second time.
TEST_F(GuiInstallTest, TimerMessagesDuringTheWaitAreDropped) {
    AlbumOptions options;
    options.installer = L"test_installer.exe";
    TestFolder records;
    const std::wstring record = records / L"installer-ran.txt";
    options.environment = {L"DOVETTA_TEST_INSTALLER=slow", L"DOVETTA_TEST_DELAY_MS=2500",
                           L"DOVETTA_TEST_SETUP=" + Bin(L"MovieControlSetup.exe"), L"DOVETTA_TEST_RECORD=" + record};
    PlayerRun run(options);
    HWND box = StartAndWaitForPrompt(run);
    ASSERT_TRUE(box);
    HWND status = StatusWindow(run.Program().ProcessId(), L"Autumn Journey");
    ASSERT_TRUE(status);
    PressButton(box, IDYES);
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(box); }, 5000));
    // The installer has started: from here on the player is in its wait.
    ASSERT_TRUE(WaitUntil([&] { return IsFile(record); }, kStartTimeoutMs)) << "the installer did not start";

    bool askedAgain = false;
    const ULONGLONG end = ::GetTickCount64() + 2000;
    while (::GetTickCount64() < end) {
        ::PostMessageW(status, WM_TIMER, 10, 0);
        askedAgain |= !TopLevelWindows(run.Program().ProcessId(), L"#32770", L"Notification").empty();
        ::Sleep(100);
    }
    // Every timer message went in while the installer still ran (it installs the control only
    // after its delay), so the wait saw them all.
    EXPECT_FALSE(IsFile(FlashOcxPath())) << "the installer ended before the last timer message";
    // A timer message dispatched during the wait would have asked again, and that question would
    // hold the player back: its opening is the proof.
    HWND player = run.WaitForPlayer(L"Autumn Journey");
    askedAgain |= !TopLevelWindows(run.Program().ProcessId(), L"#32770", L"Notification").empty();
    EXPECT_FALSE(askedAgain) << "a timer message was dispatched during the wait";
    ASSERT_TRUE(player);
    ::PostMessageW(player, WM_CLOSE, 0, 0);
    EXPECT_EQ(run.Program().WaitForExit(kExitTimeoutMs), 0u);
}
