// Removal of the working folder at exit: depth first, best effort, silent.
#include "workspace/FolderRemoval.h"

#include "MessageBoxWatcher.h"
#include "TestFolder.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

bool RunningUnderWine() {
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

class Removal : public testing::Test {
protected:
    TestFolder folder;
    ScopedCurrentDirectory inFolder{folder.Path()};
};

}  // namespace

TEST_F(Removal, EmptiesNestedFoldersDepthFirstAndRemovesTheFolderLast) {
    const std::wstring run = folder / L"run";
    MakeFolder(run);
    MakeFile(run + L"\\84512712.swf");
    MakeFile(run + L"\\noext");
    MakeFolder(run + L"\\empty");
    MakeFolder(run + L"\\a");
    MakeFile(run + L"\\a\\one.txt");
    MakeFolder(run + L"\\a\\b");
    MakeFile(run + L"\\a\\b\\two.txt");
    MakeFolder(run + L"\\a\\b\\c");
    MakeFile(run + L"\\a\\b\\c\\three");
    MakeFile(folder / L"beside.txt");

    EXPECT_TRUE(RemoveFolder(run));
    EXPECT_FALSE(IsFolder(run));
    EXPECT_TRUE(IsFile(folder / L"beside.txt"));
}

TEST_F(Removal, TreeRemovalLeavesTheFolderItself) {
    const std::wstring run = folder / L"run";
    MakeFolder(run);
    MakeFolder(run + L"\\a");
    MakeFile(run + L"\\a\\one.txt");
    MakeFile(run + L"\\two.txt");

    EXPECT_TRUE(RemoveFolderTree(run));
    EXPECT_TRUE(IsFolder(run));
    EXPECT_FALSE(IsFolder(run + L"\\a"));
    EXPECT_FALSE(IsFile(run + L"\\two.txt"));
}

TEST_F(Removal, PathsOfThreeUnitsOrFewerAreNeverEmptied) {
    // The current directory is the test folder: "." would name it.
    MakeFile(folder / L"keep.txt");
    MakeFolder(folder / L"abc");
    MakeFile(folder / L"abc\\keep.txt");
    MakeFolder(folder / L"x");
    MakeFolder(folder / L"x\\y");
    MakeFile(folder / L"x\\y\\keep.txt");
    MakeFolder(folder / L"x\\yz");
    MakeFile(folder / L"x\\yz\\gone.txt");

    EXPECT_FALSE(RemoveFolderTree(L"."));
    EXPECT_FALSE(RemoveFolderTree(L"abc"));
    EXPECT_FALSE(RemoveFolderTree(L"x\\y"));
    EXPECT_TRUE(RemoveFolder(L"abc"));
    EXPECT_TRUE(IsFile(folder / L"keep.txt"));
    EXPECT_TRUE(IsFile(folder / L"abc\\keep.txt"));
    EXPECT_TRUE(IsFile(folder / L"x\\y\\keep.txt"));

    EXPECT_TRUE(RemoveFolderTree(L"x\\yz"));  // four units
    EXPECT_FALSE(IsFile(folder / L"x\\yz\\gone.txt"));
}

TEST_F(Removal, AMissingFolderChangesNothing) {
    MakeFile(folder / L"keep.txt");
    EXPECT_FALSE(RemoveFolderTree(folder / L"missing"));
    EXPECT_TRUE(RemoveFolder(folder / L"missing"));
    EXPECT_TRUE(IsFile(folder / L"keep.txt"));
}

TEST_F(Removal, AnEmptyFolderIsListedAndRemoved) {
    const std::wstring run = folder / L"run";
    MakeFolder(run);
    EXPECT_TRUE(RemoveFolderTree(run));
    EXPECT_TRUE(IsFolder(run));
    EXPECT_TRUE(RemoveFolder(run));
    EXPECT_FALSE(IsFolder(run));
}

TEST_F(Removal, AReadOnlyFileStaysWithEveryFolderAboveItSilently) {
    const std::wstring run = folder / L"run";
    MakeFolder(run);
    MakeFolder(run + L"\\sub");
    MakeFile(run + L"\\sub\\locked.txt");
    ASSERT_TRUE(SetFileAttributesW((run + L"\\sub\\locked.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    MakeFile(run + L"\\sub\\free.txt");
    MakeFile(run + L"\\free.txt");

    MessageBoxWatcher watcher(IDOK);
    EXPECT_TRUE(RemoveFolder(run));
    EXPECT_TRUE(watcher.Stop().empty());

    EXPECT_TRUE(IsFile(run + L"\\sub\\locked.txt"));
    EXPECT_FALSE(IsFile(run + L"\\sub\\free.txt"));
    EXPECT_FALSE(IsFile(run + L"\\free.txt"));
}

TEST_F(Removal, HiddenAndSystemEntriesAreDeletedLikeAnyOther) {
    const std::wstring run = folder / L"run";
    MakeFolder(run);
    MakeFile(run + L"\\hidden.txt");
    MakeFile(run + L"\\system.txt");
    MakeFolder(run + L"\\secret");
    MakeFile(run + L"\\secret\\both");
    SetFileAttributesW((run + L"\\hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesW((run + L"\\system.txt").c_str(), FILE_ATTRIBUTE_SYSTEM);
    SetFileAttributesW((run + L"\\secret\\both").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    SetFileAttributesW((run + L"\\secret").c_str(), FILE_ATTRIBUTE_HIDDEN);

    EXPECT_TRUE(RemoveFolder(run));
    EXPECT_FALSE(IsFolder(run));
}

TEST_F(Removal, RemovesTreesDeeperThanMaxPath) {
    const std::wstring run = folder / L"run";
    std::wstring deep = run;
    MakeFolder(deep);
    while (deep.size() < 320) {
        deep += L"\\" + std::wstring(50, L'n');
        MakeFolder(deep);
        MakeFile(deep + L"\\f.txt");
    }
    EXPECT_TRUE(RemoveFolder(run));
    EXPECT_FALSE(IsFolder(run));
}

TEST(RemovalOfLinks, RemovesALinkWithoutEnteringIt) {
    // The links D:\links\work\dirlink -> D:\links\target and D:\links\work\filelink ->
    // D:\links\target\precious.txt are made by the ctest set-up step: Wine cannot create links
    // itself. Wine shows the link to a file as the file; deleting it would delete the target.
    const std::wstring work = L"D:\\links\\work";
    const std::wstring target = L"D:\\links\\target";
    const DWORD link = GetFileAttributesW((work + L"\\dirlink").c_str());
    if (link == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "the link is made by the ctest set-up step wine_test_drive_setup";
    ASSERT_TRUE(link & FILE_ATTRIBUTE_REPARSE_POINT);
    MakeFile(target + L"\\keep.txt");
    MakeFile(target + L"\\precious.txt", "precious");
    MakeFolder(work + L"\\sub");
    MakeFile(work + L"\\sub\\gone.txt");
    MakeFile(work + L"\\gone.txt");

    EXPECT_TRUE(RemoveFolder(work));

    EXPECT_TRUE(IsFile(target + L"\\keep.txt"));
    EXPECT_TRUE(IsFile(target + L"\\precious.txt"));
    EXPECT_FALSE(IsFolder(work + L"\\sub"));
    EXPECT_FALSE(IsFile(work + L"\\gone.txt"));
    if (RunningUnderWine()) {
        // Wine opens what a Unix link points to even when asked for the link itself, so the
        // removal cannot delete the link without acting on its target: the links, and so the
        // working folder, stay.
        EXPECT_TRUE(IsFolder(work + L"\\dirlink"));
        EXPECT_TRUE(IsFolder(work));
    } else {
        EXPECT_FALSE(IsFolder(work));
    }
}
