// Test support: the video streams of a movie file, with the payloads of their frames, read by
// the engine's movie reader.
#pragma once

#include "movie/Movie.h"

#include <cstdint>
#include <map>
#include <string>

namespace media_test {

using VideoStream = movie::VideoStreamDef;

// The streams of the movie at `path` by character id; empty when the file cannot be read.
std::map<uint16_t, VideoStream> ReadVideoStreams(const std::string& path);

}  // namespace media_test
