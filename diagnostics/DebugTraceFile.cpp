// The trace build's hook: appends each message as one UTF-8 line ending in "\r\n" to the
// trace file. The file is opened and closed per message, so a crash loses nothing already
// traced and other readers may look at it while the program runs.
#include "diagnostics/Diagnostics.h"

#include "platform/Handles.h"
#include "utf/Utf.h"

#include <windows.h>

namespace {

std::string ToUtf8Line(const std::wstring& message) {
    std::string line = utf::Utf8FromWide(message);
    line += "\r\n";
    return line;
}

void AppendToTraceFile(const std::string& line) {
    // FILE_APPEND_DATA alone makes every write land at the current end of the file.
    UniqueFileHandle file(CreateFileW(kTraceFileNameText, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return;
    DWORD written = 0;
    WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

}  // namespace

void DebugTrace(std::wstring message) {
    // Callers trace between a failed call and ReportLastError: the code must survive.
    const DWORD lastError = GetLastError();
    AppendToTraceFile(ToUtf8Line(message));
    SetLastError(lastError);
}
