// The trace file name, a process-wide constant.
//
// The application object traces from its constructor, during static construction, and the
// runtime orders static constructors of different files by link order only. The raised
// priority makes this string exist before any object of default priority is constructed;
// the trace build itself reads kTraceFileNameText, which needs no construction at all.
#include "diagnostics/Diagnostics.h"

__attribute__((init_priority(200))) const std::wstring TraceFileName(kTraceFileNameText);
