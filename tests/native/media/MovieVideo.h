// Test support: the video streams of a movie file, with the payloads of their frames, read with
// the engine's header reader and tag walker.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace media_test {

struct VideoStream {
    uint16_t id = 0;
    uint16_t frameCount = 0;
    uint16_t width = 0, height = 0;
    uint8_t deblocking = 0;  // VideoFlagsDeblocking
    bool smoothing = false;
    uint8_t codec = 0;
    std::vector<std::vector<uint8_t>> frames;  // VideoFrame payloads in file order
};

// The streams of the movie at `path` by character id; empty when the file cannot be read.
// VideoFrame tags of a stream not yet defined are ignored.
std::map<uint16_t, VideoStream> ReadVideoStreams(const std::string& path);

}  // namespace media_test
