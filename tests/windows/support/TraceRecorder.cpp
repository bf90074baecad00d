#include "TraceRecorder.h"

#include "app/Diagnostics.h"

#include <windows.h>

namespace {

std::vector<std::wstring>& Traces() {
    static std::vector<std::wstring> traces;
    return traces;
}

}  // namespace

void DebugTrace(std::wstring message) {
    // The hook's contract: the thread's last-error code survives a trace.
    const DWORD lastError = GetLastError();
    Traces().push_back(std::move(message));
    SetLastError(lastError);
}

const std::vector<std::wstring>& RecordedTraces() {
    return Traces();
}

void ClearTraces() {
    Traces().clear();
}
