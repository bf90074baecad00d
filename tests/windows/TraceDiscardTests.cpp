// The shipped trace hook: messages go nowhere.
#include "diagnostics/Diagnostics.h"

#include "TestFolder.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <iterator>

TEST(DiscardTrace, CreatesNoFileAndKeepsTheLastErrorCode) {
    DeleteFileW(TraceFileName.c_str());
    SetLastError(ERROR_PATH_NOT_FOUND);
    DebugTrace(L"BEGIN GetExtractFolder");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_FALSE(IsFile(TraceFileName));
}

TEST(DiscardTrace, LeavesAnExistingTraceFileAlone) {
    MakeFile(TraceFileName, "earlier run\r\n");
    DebugTrace(L"BEGIN GetExtractFolder");
    std::ifstream in(TraceFileName.c_str(), std::ios::binary);
    const std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    EXPECT_EQ(content, "earlier run\r\n");
    DeleteFileW(TraceFileName.c_str());
}
