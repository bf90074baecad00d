#include "TraceRecorder.h"

#include "diagnostics/Diagnostics.h"

#include <windows.h>

namespace {

std::vector<std::wstring>& Traces() {
    static std::vector<std::wstring> traces;
    return traces;
}

struct PendingAction {
    std::wstring prefix;
    std::function<void()> action;
};

PendingAction& Pending() {
    static PendingAction pending;
    return pending;
}

}  // namespace

void DebugTrace(std::wstring message) {
    // The hook's contract: the thread's last-error code survives a trace.
    const DWORD lastError = GetLastError();
    PendingAction& pending = Pending();
    const bool due = pending.action && message.compare(0, pending.prefix.size(), pending.prefix) == 0;
    Traces().push_back(std::move(message));
    if (due) {
        const std::function<void()> action = std::move(pending.action);
        pending.action = nullptr;
        action();
    }
    SetLastError(lastError);
}

const std::vector<std::wstring>& RecordedTraces() {
    return Traces();
}

void ClearTraces() {
    Traces().clear();
    Pending() = PendingAction{};
}

void OnTrace(std::wstring prefix, std::function<void()> action) {
    Pending() = PendingAction{std::move(prefix), std::move(action)};
}
