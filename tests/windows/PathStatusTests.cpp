// DirectoryExists and FileExists against a real file system.
#include "workspace/ExtractFolder.h"

#include "TestFolder.h"
#include "utf/Utf.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

struct StatusCase {
    const wchar_t* path;  // relative to the test folder, which is the current directory
    bool directory;
    bool file;
};

std::ostream& operator<<(std::ostream& out, const StatusCase& c) {
    return out << '"' << utf::Utf8FromWide(c.path) << '"';
}

class PathStatus : public testing::TestWithParam<StatusCase> {
protected:
    void SetUp() override {
        MakeFolder(folder / L"sub");
        MakeFile(folder / L"file.txt");
        MakeFile(folder / L"noext");
        MakeFile(folder / L"hidden.txt");
        SetFileAttributesW((folder / L"hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
        MakeFile(folder / L"readonly.txt");
        SetFileAttributesW((folder / L"readonly.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    }

    TestFolder folder;
    ScopedCurrentDirectory inFolder{folder.Path()};
};

}  // namespace

TEST_P(PathStatus, AnswersLikeTheRuntimesStatusQuery) {
    EXPECT_EQ(DirectoryExists(GetParam().path), GetParam().directory);
    EXPECT_EQ(FileExists(GetParam().path), GetParam().file);
}

INSTANTIATE_TEST_SUITE_P(Paths, PathStatus,
                         testing::Values(StatusCase{L"sub", true, false}, StatusCase{L"sub\\", true, false},
                                         StatusCase{L".", true, false}, StatusCase{L"file.txt", false, true},
                                         StatusCase{L"noext", false, true}, StatusCase{L"hidden.txt", false, true},
                                         StatusCase{L"readonly.txt", false, true}, StatusCase{L"missing", false, false},
                                         StatusCase{L"sub\\missing.txt", false, false}, StatusCase{L"", false, false},
                                         StatusCase{L"su?", false, false}, StatusCase{L"*", false, false},
                                         StatusCase{L"file.*", false, false}, StatusCase{L"C:", false, false},
                                         StatusCase{L"c:", false, false}, StatusCase{L"C:\\", true, false},
                                         StatusCase{L"C:/", true, false}, StatusCase{L"\\", true, false}));

TEST(PathStatusAbsolute, AnswersForFullPathsToo) {
    TestFolder folder;
    MakeFolder(folder / L"sub");
    MakeFile(folder / L"file.txt");
    EXPECT_TRUE(DirectoryExists(folder.Path()));
    EXPECT_TRUE(DirectoryExists(folder / L"sub"));
    EXPECT_FALSE(FileExists(folder / L"sub"));
    EXPECT_TRUE(FileExists(folder / L"file.txt"));
    EXPECT_FALSE(DirectoryExists(folder / L"file.txt"));
}
