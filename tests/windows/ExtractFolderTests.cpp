// The working folder under Wine: its base, its three levels, the number it draws, the
// traces and reports on the way, and the process-wide cache.
#include "diagnostics/Diagnostics.h"
#include "workspace/ExtractFolder.h"
#include "workspace/ExtractFolderBuild.h"
#include "workspace/FolderNumbers.h"

#include "MessageBoxWatcher.h"
#include "SystemText.h"
#include "TestFolder.h"
#include "TraceRecorder.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cwctype>

namespace {

using Traces = std::vector<std::wstring>;

const wchar_t kAboutToCreate[] = L"Directory does not exist yet. About to create one";

// The traces of a level that is missing and then created.
Traces Created(const std::wstring& path) {
    return {L"Creating directory " + path, kAboutToCreate};
}

// The traces of a level that is there already.
Traces Existing(const std::wstring& path) {
    return {L"Creating directory " + path, L"Dir already exist"};
}

// The traces of a numbered level whose creation found a file or folder in the way.
Traces LostTheRace(const std::wstring& path) {
    return {L"Creating directory " + path, kAboutToCreate, L"Dir already exist"};
}

Traces Join(std::initializer_list<Traces> parts) {
    Traces all;
    for (const Traces& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

// Drive D: of the test prefix, mapped by the ctest set-up step.
bool HaveTestDrive() {
    return IsFolder(L"D:\\tmp");
}

// A text of exactly `length` units that names `folder`: "\." steps added to its path.
std::wstring PaddedName(const std::wstring& folder, size_t length) {
    std::wstring padded = folder;
    while (padded.size() + 2 <= length)
        padded += L"\\.";
    if (padded.size() < length)
        padded += L"\\";
    return padded;
}

class WorkingFolder : public testing::Test {
protected:
    void SetUp() override { ClearTraces(); }

    TestFolder folder;
    ScopedCurrentDirectory inFolder{folder.Path()};
};

}  // namespace

// --- the number generator ----------------------------------------------------------------

struct SeedCase {
    uint32_t seed;
    std::vector<int> numbers;
};

class FolderNumberSequence : public testing::TestWithParam<SeedCase> {};

TEST_P(FolderNumberSequence, FollowsTheRuntimeGenerator) {
    FolderNumbers numbers(GetParam().seed);
    std::vector<int> drawn;
    for (size_t i = 0; i < GetParam().numbers.size(); ++i)
        drawn.push_back(numbers.Next());
    EXPECT_EQ(drawn, GetParam().numbers);
}

INSTANTIATE_TEST_SUITE_P(Seeds, FolderNumberSequence,
                         testing::Values(SeedCase{0, {38, 7719, 21238, 2437, 8855}},
                                         SeedCase{1, {41, 18467, 6334, 26500, 19169}},
                                         SeedCase{0xFFFFFFFF, {35, 29739, 3374}}, SeedCase{20057, {0}},
                                         SeedCase{30091, {32767}}));

// --- TempBase with a real file system --------------------------------------------------------

TEST_F(WorkingFolder, BaseOfTmpOnAnotherDriveWrittenWithForwardSlashes) {
    if (!HaveTestDrive())
        GTEST_SKIP() << "drive D: is mapped by the ctest set-up step wine_test_drive_setup";
    ScopedEnvironment tmp(L"TMP", L"D:/tmp");
    EXPECT_EQ(TempBase(), L"D:");
}

TEST_F(WorkingFolder, BaseIsEmptyWhenTmpIsUnsetOrMissing) {
    {
        ScopedEnvironment tmp(L"TMP", std::nullopt);
        EXPECT_EQ(TempBase(), L"");
    }
    {
        ScopedEnvironment tmp(L"TMP", folder / L"missing");
        EXPECT_EQ(TempBase(), L"");
    }
}

TEST_F(WorkingFolder, BaseOfQuotedTmpIsThatOfTheUnquotedPath) {
    MakeFolder(folder / L"relq");
    ScopedEnvironment tmp(L"TMP", L"\"relq\"");
    EXPECT_EQ(TempBase(), L"relq");
}

TEST_F(WorkingFolder, BaseOfARelativeFolderIsItsName) {
    MakeFolder(folder / L"wsrel");
    ScopedEnvironment tmp(L"TMP", L"wsrel");
    EXPECT_EQ(TempBase(), L"wsrel");
}

TEST_F(WorkingFolder, BaseOfTmpLongerThan240UnitsIsThePrefix) {
    const std::wstring drive = folder.Path().substr(0, 2);
    ASSERT_EQ(drive[1], L':');
    {
        ScopedEnvironment tmp(L"TMP", PaddedName(folder.Path(), 240));
        EXPECT_EQ(TempBase(), drive);
    }
    {
        ScopedEnvironment tmp(L"TMP", PaddedName(folder.Path(), 241));
        EXPECT_EQ(TempBase(), L"test.swf");
    }
}

// --- the three levels ------------------------------------------------------------------------

TEST_F(WorkingFolder, CreatesTheThreeLevelsBelowTheBase) {
    MakeFolder(folder / L"wsrel");
    ScopedEnvironment tmp(L"TMP", L"wsrel");

    EXPECT_EQ(BuildExtractFolder(0, &ReportLastError), L"wsrel\\CorvaneWorkspace\\Temp\\38");
    EXPECT_EQ(RecordedTraces(), Join({Created(L"wsrel\\CorvaneWorkspace"), Created(L"wsrel\\CorvaneWorkspace\\Temp"),
                                      Created(L"wsrel\\CorvaneWorkspace\\Temp\\38")}));
    EXPECT_TRUE(IsFolder(folder / L"wsrel\\CorvaneWorkspace\\Temp\\38"));
}

TEST_F(WorkingFolder, LaterRunsShareTheUpperLevels) {
    MakeFolder(folder / L"wsrel");
    ScopedEnvironment tmp(L"TMP", L"wsrel");
    BuildExtractFolder(0, &ReportLastError);
    ClearTraces();

    EXPECT_EQ(BuildExtractFolder(1, &ReportLastError), L"wsrel\\CorvaneWorkspace\\Temp\\41");
    EXPECT_EQ(RecordedTraces(), Join({Existing(L"wsrel\\CorvaneWorkspace"), Existing(L"wsrel\\CorvaneWorkspace\\Temp"),
                                      Created(L"wsrel\\CorvaneWorkspace\\Temp\\41")}));
    EXPECT_TRUE(IsFolder(folder / L"wsrel\\CorvaneWorkspace\\Temp\\38"));
    EXPECT_TRUE(IsFolder(folder / L"wsrel\\CorvaneWorkspace\\Temp\\41"));
}

TEST_F(WorkingFolder, NumbersRunFromZeroTo32767) {
    MakeFolder(folder / L"wsrel");
    ScopedEnvironment tmp(L"TMP", L"wsrel");
    EXPECT_EQ(BuildExtractFolder(20057, &ReportLastError), L"wsrel\\CorvaneWorkspace\\Temp\\0");
    EXPECT_EQ(BuildExtractFolder(30091, &ReportLastError), L"wsrel\\CorvaneWorkspace\\Temp\\32767");
    EXPECT_TRUE(IsFolder(folder / L"wsrel\\CorvaneWorkspace\\Temp\\0"));
    EXPECT_TRUE(IsFolder(folder / L"wsrel\\CorvaneWorkspace\\Temp\\32767"));
}

TEST_F(WorkingFolder, OnAnotherDrive) {
    if (!HaveTestDrive())
        GTEST_SKIP() << "drive D: is mapped by the ctest set-up step wine_test_drive_setup";
    DeleteTree(L"D:\\CorvaneWorkspace");
    ScopedEnvironment tmp(L"TMP", L"D:/tmp");

    EXPECT_EQ(BuildExtractFolder(0, &ReportLastError), L"D:\\CorvaneWorkspace\\Temp\\38");
    EXPECT_TRUE(IsFolder(L"D:\\CorvaneWorkspace\\Temp\\38"));
    DeleteTree(L"D:\\CorvaneWorkspace");
}

TEST_F(WorkingFolder, EmptyBaseIsTheRootOfTheCurrentDrive) {
    if (!HaveTestDrive())
        GTEST_SKIP() << "drive D: is mapped by the ctest set-up step wine_test_drive_setup";
    DeleteTree(L"D:\\CorvaneWorkspace");
    ScopedCurrentDirectory onDriveD(L"D:\\tmp");
    ScopedEnvironment tmp(L"TMP", std::nullopt);

    EXPECT_EQ(BuildExtractFolder(1, &ReportLastError), L"\\CorvaneWorkspace\\Temp\\41");
    EXPECT_TRUE(IsFolder(L"D:\\CorvaneWorkspace\\Temp\\41"));
    DeleteTree(L"D:\\CorvaneWorkspace");
}

TEST_F(WorkingFolder, TmpLongerThan240UnitsPutsTheLevelsBelowTestSwf) {
    // The levels go below a folder named "test.swf" in the current directory, which the
    // build does not create itself.
    MakeFolder(folder / L"test.swf");
    ScopedEnvironment tmp(L"TMP", PaddedName(folder.Path(), 250));
    EXPECT_EQ(BuildExtractFolder(0, &ReportLastError), L"test.swf\\CorvaneWorkspace\\Temp\\38");
    EXPECT_TRUE(IsFolder(folder / L"test.swf\\CorvaneWorkspace\\Temp\\38"));
}

// --- numbers taken by other runs -------------------------------------------------------------

TEST_F(WorkingFolder, DrawsAgainWhenTheNumberIsTaken) {
    // Seed 0 draws 38, 7719, 21238. Another run owns folder 38; a file sits at 7719.
    const std::wstring temp = L"wsrel\\CorvaneWorkspace\\Temp";
    MakeFolder(folder / L"wsrel");
    MakeFolder(folder / L"wsrel\\CorvaneWorkspace");
    MakeFolder(folder / temp);
    MakeFolder(folder / (temp + L"\\38"));
    MakeFile(folder / (temp + L"\\38\\other-run.swf"));
    MakeFile(folder / (temp + L"\\7719"));
    ScopedEnvironment tmp(L"TMP", L"wsrel");

    EXPECT_EQ(BuildExtractFolder(0, &ReportLastError), temp + L"\\21238");
    EXPECT_EQ(RecordedTraces(), Join({Existing(L"wsrel\\CorvaneWorkspace"), Existing(temp), Existing(temp + L"\\38"),
                                      LostTheRace(temp + L"\\7719"), Created(temp + L"\\21238")}));
    EXPECT_TRUE(IsFile(folder / (temp + L"\\38\\other-run.swf")));
    EXPECT_TRUE(IsFile(folder / (temp + L"\\7719")));
    EXPECT_TRUE(IsFolder(folder / (temp + L"\\21238")));
}

TEST_F(WorkingFolder, TakesOverTheLastDrawWhenEveryDrawIsTaken) {
    const std::wstring temp = L"wsrel\\CorvaneWorkspace\\Temp";
    MakeFolder(folder / L"wsrel");
    MakeFolder(folder / L"wsrel\\CorvaneWorkspace");
    MakeFolder(folder / temp);
    FolderNumbers numbers(1);
    Traces expected = Join({Existing(L"wsrel\\CorvaneWorkspace"), Existing(temp)});
    std::wstring last;
    for (int draw = 0; draw < kMaxFolderNumberDraws; ++draw) {
        last = temp + L"\\" + std::to_wstring(numbers.Next());
        MakeFolder(folder / last);
        expected = Join({expected, Existing(last)});
    }
    const std::wstring notDrawn = temp + L"\\" + std::to_wstring(numbers.Next());
    ScopedEnvironment tmp(L"TMP", L"wsrel");

    MessageBoxWatcher watcher(IDOK);
    EXPECT_EQ(BuildExtractFolder(1, &ReportLastError), last);
    EXPECT_TRUE(watcher.Stop().empty());
    EXPECT_EQ(RecordedTraces(), expected);
    EXPECT_FALSE(IsFolder(folder / notDrawn));
}

TEST_F(WorkingFolder, ReportsAnyOtherCreationFailureAndDrawsNoMore) {
    // A file where the "Temp" level belongs: that level fails as it exists already, and the
    // numbered level below it cannot be created at all.
    MakeFolder(folder / L"wsrel");
    MakeFolder(folder / L"wsrel\\CorvaneWorkspace");
    MakeFile(folder / L"wsrel\\CorvaneWorkspace\\Temp");
    ScopedEnvironment tmp(L"TMP", L"wsrel");
    const std::wstring exists = SystemText(ERROR_ALREADY_EXISTS);
    const std::wstring noPath = SystemText(ERROR_PATH_NOT_FOUND);
    ASSERT_FALSE(exists.empty());
    ASSERT_FALSE(noPath.empty());

    MessageBoxWatcher watcher(IDOK);
    EXPECT_EQ(BuildExtractFolder(0, &ReportLastError), L"wsrel\\CorvaneWorkspace\\Temp\\38");
    const std::vector<ShownBox>& boxes = watcher.Stop();

    EXPECT_EQ(RecordedTraces(),
              Join({Existing(L"wsrel\\CorvaneWorkspace"),
                    Created(L"wsrel\\CorvaneWorkspace\\Temp"),
                    {L"Dir creation error", L"Error msg = " + exists, L"Created dir does not exist"},
                    Created(L"wsrel\\CorvaneWorkspace\\Temp\\38"),
                    {L"Dir creation error", L"Error msg = " + noPath, L"Created dir does not exist"}}));
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].caption, L"Error");
    EXPECT_EQ(boxes[0].text, exists);
    EXPECT_EQ(boxes[1].caption, L"Error");
    EXPECT_EQ(boxes[1].text, noPath);
}

// The folder code itself shows nothing: each failure goes to the caller's report, once, at the
// moment it happens (the last-error code still set), and without a report it is only traced.
TEST_F(WorkingFolder, HandsEachCreationFailureToTheCallersReport) {
    MakeFolder(folder / L"wsrel");
    MakeFolder(folder / L"wsrel\\CorvaneWorkspace");
    MakeFile(folder / L"wsrel\\CorvaneWorkspace\\Temp");
    ScopedEnvironment tmp(L"TMP", L"wsrel");

    static std::vector<DWORD> reported;
    reported.clear();
    MessageBoxWatcher watcher(IDOK);
    BuildExtractFolder(0, [] { reported.push_back(GetLastError()); });
    EXPECT_EQ(reported, (std::vector<DWORD>{ERROR_ALREADY_EXISTS, ERROR_PATH_NOT_FOUND}));

    ClearTraces();
    EXPECT_EQ(BuildExtractFolder(0, nullptr), L"wsrel\\CorvaneWorkspace\\Temp\\38");
    EXPECT_TRUE(watcher.Stop().empty());
    EXPECT_EQ(RecordedTraces(), Join({Existing(L"wsrel\\CorvaneWorkspace"),
                                      Created(L"wsrel\\CorvaneWorkspace\\Temp"),
                                      {L"Dir creation error", L"Created dir does not exist"},
                                      Created(L"wsrel\\CorvaneWorkspace\\Temp\\38"),
                                      {L"Dir creation error", L"Created dir does not exist"}}));
}

// --- the cache -------------------------------------------------------------------------------

// The only test that calls GetExtractFolder: its cache lives as long as the process.
TEST_F(WorkingFolder, FirstCallBuildsLaterCallsOnlyReturnTheCachedPath) {
    MakeFolder(folder / L"wsget");
    ScopedEnvironment tmp(L"TMP", L"wsget");

    const std::wstring first = GetExtractFolder();
    const std::wstring temp = L"wsget\\CorvaneWorkspace\\Temp";
    ASSERT_EQ(first.substr(0, temp.size() + 1), temp + L"\\");
    const std::wstring number = first.substr(temp.size() + 1);
    ASSERT_TRUE(!number.empty() && number.size() <= 5 &&
                std::all_of(number.begin(), number.end(), [](wchar_t c) { return std::iswdigit(c); }));
    EXPECT_TRUE(number == L"0" || number[0] != L'0');
    EXPECT_LE(std::stoi(number), 32767);
    EXPECT_EQ(RecordedTraces(), Join({{L"BEGIN GetExtractFolder"},
                                      Created(L"wsget\\CorvaneWorkspace"),
                                      Created(temp),
                                      Created(first),
                                      {L"END GetExtractFolder"}}));
    EXPECT_TRUE(IsFolder(folder / first));

    ClearTraces();
    EXPECT_EQ(GetExtractFolder(), first);
    EXPECT_EQ(RecordedTraces(), (Traces{L"BEGIN GetExtractFolder", L"END GetExtractFolder"}));

    // Gone from the disk: the cached path is still returned and nothing is created again.
    DeleteTree(folder / L"wsget\\CorvaneWorkspace");
    ClearTraces();
    EXPECT_EQ(GetExtractFolder(), first);
    EXPECT_EQ(RecordedTraces(), (Traces{L"BEGIN GetExtractFolder", L"END GetExtractFolder"}));
    EXPECT_FALSE(IsFolder(folder / L"wsget\\CorvaneWorkspace"));
}
