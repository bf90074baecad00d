// On2 VP6 (codec 4) and VP6 with an alpha plane (codec 5): frame headers and the split of an
// alpha frame into its colour and alpha parts are read and checked; picture decoding is not
// built yet, so every well-formed frame is refused as Unsupported.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

#include "media/VideoDecoder.h"

namespace media {

struct Vp6FrameHeader {
    bool keyFrame = false;
    int quant = 0;
    bool separatedCoefficients = false;  // the header's marker bit: a second partition follows
    // Key frames only:
    uint32_t version = 0, profile = 0;
    bool interlaced = false;
    uint32_t macroblockRows = 0, macroblockCols = 0;  // the coded size; display fields ignored
    uint32_t secondPartition = 0;                     // offset of the coefficient partition, 0 when absent
};

// Reads the uncompressed start of a VP6 frame; nullopt with `result` set when it is broken.
std::optional<Vp6FrameHeader> ReadVp6FrameHeader(const uint8_t* data, size_t size, DecodeResult* result);

struct Vp6AlphaParts {
    const uint8_t* colour = nullptr;
    size_t colourSize = 0;
    const uint8_t* alpha = nullptr;
    size_t alphaSize = 0;
};

// An alpha frame: a 24-bit big-endian OffsetToAlpha, the colour frame of that many bytes, the
// alpha frame in the rest.
std::optional<Vp6AlphaParts> SplitVp6AlphaFrame(const uint8_t* data, size_t size);

std::unique_ptr<VideoDecoder> CreateVp6Decoder(uint32_t width, uint32_t height, bool withAlpha);

}  // namespace media
