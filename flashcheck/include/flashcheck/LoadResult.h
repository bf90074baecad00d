// How loading the album at start-up ended: the loader (payload/) produces it, the Status dialog
// reports it. The values are the ones the player has always used.
#pragma once

#include <cstdint>

enum class LoadResult : int32_t {
    NoError = 0,
    MovieNotFound = 1,          // "movie file not found"
    TempWriteFailed = 2,        // "unable to write to a temporary file"
    ResourceInstallFailed = 3,  // "unable to install a resource file"
};
