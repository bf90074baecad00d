// The test build's trace hook: DebugTrace records every message in memory, in order.
// Test programs link TraceRecorder.cpp instead of either trace library.
#pragma once

#include <string>
#include <vector>

const std::vector<std::wstring>& RecordedTraces();
void ClearTraces();
