// The player under real faults, run for real under Wine: a drive that fills up while the album
// is extracted, files at exit that cannot be deleted, twenty copies started at once, and a
// program file cut short.
#include "GuiAlbum.h"

#include "platform/Handles.h"
#include "platform/SystemLibrary.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <fstream>
#include <functional>

namespace {

// A 2 MiB drive, made by the ctest set-up step small_drive_setup (a tmpfs mounted as T:).
const wchar_t kSmallDrive[] = L"T:\\";
constexpr size_t kMoreThanTheSmallDrive = 3u << 20;
constexpr DWORD kManyProgramsTimeoutMs = 180000;

// Every file under a folder, with its path; folders themselves are not listed.
void CollectFiles(const std::wstring& folder, std::vector<std::wstring>& files) {
    for (const std::wstring& name : FolderEntries(folder)) {
        const std::wstring path = folder + (folder.back() == L'\\' ? L"" : L"\\") + name;
        if (IsFolder(path))
            CollectFiles(path, files);
        else
            files.push_back(path);
    }
}

std::wstring UnixPath(const std::wstring& path) {
    using ToUnix = char*(CDECL*)(const wchar_t*);
    const auto toUnix = ProcedureAddress<ToUnix>(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name");
    char* name = toUnix ? toUnix(path.c_str()) : nullptr;
    const std::string text = name ? name : "";
    ::HeapFree(::GetProcessHeap(), 0, name);
    return std::wstring(text.begin(), text.end());
}

// Runs a Unix program (Wine starts those, and gives no exit code for them) and waits until
// `done` holds; false after the time.
bool RunUnixProgram(std::wstring commandLine, const std::function<bool()>& done) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return false;
    UniqueKernelHandle process(info.hProcess), thread(info.hThread);
    return WaitUntil(done, 10000);
}

bool Exists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A symbolic link made on the Unix side (Wine cannot make links itself), taken away the same
// way: Wine's own calls act on what a link to a folder points to.
class UnixLink {
public:
    UnixLink(const std::wstring& target, const std::wstring& link) : m_link(link) {
        m_made = RunUnixProgram(L"Z:\\bin\\ln -s \"" + UnixPath(target) + L"\" \"" + UnixPath(link) + L"\"",
                                [&] { return Exists(link); });
    }
    ~UnixLink() {
        RunUnixProgram(L"Z:\\bin\\rm -f \"" + UnixPath(m_link) + L"\"", [&] { return !Exists(m_link); });
    }
    UnixLink(const UnixLink&) = delete;
    UnixLink& operator=(const UnixLink&) = delete;
    bool Made() const { return m_made; }

private:
    std::wstring m_link;
    bool m_made = false;
};

class GuiFaultTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_EQ(RunToEnd(Bin(L"MovieControlSetup.exe"), L"/Q"), 0u) << "the control could not be installed";
    }
};

struct DiskFullCase {
    const char* what;
    size_t moviePadding;
    std::vector<size_t> extraFileSizes;
    const wchar_t* failureTrace;  // the step at which the drive was full
};

class GuiDiskFullTest : public GuiFaultTest, public ::testing::WithParamInterface<DiskFullCase> {};

}  // namespace

// The working folder is on a drive that fills up during extraction: load result 3, the error
// box, no partial file at any time after the load, and the folder removed at exit.
TEST_P(GuiDiskFullTest, ShowsTheErrorLeavesNoPartialFileAndRemovesTheFolder) {
    if (::GetDriveTypeW(kSmallDrive) == DRIVE_NO_ROOT_DIR)
        GTEST_SKIP() << "drive T: is made by the ctest set-up step small_drive_setup (mounting needs root)";
    const std::wstring workRoot = std::wstring(kSmallDrive) + L"CorvaneWorkspace\\Temp";
    std::vector<std::wstring> before;
    CollectFiles(kSmallDrive, before);
    ASSERT_TRUE(before.empty()) << "the small drive is not empty";

    ::DeleteFileW(kTraceFile);
    AlbumOptions options;
    options.player = L"Dovetta-trace.exe";
    options.tmp = kSmallDrive;
    options.moviePadding = GetParam().moviePadding;
    options.extraFileSizes = GetParam().extraFileSizes;
    PlayerRun run(options);
    ASSERT_TRUE(run.Packed());
    run.Start();

    HWND box = WaitForWindow(run.Program().ProcessId(), L"#32770", L"Error", kStartTimeoutMs);
    ASSERT_TRUE(box);
    EXPECT_EQ(MessageBoxText(box), L"Unable to install resource file!");
    EXPECT_FALSE(PlayerIsOpen(run.Program().ProcessId()));
    // What the load left: only files that are whole (those written before the drive filled up).
    std::vector<std::wstring> left;
    CollectFiles(workRoot, left);
    for (const std::wstring& file : left) {
        const std::wstring name = file.substr(file.rfind(L'\\') + 1);
        if (name == L"84512712.exe")
            EXPECT_EQ(ReadFileContent(file), ReadFileContent(Bin(options.installer)));
        else if (name == L"extra-0.bin")
            EXPECT_EQ(ReadFileContent(file), std::string(options.extraFileSizes.at(0), 'e'));
        else
            ADD_FAILURE() << "partial file left: " << file;
    }

    PressButton(box, IDOK);
    EXPECT_EQ(run.Program().WaitForExit(kExitTimeoutMs), 0u);
    const std::vector<std::wstring> traces = TraceLines();
    EXPECT_NE(std::find(traces.begin(), traces.end(), GetParam().failureTrace), traces.end());
    EXPECT_TRUE(FolderEntries(workRoot).empty());
    std::vector<std::wstring> after;
    CollectFiles(kSmallDrive, after);
    EXPECT_TRUE(after.empty());
    DeleteTree(std::wstring(kSmallDrive) + L"CorvaneWorkspace");
}

INSTANTIATE_TEST_SUITE_P(
    Drive, GuiDiskFullTest,
    ::testing::Values(DiskFullCase{"movie", kMoreThanTheSmallDrive, {}, L"SWF write error"},
                      DiskFullCase{
                          "extra file", 0, {1000, kMoreThanTheSmallDrive}, L"Reading External Dependency error"}),
    [](const auto& info) { return info.param.what == std::string("movie") ? "Movie" : "ExtraFile"; });

// At exit a file of the working folder is read-only and another is held open by a program that
// shares nothing: the rest is removed, nothing is shown, the program ends.
TEST_F(GuiFaultTest, FilesThatCannotBeDeletedAtExitStayAndTheRestGoes) {
    PlayerRun run;
    HWND player = run.OpenPlayer();
    ASSERT_TRUE(player);
    const std::wstring folder = run.WorkFolder();
    ASSERT_FALSE(folder.empty());
    MakeFile(folder + L"\\read-only.txt");
    ASSERT_TRUE(::SetFileAttributesW((folder + L"\\read-only.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    MakeFile(folder + L"\\held.dat");
    UniqueFileHandle held(
        ::CreateFileW((folder + L"\\held.dat").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    MakeFolder(folder + L"\\sub");
    MakeFile(folder + L"\\sub\\gone.txt");

    ::PostMessageW(player, WM_CLOSE, 0, 0);
    // A box would hold the program open: ending in time means none was shown.
    EXPECT_EQ(run.Program().WaitForExit(kExitTimeoutMs), 0u);
    EXPECT_EQ(FolderEntries(folder), (std::vector<std::wstring>{L"held.dat", L"read-only.txt"}));

    held.reset();
    ::SetFileAttributesW((folder + L"\\read-only.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

// A link planted in the working folder while the player runs - to a folder and to a file
// outside it - is never followed at exit: what it points to survives. (Windows shows such links
// as links and they are removed as links; Wine shows a link to a file as the file itself, so
// there it stays, and with it the folder.)
TEST_F(GuiFaultTest, LinksPlantedInTheWorkingFolderAreNeverFollowedAtExit) {
    PlayerRun run;
    HWND player = run.OpenPlayer();
    ASSERT_TRUE(player);
    const std::wstring folder = run.WorkFolder();
    ASSERT_FALSE(folder.empty());
    const std::wstring keep = run.Folder() + L"\\keep";
    MakeFolder(keep);
    MakeFile(keep + L"\\precious.txt", "precious");
    MakeFile(run.Folder() + L"\\precious-file.txt", "precious");
    const UnixLink toFolder(keep, folder + L"\\link-to-folder");
    const UnixLink toFile(run.Folder() + L"\\precious-file.txt", folder + L"\\link-to-file");
    ASSERT_TRUE(toFolder.Made() && toFile.Made());
    ASSERT_TRUE(IsFile(folder + L"\\link-to-folder\\precious.txt"));  // the link leads there

    ::PostMessageW(player, WM_CLOSE, 0, 0);
    EXPECT_EQ(run.Program().WaitForExit(kExitTimeoutMs), 0u);
    EXPECT_EQ(ReadFileContent(keep + L"\\precious.txt"), "precious");
    EXPECT_EQ(ReadFileContent(run.Folder() + L"\\precious-file.txt"), "precious");
    EXPECT_FALSE(IsFile(folder + L"\\84512712.swf"));
    EXPECT_FALSE(IsFile(folder + L"\\84512712.exe"));
}

// Twenty copies of one album started at the same moment: twenty numbered folders, each movie
// whole while its player runs, and every folder gone once they have all closed.
TEST_F(GuiFaultTest, TwentyCopiesStartedAtOnceUseTwentyFoldersAndRemoveThemAll) {
    constexpr int kCopies = 20;
    PlayerRun run;
    ASSERT_TRUE(run.Packed());
    const std::string movie = ReadFileContent(run.Folder() + L"\\movie.swf");
    ASSERT_FALSE(movie.empty());

    std::vector<std::unique_ptr<RunningProgram>> players;
    for (int i = 0; i < kCopies; ++i)
        players.push_back(std::make_unique<RunningProgram>(run.Album(), L"", run.Folder(), run.Environment()));
    const bool allOpen = WaitUntil(
        [&] {
            for (const auto& p : players)
                if (!PlayerIsOpen(p->ProcessId()))
                    return false;
            return true;
        },
        kManyProgramsTimeoutMs);
    ASSERT_TRUE(allOpen) << "not every player opened";

    const std::vector<std::wstring> folders = FolderEntries(run.WorkRoot());
    EXPECT_EQ(folders.size(), size_t(kCopies));
    for (const std::wstring& number : folders)
        EXPECT_EQ(ReadFileContent(run.WorkRoot() + L"\\" + number + L"\\84512712.swf"), movie) << number;

    for (const auto& p : players)
        for (HWND window : TopLevelWindows(p->ProcessId()))
            if (::GetDlgItem(window, kMovieControlId))
                ::PostMessageW(window, WM_CLOSE, 0, 0);
    for (const auto& p : players)
        EXPECT_EQ(p->WaitForExit(kManyProgramsTimeoutMs), 0u);
    EXPECT_TRUE(FolderEntries(run.WorkRoot()).empty());
}

// The program file was cut short (a download that stopped): it starts cleanly with the default
// stage, never crashes, and cleans up.
TEST_F(GuiFaultTest, ProgramFileCutShortStartsWithTheDefaultStage) {
    PlayerRun run;
    ASSERT_TRUE(run.Packed());
    const std::string whole = ReadFileContent(run.Album());
    const size_t player = ReadFileContent(Bin(L"Dovetta.exe")).size();
    ASSERT_GT(whole.size(), player + 100);
    const struct {
        const char* what;
        size_t size;
    } cuts[] = {{"right after the player", player},
                {"inside the stored files", player + (whole.size() - player) / 2},
                {"inside the closing fields", whole.size() - 5}};
    for (const auto& cut : cuts) {
        SCOPED_TRACE(cut.what);
        {
            std::ofstream out(run.Album().c_str(), std::ios::binary | std::ios::trunc);
            out.write(whole.data(), std::streamsize(cut.size));
        }
        run.Start();
        HWND window = run.WaitForPlayer(L"");
        ASSERT_TRUE(window) << "no player window";
        const RECT stage = WindowRect(::GetDlgItem(window, kMovieControlId));
        EXPECT_EQ(Width(stage), 600);
        EXPECT_EQ(Height(stage), 400);
        const std::wstring folder = run.WorkFolder();
        EXPECT_TRUE(FolderEntries(folder).empty());
        ::PostMessageW(window, WM_CLOSE, 0, 0);
        EXPECT_EQ(run.Program().WaitForExit(kExitTimeoutMs), 0u);
        EXPECT_FALSE(IsFolder(folder));
    }
}
