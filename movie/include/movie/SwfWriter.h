// Builds small, valid Flash movies: a stage of a chosen size, a background colour, empty frames
// and optional FSCommand calls; or, for richer movies, a file around tags a caller writes with
// the bit writer below. Used for sample and test movies. Portable: no Windows headers.
#pragma once

#include <cstdint>
#include <initializer_list>
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

// The file around tags the caller wrote: the header of `specimen` (its frame count as given; its
// fsCommands are not used), SetBackgroundColor, `tags`, End. Throws as BuildSwf does.
std::vector<uint8_t> BuildSwfFromTags(const SwfSpecimen& specimen, const std::vector<uint8_t>& tags);

// Bit fields most significant bit first, as records store them; byte fields little-endian,
// starting at the next whole byte.
class SwfBitWriter {
public:
    void Bits(uint32_t value, unsigned count);
    void SignedBits(int32_t value, unsigned count);
    void Align();  // pads the current byte with zero bits
    void U8(uint8_t value);
    void U16(uint16_t value);
    void U32(uint32_t value);
    void String(const std::string& text);  // with its terminating zero
    void Append(const std::vector<uint8_t>& bytes);
    // The bytes written, the last partial byte padded.
    std::vector<uint8_t> Finish();

private:
    void Flush();
    std::vector<uint8_t> m_bytes;
    uint8_t m_current = 0;
    unsigned m_used = 0;
};

// A DoAction body calling fscommand(command, args): one ActionGetURL of "FSCommand:command"
// with target `args`, then the end of actions. Throws std::invalid_argument when the texts do
// not fit one action.
std::vector<uint8_t> FsCommandActions(const std::string& command, const std::string& args);

// Bits a signed field needs to hold every one of `values` (sign bit included).
unsigned SignedFieldBits(std::initializer_list<int64_t> values);

// Appends one tag: the short header for bodies under 63 bytes, the long one otherwise.
void AppendSwfTag(std::vector<uint8_t>& out, uint16_t code, const std::vector<uint8_t>& body);

}  // namespace movie
