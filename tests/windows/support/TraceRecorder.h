// The test build's trace hook: DebugTrace records every message in memory, in order.
// Test programs link TraceRecorder.cpp instead of either trace library.
#pragma once

#include <functional>
#include <string>
#include <vector>

const std::vector<std::wstring>& RecordedTraces();
// Also forgets an action that has not run.
void ClearTraces();
// Runs `action` once, right after the first message that starts with `prefix` is recorded: a
// test can change the world at a known step of the code under test.
void OnTrace(std::wstring prefix, std::function<void()> action);
