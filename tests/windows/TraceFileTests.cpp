// The trace build's hook: one UTF-8 line per message, appended to the trace file.
#include "diagnostics/Diagnostics.h"

#include "TestFolder.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <iterator>

namespace {

std::string ReadTraceFile() {
    std::ifstream in(TraceFileName.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class FileTrace : public testing::Test {
protected:
    void SetUp() override { DeleteFileW(TraceFileName.c_str()); }
    void TearDown() override {
        DeleteFileW(TraceFileName.c_str());
        RemoveDirectoryW(TraceFileName.c_str());
    }
};

}  // namespace

TEST_F(FileTrace, CreatesTheFileAndWritesOneLinePerMessage) {
    DebugTrace(L"BEGIN GetExtractFolder");
    DebugTrace(L"Creating directory C:\\CorvaneWorkspace");
    DebugTrace(L"");
    EXPECT_EQ(ReadTraceFile(), "BEGIN GetExtractFolder\r\nCreating directory C:\\CorvaneWorkspace\r\n\r\n");
}

TEST_F(FileTrace, AppendsToWhatIsThereInUtf8) {
    MakeFile(TraceFileName, "earlier run\r\n");
    DebugTrace(L"SWF is saved into C:\\Gr\u00f6\u00dfe\\\u20ac\U0001F600.swf");
    EXPECT_EQ(ReadTraceFile(),
              "earlier run\r\n"
              "SWF is saved into C:\\Gr\xC3\xB6\xC3\x9F"
              "e\\\xE2\x82\xAC\xF0\x9F\x98\x80.swf\r\n");
}

TEST_F(FileTrace, KeepsTheLastErrorCode) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    DebugTrace(L"Dir creation error");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST_F(FileTrace, KeepsTheLastErrorCodeWhenTheFileCannotBeOpened) {
    // A folder in the file's place: opening it for appending fails.
    ASSERT_TRUE(CreateDirectoryW(TraceFileName.c_str(), nullptr));
    SetLastError(ERROR_PATH_NOT_FOUND);
    DebugTrace(L"Dir creation error");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}
