// A static object that reads the trace file name while it is constructed, as the application
// object does. It lives in a library linked after the one that defines the name.
#include "diagnostics/Diagnostics.h"

namespace {

const std::wstring g_seenWhileConstructing = TraceFileName;

}  // namespace

const std::wstring& TraceFileNameSeenByLateStatic() {
    return g_seenWhileConstructing;
}
