// The uncached worker behind GetExtractFolder.
#pragma once

#include "workspace/ExtractFolder.h"

#include <cstdint>
#include <string>

// How many numbers are drawn at most for the per-run level before an existing folder is
// taken over. Each draw that hits an existing folder is left to the run that owns it.
inline constexpr int kMaxFolderNumberDraws = 100;

// Builds and creates TempBase() + "\CorvaneWorkspace\Temp\" + number, drawing the numbers from
// a generator seeded with seed. Emits the same traces as GetExtractFolder's first call, hands
// each creation failure to `report` (when given), and returns the path whether or not the
// folders could be created.
std::wstring BuildExtractFolder(uint32_t seed, CreationFailureReport report);
