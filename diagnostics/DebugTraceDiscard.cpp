// The shipped trace hook: every message is dropped. Nothing is opened or written, and the
// thread's last-error code is untouched because no system call is made.
#include "diagnostics/Diagnostics.h"

void DebugTrace(std::wstring /*message*/) {}
