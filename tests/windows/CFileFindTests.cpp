// The file finder: one entry ahead, absolute paths, any path length.
#include "framework/CFileFind.h"

#include "TestFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <type_traits>

static_assert(!std::is_copy_constructible_v<CFileFind> && !std::is_copy_assignable_v<CFileFind>);
static_assert(std::is_nothrow_move_constructible_v<CFileFind>);

namespace {

struct Seen {
    std::wstring name;
    std::wstring path;
    bool directory;
    bool dots;
    bool operator<(const Seen& other) const { return name < other.name; }
    bool operator==(const Seen& other) const = default;
};

void PrintTo(const Seen& s, std::ostream* out) {
    *out << (s.directory ? "folder " : "file ") << s.name.size() << " units" << (s.dots ? " dots" : "");
}

std::vector<Seen> ListAll(CFileFind& finder) {
    std::vector<Seen> seen;
    bool more = true;
    while (more) {
        more = finder.FindNextFile();
        seen.push_back({finder.GetFileName(), finder.GetFilePath(), finder.IsDirectory(), finder.IsDots()});
    }
    std::sort(seen.begin(), seen.end());
    return seen;
}

class FileFind : public testing::Test {
protected:
    void SetUp() override {
        MakeFolder(folder / L"d");
        MakeFile(folder / L"d\\a.txt");
        MakeFile(folder / L"d\\noext");
        MakeFolder(folder / L"d\\sub");
    }

    std::vector<Seen> Expected() const {
        const std::wstring d = folder / L"d";
        return {{L".", d + L"\\.", true, true},
                {L"..", d + L"\\..", true, true},
                {L"a.txt", d + L"\\a.txt", false, false},
                {L"noext", d + L"\\noext", false, false},
                {L"sub", d + L"\\sub", true, false}};
    }

    TestFolder folder;
};

}  // namespace

TEST_F(FileFind, ListsEveryEntryWithItsAbsolutePath) {
    CFileFind finder;
    ASSERT_TRUE(finder.FindFile(folder / L"d\\*.*"));
    EXPECT_EQ(ListAll(finder), Expected());
}

TEST_F(FileFind, MakesARelativePatternAbsolute) {
    ScopedCurrentDirectory inFolder(folder.Path());
    CFileFind finder;
    ASSERT_TRUE(finder.FindFile(L"d\\*.*"));
    EXPECT_EQ(finder.GetRoot(), folder / L"d");
    EXPECT_EQ(ListAll(finder), Expected());
}

TEST_F(FileFind, AcceptsForwardSlashes) {
    std::wstring pattern = folder / L"d/*.*";
    std::replace(pattern.begin(), pattern.end(), L'\\', L'/');
    CFileFind finder;
    ASSERT_TRUE(finder.FindFile(pattern));
    EXPECT_EQ(ListAll(finder), Expected());
}

TEST_F(FileFind, PutsNoSecondSeparatorAfterARoot) {
    CFileFind finder;
    ASSERT_TRUE(finder.FindFile(L"C:\\*.*"));
    EXPECT_EQ(finder.GetRoot(), L"C:\\");
    finder.FindNextFile();
    EXPECT_EQ(finder.GetFilePath(), L"C:\\" + finder.GetFileName());
}

TEST_F(FileFind, FailsForAFolderThatDoesNotExist) {
    CFileFind finder;
    EXPECT_FALSE(finder.FindFile(folder / L"missing\\*.*"));
    EXPECT_FALSE(finder.FindNextFile());
}

TEST_F(FileFind, TheEntryInHandMayBeDeleted) {
    for (int i = 0; i < 40; ++i)
        MakeFile(folder / (L"d\\sub\\f" + std::to_wstring(i)));
    CFileFind finder;
    int deleted = 0;
    bool more = finder.FindFile(folder / L"d\\sub\\*.*");
    while (more) {
        more = finder.FindNextFile();
        if (!finder.IsDirectory() && DeleteFileW(finder.GetFilePath().c_str()))
            ++deleted;
    }
    EXPECT_EQ(deleted, 40);
}

TEST_F(FileFind, AMovedFinderCarriesOn) {
    CFileFind first;
    ASSERT_TRUE(first.FindFile(folder / L"d\\*.*"));
    CFileFind second(std::move(first));
    EXPECT_FALSE(first.FindNextFile());
    EXPECT_EQ(ListAll(second), Expected());
}

TEST_F(FileFind, HandlesPathsLongerThanMaxPath) {
    std::wstring deep = folder / L"d";
    while (deep.size() < 300) {
        deep += L"\\" + std::wstring(40, L'n');
        MakeFolder(deep);
    }
    MakeFile(deep + L"\\leaf.txt");
    CFileFind finder;
    ASSERT_TRUE(finder.FindFile(deep + L"\\*.*"));
    const std::vector<Seen> seen = ListAll(finder);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[2].path, deep + L"\\leaf.txt");
}
