// The trace file name's construction order and the last-error report.
#include "diagnostics/Diagnostics.h"

#include "MessageBoxWatcher.h"
#include "SystemText.h"
#include "TraceRecorder.h"

#include <gtest/gtest.h>

#include <windows.h>

const std::wstring& TraceFileNameSeenByLateStatic();

TEST(TraceFileName, IsTheFixedNameInTheRootOfDriveC) {
    EXPECT_EQ(TraceFileName, L"C:\\debug-player.txt");
    EXPECT_EQ(TraceFileName, kTraceFileNameText);
}

TEST(TraceFileName, IsReadyForStaticObjectsConstructedBeforeItsOwnFile) {
    EXPECT_EQ(TraceFileNameSeenByLateStatic(), L"C:\\debug-player.txt");
}

TEST(ReportLastError, ShowsAndTracesTheSystemTextForTheCode) {
    const std::wstring expected = SystemText(ERROR_FILE_NOT_FOUND);
    ASSERT_FALSE(expected.empty());
    ClearTraces();

    MessageBoxWatcher watcher(IDOK);
    SetLastError(ERROR_FILE_NOT_FOUND);
    ReportLastError();
    const std::vector<ShownBox>& boxes = watcher.Stop();

    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, L"Error");
    EXPECT_EQ(boxes[0].text, expected);  // unchanged, line break included
    EXPECT_FALSE(boxes[0].hasOwner);
    EXPECT_EQ(boxes[0].buttons, std::vector<int>{IDOK});
    EXPECT_TRUE(boxes[0].hasIcon);
    EXPECT_EQ(boxes[0].icon, LoadIconW(nullptr, IDI_INFORMATION));
    EXPECT_EQ(RecordedTraces(), std::vector<std::wstring>{L"Error msg = " + expected});
}

struct UnknownCode {
    DWORD code;
    const wchar_t* text;
};

class ReportUnknownCode : public testing::TestWithParam<UnknownCode> {};

TEST_P(ReportUnknownCode, NamesTheCodeInLowercaseHex) {
    ASSERT_TRUE(SystemText(GetParam().code).empty()) << "the system knows this code";
    ClearTraces();

    MessageBoxWatcher watcher(IDOK);
    SetLastError(GetParam().code);
    ReportLastError();
    const std::vector<ShownBox>& boxes = watcher.Stop();

    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, L"Error");
    EXPECT_EQ(boxes[0].text, GetParam().text);
    EXPECT_EQ(boxes[0].buttons, std::vector<int>{IDOK});
    EXPECT_EQ(boxes[0].icon, LoadIconW(nullptr, IDI_INFORMATION));
    EXPECT_EQ(RecordedTraces(), std::vector<std::wstring>{std::wstring(L"Error msg = ") + GetParam().text});
}

INSTANTIATE_TEST_SUITE_P(Codes, ReportUnknownCode,
                         testing::Values(UnknownCode{0x2AAAAAAA, L"Error message 0x2aaaaaaa not found"},
                                         UnknownCode{0x20000ABC, L"Error message 0x20000abc not found"},
                                         UnknownCode{0xE0000001, L"Error message 0xe0000001 not found"}));

TEST(ReportLastError, DoesNothingForCodeZero) {
    ClearTraces();
    MessageBoxWatcher watcher(IDOK);
    SetLastError(0);
    ReportLastError();
    EXPECT_TRUE(watcher.Stop().empty());
    EXPECT_TRUE(RecordedTraces().empty());
}
