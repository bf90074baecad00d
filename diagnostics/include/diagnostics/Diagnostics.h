// The trace hook and the last-error report used while the player starts up.
#pragma once

#include <string>

// The trace file's name as a constant array: usable from any static constructor, whatever the
// order in which the runtime constructs the program's static objects.
inline constexpr wchar_t kTraceFileNameText[] = L"C:\\debug-player.txt";

// Name of the file the trace build appends its messages to. Constructed ahead of every static
// object of default priority (see TraceFileName.cpp), so the application object may read it.
extern const std::wstring TraceFileName;

// The one trace hook. Takes one complete message. The shipped build discards it; the trace
// build appends it as one UTF-8 line to TraceFileName. Leaves the thread's last-error code alone.
void DebugTrace(std::wstring message);

// Shows the system's text for the thread's last error in a message box (caption "Error") and
// traces it as "Error msg = " + text. Does nothing for code 0.
void ReportLastError();
