// The start-up loader on album files made here: what it writes into the working folder, the
// values it yields, and the exact trace sequence, including damaged and hostile albums.
#include "flashcheck/ModuleVersion.h"
#include "payload/AlbumFormat.h"
#include "payload/PayloadLoader.h"
#include "platform/Handles.h"
#include "MemoryAlbum.h"
#include "TestFolder.h"
#include "TraceRecorder.h"
#include "workspace/ExtractFolder.h"
#include "workspace/FolderRemoval.h"
#include "workspace/ResolvedPath.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

using album::AlbumParts;
using testing_album::Bytes;
using testing_album::MemorySink;
using testing_album::MemorySource;

namespace {

using Traces = std::vector<std::wstring>;

std::wstring Widen(const std::string& s) {
    return std::wstring(s.begin(), s.end());
}

void WriteWhole(const std::wstring& path, const std::string& bytes) {
    std::ofstream out(path.c_str(), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
}

struct Extra {
    std::u16string name;
    std::string bytes;
};

struct AlbumRecipe {
    std::string player = "MZ-player-program";
    std::string installer = "MZ-installer";
    album::Version required{6, 0, 79, 0};
    std::vector<Extra> files;
    std::string movie = "FWS-movie";
    int32_t width = 800, height = 600;
    std::u16string title = u"Autumn Journey";
};

std::string BuildAlbum(const AlbumRecipe& recipe) {
    MemorySource player(recipe.player), installer(recipe.installer), movie(recipe.movie);
    std::vector<std::unique_ptr<MemorySource>> sources;
    AlbumParts parts;
    parts.player = &player;
    parts.installer = &installer;
    parts.required = recipe.required;
    for (const Extra& f : recipe.files) {
        sources.push_back(std::make_unique<MemorySource>(f.bytes));
        parts.files.push_back({f.name, sources.back().get()});
    }
    parts.movie = &movie;
    parts.width = recipe.width;
    parts.height = recipe.height;
    parts.title = recipe.title;
    MemorySink sink;
    EXPECT_TRUE(album::WriteAlbum(parts, sink));
    return sink.bytes;
}

// Whether the loader's version check will find the control (the prefix may have one installed).
bool ControlMeets(const album::Version& v) {
    return CheckModuleVersion(FlashOcxPath(), v);
}

class PayloadLoaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_folder = GetExtractFolder();  // created once per process; emptied for every test
        RemoveFolderTree(m_folder);
        ::DeleteFileW((m_folder + L"\\..\\escape.txt").c_str());  // left by an earlier failure
        wchar_t temp[MAX_PATH];
        ::GetTempPathW(MAX_PATH, temp);
        m_scratch = std::wstring(temp) + L"dovetta-loader-test";
        ::CreateDirectoryW(m_scratch.c_str(), nullptr);
        m_program = m_scratch + L"\\album.exe";
        ClearTraces();
    }
    void TearDown() override {
        RemoveFolderTree(m_folder);
        RemoveFolder(m_scratch);
    }

    LoadResult Load(const std::string& programBytes) {
        WriteWhole(m_program, programBytes);
        ClearTraces();
        return m_data.LoadPayload(m_program);
    }

    std::wstring InFolder(const std::wstring& name) const { return m_folder + L"\\" + name; }

    // The traces of one load up to the end of the dependencies.
    Traces Head(uint32_t datasize, uint32_t exeSize, int count) const {
        return {L"BEGIN GetExtractFolder",
                L"END GetExtractFolder",
                L"Checking file signature = 847654376",
                L"Signature ok",
                L"datasize = " + std::to_wstring(datasize),
                L"exeSize = " + std::to_wstring(exeSize),
                L"Reading External Dependency",
                L"Total external dependency = " + std::to_wstring(count)};
    }

    std::wstring m_folder, m_scratch, m_program;
    PlayerData m_data;
};

uint32_t DatasizeOf(const std::string& album) {
    return album::ReadU32(reinterpret_cast<const unsigned char*>(album.data()) + album.size() - 8);
}

}  // namespace

TEST_F(PayloadLoaderTest, ScaledWorkedExampleWritesBothFilesAndTracesEveryStep) {
    AlbumRecipe recipe;
    recipe.player = "MZ" + std::string(510, 'p');
    recipe.installer = "MZ" + std::string(546, 'i');
    recipe.movie = "CWS" + std::string(3188, 'm');
    const std::string bytes = BuildAlbum(recipe);
    ASSERT_EQ(DatasizeOf(bytes), 3809u);

    EXPECT_EQ(Load(bytes), LoadResult::NoError);

    EXPECT_EQ(ReadFileContent(InFolder(L"84512712.exe")), recipe.installer);
    EXPECT_EQ(ReadFileContent(InFolder(L"84512712.swf")), recipe.movie);
    EXPECT_EQ(FolderEntries(m_folder), (std::vector<std::wstring>{L"84512712.exe", L"84512712.swf"}));
    EXPECT_EQ(m_data.m_width, 800);
    EXPECT_EQ(m_data.m_height, 600);
    EXPECT_EQ(m_data.m_titleText, L"Autumn Journey");
    EXPECT_EQ(m_data.m_requiredVersion, (ProductVersion{6, 0, 79, 0}));
    EXPECT_EQ(m_data.m_dependencyCount, 0);

    const bool control = ControlMeets(recipe.required);
    EXPECT_EQ(m_data.m_flashPresent, control);
    Traces expected = Head(3809, 548, 0);
    expected.insert(expected.end(), {L"Reading SWF file", L"Reading SWF size = 3191",
                                     L"SWF is saved into " + InFolder(L"84512712.swf"), L"SWF save ok"});
    if (!control)
        expected.push_back(L"No flash player detected");
    expected.push_back(L"SWF file exist");
    EXPECT_EQ(RecordedTraces(), expected);
}

TEST_F(PayloadLoaderTest, ProgramWithoutAlbumKeepsDefaultsAndWritesNothing) {
    EXPECT_EQ(Load(std::string("MZ plain program") + "\x01\x02\x03\x04"), LoadResult::NoError);
    EXPECT_EQ(RecordedTraces(),
              (Traces{L"BEGIN GetExtractFolder", L"END GetExtractFolder", L"Checking file signature = 67305985"}));
    EXPECT_TRUE(FolderEntries(m_folder).empty());
    EXPECT_TRUE(m_data.m_flashPresent);
    EXPECT_EQ(m_data.m_width, 600);
    EXPECT_EQ(m_data.m_height, 400);
    EXPECT_TRUE(m_data.m_titleText.empty());
}

TEST_F(PayloadLoaderTest, MissingProgramFileIsLikeNoAlbum) {
    ClearTraces();
    EXPECT_EQ(m_data.LoadPayload(m_scratch + L"\\no-such-program.exe"), LoadResult::NoError);
    EXPECT_EQ(RecordedTraces().back(), L"Checking file signature = 0");
    EXPECT_TRUE(FolderEntries(m_folder).empty());
}

TEST_F(PayloadLoaderTest, ExtraFilesAreWrittenUnderTheirOwnNames) {
    AlbumRecipe recipe;
    recipe.files = {{u"a.png", "short"}, {u"a-much-longer-name-for-the-second.xml", "long one"}, {u"b.png", ""}};
    EXPECT_EQ(Load(BuildAlbum(recipe)), LoadResult::NoError);
    EXPECT_EQ(ReadFileContent(InFolder(L"a.png")), "short");
    EXPECT_EQ(ReadFileContent(InFolder(L"a-much-longer-name-for-the-second.xml")), "long one");
    EXPECT_TRUE(FileExists(InFolder(L"b.png")));
    EXPECT_EQ(ReadFileContent(InFolder(L"b.png")), "");
    EXPECT_EQ(m_data.m_dependencyCount, 3);
    EXPECT_EQ(RecordedTraces()[7], L"Total external dependency = 3");
    EXPECT_EQ(RecordedTraces()[8], L"Reading SWF file");
}

TEST_F(PayloadLoaderTest, NamesLikeTheFixedFilesAndRepeatedNamesOverwriteInOrder) {
    AlbumRecipe recipe;
    recipe.files = {{u"84512712.exe", "replaces installer"},
                    {u"84512712.swf", "replaced by movie"},
                    {u"same.txt", "first"},
                    {u"same.txt", "second"}};
    EXPECT_EQ(Load(BuildAlbum(recipe)), LoadResult::NoError);
    EXPECT_EQ(ReadFileContent(InFolder(L"84512712.exe")), "replaces installer");
    EXPECT_EQ(ReadFileContent(InFolder(L"84512712.swf")), recipe.movie);
    EXPECT_EQ(ReadFileContent(InFolder(L"same.txt")), "second");
}

// Names from a stranger's album are never used to leave the working folder or to reach a
// device: each is a file that cannot be created, and the load stops there with result 3.
TEST_F(PayloadLoaderTest, UnsafeNamesStopTheLoadAndNothingLandsOutside) {
    const std::u16string names[] = {
        u"..\\escape.txt",
        u"../escape.txt",
        u"sub\\file.txt",
        u"C:escape.txt",
        u"c:\\escape.txt",
        u"\\\\server\\share\\escape.txt",
        u".",
        u"..",
        u"",
        u"CON",
        u"nul.txt",
        u"nul .txt",
        u"COM1",
        u"CON.",
        u"aux:stream",
        u":stream",
        u"..:escape.txt",
        u".:stream",
        std::u16string(520, u'n'),
    };
    for (const std::u16string& name : names) {
        SCOPED_TRACE(Widen(std::string(name.begin(), name.end()).substr(0, 40)).c_str());
        RemoveFolderTree(m_folder);
        AlbumRecipe recipe;
        recipe.files = {{u"good.txt", "kept"}, {name, "hostile"}, {u"after.txt", "never"}};
        const std::string bytes = BuildAlbum(recipe);
        EXPECT_EQ(Load(bytes), LoadResult::ResourceInstallFailed);

        Traces expected = Head(DatasizeOf(bytes), uint32_t(recipe.installer.size()), 3);
        expected.push_back(L"Reading External Dependency error");
        EXPECT_EQ(RecordedTraces(), expected);
        EXPECT_EQ(FolderEntries(m_folder), (std::vector<std::wstring>{L"84512712.exe", L"good.txt"}));
        EXPECT_FALSE(FileExists(m_folder + L"\\..\\escape.txt"));
        EXPECT_FALSE(FileExists(m_scratch + L"\\escape.txt"));
        EXPECT_TRUE(m_data.m_flashPresent);  // the version check is skipped
        EXPECT_EQ(m_data.m_width, 600);
        EXPECT_TRUE(m_data.m_titleText.empty());
    }
}

// Names the tool never stores but that are no danger - a trailing dot or space, a stream of a
// file in the folder, unpaired surrogates, characters a file system may refuse - are handed to
// the system as they are: the loader writes exactly what the system writes for that name in a
// folder (or stops with result 3 where the system refuses it), always inside the folder, and the
// removal at exit takes it away again.
TEST_F(PayloadLoaderTest, OtherNamesAreWrittenAsTheSystemWritesThemInsideTheFolder) {
    struct Case {
        std::u16string name;
        bool systemMustWrite;  // every system the player runs on writes this one
    } cases[] = {
        {u"trailing.", true},        {u"trailing ", true},          {u"dots and space. .", true},
        {u"data.txt:stream", false}, {u"movie.swf:x:$DATA", false}, {u"lone\xD800high", false},
        {u"lone\xDC00low", false},   {u"tab\tname", false},         {u"what?.txt", false},
        {u"star*.txt", false},       {u"pipe|.txt", false},         {u"quote\".txt", false},
        {u"less<.txt", false},
    };
    const std::wstring parent = m_folder.substr(0, m_folder.rfind(L'\\'));
    const std::wstring oracle = m_scratch + L"\\system";
    for (const Case& c : cases) {
        const std::wstring name(c.name.begin(), c.name.end());
        SCOPED_TRACE(Widen(std::string(c.name.begin(), c.name.end())).c_str());
        // What the system itself makes of the name in an empty folder.
        RemoveFolderTree(oracle);
        ::CreateDirectoryW(oracle.c_str(), nullptr);
        bool systemWrites = false;
        {
            UniqueFileHandle made(::CreateFileW(LiteralPath(oracle, name).c_str(), GENERIC_WRITE, 0, nullptr,
                                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
            systemWrites = bool(made);
        }
        const std::vector<std::wstring> systemEntries = FolderEntries(oracle);
        if (c.systemMustWrite) {
            ASSERT_TRUE(systemWrites);
            ASSERT_EQ(systemEntries, std::vector<std::wstring>{name});
        }

        RemoveFolderTree(m_folder);
        AlbumRecipe recipe;
        recipe.files = {{u"good.txt", "kept"}, {c.name, "unusual"}, {u"after.txt", "after"}};
        const std::string bytes = BuildAlbum(recipe);
        WriteWhole(m_program, bytes);
        const std::vector<std::wstring> parentBefore = FolderEntries(parent);
        const std::vector<std::wstring> scratchBefore = FolderEntries(m_scratch);
        ClearTraces();
        const LoadResult result = m_data.LoadPayload(m_program);

        std::vector<std::wstring> expected = {L"84512712.exe", L"good.txt"};
        if (systemWrites) {
            EXPECT_EQ(result, LoadResult::NoError);
            expected.insert(expected.end(), {L"84512712.swf", L"after.txt"});
            expected.insert(expected.end(), systemEntries.begin(), systemEntries.end());
            EXPECT_EQ(ReadFileContent(LiteralPath(m_folder, name)), "unusual");
            EXPECT_EQ(ReadFileContent(InFolder(L"after.txt")), "after");
        } else {
            EXPECT_EQ(result, LoadResult::ResourceInstallFailed);
            Traces traces = Head(DatasizeOf(bytes), uint32_t(recipe.installer.size()), 3);
            traces.push_back(L"Reading External Dependency error");
            EXPECT_EQ(RecordedTraces(), traces);
        }
        std::sort(expected.begin(), expected.end());
        std::vector<std::wstring> entries = FolderEntries(m_folder);
        std::sort(entries.begin(), entries.end());
        EXPECT_EQ(entries, expected);
        EXPECT_EQ(FolderEntries(parent), parentBefore);
        EXPECT_EQ(FolderEntries(m_scratch), scratchBefore);

        RemoveFolderTree(m_folder);
        EXPECT_TRUE(FolderEntries(m_folder).empty()) << "the removal at exit left an entry";
    }
    RemoveFolder(oracle);
}

TEST_F(PayloadLoaderTest, DependencyThatCannotBeCreatedStopsWithResult3) {
    ::CreateDirectoryW(InFolder(L"taken").c_str(), nullptr);
    AlbumRecipe recipe;
    recipe.files = {{u"taken", "a folder has this name"}};
    EXPECT_EQ(Load(BuildAlbum(recipe)), LoadResult::ResourceInstallFailed);
    EXPECT_EQ(RecordedTraces().back(), L"Reading External Dependency error");
    EXPECT_FALSE(FileExists(InFolder(L"84512712.swf")));
    EXPECT_TRUE(m_data.m_flashPresent);
}

TEST_F(PayloadLoaderTest, MovieThatCannotBeWrittenGives3AndTheCheckStillRuns) {
    ::CreateDirectoryW(InFolder(L"84512712.swf").c_str(), nullptr);
    AlbumRecipe recipe;
    recipe.required = {0xFFFFFFFF, 0, 0, 0};  // no installed control can meet this
    const std::string bytes = BuildAlbum(recipe);
    EXPECT_EQ(Load(bytes), LoadResult::ResourceInstallFailed);
    Traces expected = Head(DatasizeOf(bytes), uint32_t(recipe.installer.size()), 0);
    expected.insert(expected.end(), {L"Reading SWF file", L"Reading SWF size = " + std::to_wstring(recipe.movie.size()),
                                     L"SWF is saved into " + InFolder(L"84512712.swf"), L"SWF save error",
                                     L"No flash player detected", L"SWF file does not exist"});
    EXPECT_EQ(RecordedTraces(), expected);
    EXPECT_FALSE(m_data.m_flashPresent);
    EXPECT_EQ(m_data.m_titleText, L"Autumn Journey");
}

TEST_F(PayloadLoaderTest, InstallerThatCannotBeWrittenIsTracedAndTheMovieStillPlays) {
    ::CreateDirectoryW(InFolder(L"84512712.exe").c_str(), nullptr);
    AlbumRecipe recipe;
    EXPECT_EQ(Load(BuildAlbum(recipe)), LoadResult::NoError);
    const Traces& traces = RecordedTraces();
    EXPECT_EQ(traces[5], L"exeSize = " + std::to_wstring(recipe.installer.size()));
    EXPECT_EQ(traces[6], L"Installer save error");
    EXPECT_EQ(traces[7], L"Reading External Dependency");
    EXPECT_EQ(ReadFileContent(InFolder(L"84512712.swf")), recipe.movie);
}

TEST_F(PayloadLoaderTest, TitleFollowsItsStoredLength) {
    struct Case {
        std::u16string title;
        std::wstring expected;
    } cases[] = {
        {u"Autumn Journey", L"Autumn Journey"},
        {u"", L""},
        {std::u16string(600, u'x'), std::wstring(500, L'x')},
    };
    for (const Case& c : cases) {
        RemoveFolderTree(m_folder);
        AlbumRecipe recipe;
        recipe.title = c.title;
        recipe.movie = "FWS movie after which the title stands";
        EXPECT_EQ(Load(BuildAlbum(recipe)), LoadResult::NoError);
        EXPECT_EQ(m_data.m_titleText, c.expected);
        EXPECT_EQ(ReadFileContent(InFolder(L"84512712.swf")), recipe.movie);
    }
}

TEST_F(PayloadLoaderTest, NegativeCountWritesNoExtraFile) {
    Bytes body;
    body.u32(2)
        .u32(0)
        .u32(0)
        .u32(0)
        .u32(0)
        .raw("MZ")
        .u32(0xFFFFFFFF)
        .u32(3)
        .u32(5)
        .u32(7)
        .raw("FWS")
        .u32(1)
        .utf16(std::u16string(1, u'\0'));
    Bytes file;
    file.raw("MZ").raw(body.str()).u32(uint32_t(body.size())).u32(album::kSignature);
    EXPECT_EQ(Load(file.str()), LoadResult::NoError);
    EXPECT_EQ(RecordedTraces()[7], L"Total external dependency = -1");
    EXPECT_EQ(FolderEntries(m_folder), (std::vector<std::wstring>{L"84512712.exe", L"84512712.swf"}));
    EXPECT_EQ(m_data.m_width, 5);
    EXPECT_EQ(m_data.m_height, 7);
}

// A damaged block is found before anything is written.
TEST_F(PayloadLoaderTest, DamagedBlocksWriteNothing) {
    AlbumRecipe recipe;
    recipe.files = {{u"one.txt", "1"}};
    const std::string good = BuildAlbum(recipe);
    const uint32_t datasize = DatasizeOf(good);
    auto withDatasize = [&](uint32_t value) {
        std::string bytes = good;
        const size_t at = bytes.size() - 8;
        for (int i = 0; i < 4; ++i)
            bytes[at + i] = char((value >> (8 * i)) & 0xFF);
        return bytes;
    };
    // The movie's size field made larger than what follows it.
    std::string longMovie = good;
    const size_t swfSizeAt = good.size() - 8 - (4 + 2 * 15) - recipe.movie.size() - 12;
    longMovie[swfSizeAt + 3] = 0x10;

    struct Case {
        const char* what;
        std::string bytes;
        const wchar_t* field;
    } cases[] = {
        {"datasize past the file start", withDatasize(uint32_t(good.size())), L"datasize"},
        {"datasize shorter than the fields", withDatasize(datasize - 3), nullptr},
        {"movie size past the trailer", longMovie, L"movie"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RemoveFolderTree(m_folder);
        EXPECT_EQ(Load(c.bytes), LoadResult::ResourceInstallFailed);
        EXPECT_TRUE(FolderEntries(m_folder).empty());
        const Traces& traces = RecordedTraces();
        ASSERT_EQ(traces.size(), 6u);
        EXPECT_EQ(traces[3], L"Signature ok");
        const std::wstring prefix = L"Payload damaged at ";
        EXPECT_EQ(traces[5].substr(0, prefix.size()), prefix);
        if (c.field) {
            EXPECT_EQ(traces[5], prefix + c.field);
        }
        EXPECT_TRUE(m_data.m_flashPresent);
    }
}

// The album is cut short while it is being read (a file on a share that another machine
// rewrites, a download still in progress): the load ends with 3, and no file in the folder is
// a partial copy - each one there is whole.
TEST_F(PayloadLoaderTest, AlbumCutShortWhileLoadingGives3AndLeavesOnlyWholeFiles) {
    AlbumRecipe recipe;
    recipe.installer = "MZ" + std::string(300000, 'i');
    recipe.files = {{u"notes.txt", std::string(300000, 'e')}};
    recipe.movie = "FWS" + std::string(300000, 'm');
    const std::string bytes = BuildAlbum(recipe);
    auto middleOf = [&](const std::string& part) { return bytes.find(part) + part.size() / 2; };

    struct Case {
        const char* what;
        const wchar_t* cutAfterTrace;  // the step at which the file shrinks
        size_t cutTo;
        const wchar_t* failureTrace;
        std::vector<std::wstring> wholeFiles;
    } cases[] = {
        {"inside the installer, before it is copied",
         L"exeSize = ",
         middleOf(recipe.installer),
         L"Installer save error",
         {}},
        {"inside the extra file, before the extras are read",
         L"Reading External Dependency",
         middleOf(recipe.files[0].bytes),
         L"Reading External Dependency error",
         {L"84512712.exe"}},
        {"inside the movie, before it is copied",
         L"SWF save ok",
         middleOf(recipe.movie),
         L"SWF write error",
         {L"84512712.exe", L"notes.txt"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RemoveFolderTree(m_folder);
        WriteWhole(m_program, bytes);
        ClearTraces();
        // The cut happens inside the load: its outcome is checked once the load has returned.
        bool cut = false;
        DWORD cutError = 0;
        OnTrace(c.cutAfterTrace, [&] {
            UniqueFileHandle album(::CreateFileW(m_program.c_str(), GENERIC_WRITE,
                                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                 OPEN_EXISTING, 0, nullptr));
            LARGE_INTEGER at{};
            at.QuadPart = LONGLONG(c.cutTo);
            cut = album && ::SetFilePointerEx(album.get(), at, nullptr, FILE_BEGIN) && ::SetEndOfFile(album.get());
            cutError = ::GetLastError();
        });

        const LoadResult result = m_data.LoadPayload(m_program);
        ASSERT_TRUE(cut) << "the album could not be cut short: error " << cutError;
        EXPECT_EQ(result, LoadResult::ResourceInstallFailed);

        const Traces& traces = RecordedTraces();
        EXPECT_NE(std::find(traces.begin(), traces.end(), c.failureTrace), traces.end());
        EXPECT_EQ(FolderEntries(m_folder), c.wholeFiles);
        for (const std::wstring& name : c.wholeFiles)
            EXPECT_EQ(ReadFileContent(InFolder(name)), name == L"notes.txt" ? recipe.files[0].bytes : recipe.installer);
    }
}

// The program file cannot be opened at all (held by another program that shares nothing): a
// clean start with the defaults, nothing written.
TEST_F(PayloadLoaderTest, ProgramFileThatCannotBeOpenedIsLikeNoAlbum) {
    WriteWhole(m_program, BuildAlbum(AlbumRecipe{}));
    UniqueFileHandle held(::CreateFileW(m_program.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    ClearTraces();
    EXPECT_EQ(m_data.LoadPayload(m_program), LoadResult::NoError);
    EXPECT_EQ(RecordedTraces().back(), L"Checking file signature = 0");
    EXPECT_TRUE(FolderEntries(m_folder).empty());
    EXPECT_EQ(m_data.m_width, 600);
    EXPECT_EQ(m_data.m_height, 400);
}

// Sizes are 64-bit: an album behind more than 4 GiB of program (a sparse file) still loads.
TEST_F(PayloadLoaderTest, ProgramOfMoreThan4GiBIsMeasuredWhole) {
    AlbumRecipe recipe;
    recipe.player = "";
    const std::string block = BuildAlbum(recipe);
    const uint64_t offset = (uint64_t(1) << 32) + 12345;
    {
        HANDLE h =
            ::CreateFileW(m_program.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        DWORD unused = 0;
        ::DeviceIoControl(h, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &unused, nullptr);
        LARGE_INTEGER at;
        at.QuadPart = LONGLONG(offset);
        ASSERT_TRUE(::SetFilePointerEx(h, at, nullptr, FILE_BEGIN));
        DWORD written = 0;
        ASSERT_TRUE(::WriteFile(h, block.data(), DWORD(block.size()), &written, nullptr));
        ::CloseHandle(h);
    }
    EXPECT_EQ(FileSizeOf(m_program), offset + block.size());
    ClearTraces();
    EXPECT_EQ(m_data.LoadPayload(m_program), LoadResult::NoError);
    EXPECT_EQ(ReadFileContent(InFolder(L"84512712.swf")), recipe.movie);
    EXPECT_EQ(m_data.m_titleText, L"Autumn Journey");
    ::DeleteFileW(m_program.c_str());
}

TEST(FileSizeOf, MissingFileIsZero) {
    EXPECT_EQ(FileSizeOf(L"C:\\no\\such\\file.bin"), 0u);
}
