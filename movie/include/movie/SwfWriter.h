// Builds small, valid Flash movies: a stage of a chosen size, a background colour, empty frames
// and optional FSCommand calls. Used for sample and test movies. Portable: no Windows headers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace movie {

// A call of fscommand(command, args) made when a frame is shown, stored as an ActionGetURL of
// "FSCommand:command" with target `args`.
struct SwfFsCommand {
    uint16_t frame = 0;  // 0-based frame index
    std::string command;
    std::string args;
};

struct SwfSpecimen {
    uint8_t version = 6;
    int32_t width = 550;  // stage, pixels
    int32_t height = 400;
    double frameRate = 12.0;  // frames per second, stored as 8.8 fixed
    uint16_t frameCount = 1;
    uint8_t red = 255, green = 255, blue = 255;  // background
    bool compressed = false;                     // "CWS" (zlib) instead of "FWS"
    std::vector<SwfFsCommand> fsCommands;
};

// The movie file's bytes. Tags: SetBackgroundColor, then per frame its DoAction tags and a
// ShowFrame, then End. Commands whose frame is past the last frame are not stored. Throws
// std::invalid_argument when the stage does not fit the header's 31-bit fields or a command's
// text does not fit one action.
std::vector<uint8_t> BuildSwf(const SwfSpecimen& specimen);

}  // namespace movie
