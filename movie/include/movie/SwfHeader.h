// The header of a Flash movie file: signature, format version, stage rectangle, frame rate and
// frame count, read with every length checked. Portable: no Windows headers.
//
// File layout: "FWS" (plain), "CWS" (zlib) or "ZWS" (LZMA), version byte, 32-bit little-endian
// length of the uncompressed file; then, compressed for CWS, the stage RECT (5-bit field width,
// four signed fields of that width, padded to a byte), frame rate (8.8 fixed) and frame count.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace movie {

struct SwfHeader {
    char signature = 0;  // 'F' plain, 'C' zlib, 'Z' lzma
    uint8_t version = 0;
    uint32_t fileLength = 0;                         // length of the uncompressed file, header included
    int32_t xMin = 0, xMax = 0, yMin = 0, yMax = 0;  // twips
    uint16_t frameRate = 0;                          // 8.8 fixed
    uint16_t frameCount = 0;
    size_t headerLength = 0;  // bytes of the decompressed stream up to the first tag

    int32_t WidthPixels() const;  // whole pixels (20 twips each), rounded down
    int32_t HeightPixels() const;
    double FramesPerSecond() const;
};

// Reads the header from the start of a movie file; a prefix of the file is enough (for "CWS"
// only the few bytes needed are decompressed). nullopt with a reason on anything else.
std::optional<SwfHeader> ReadSwfHeader(const uint8_t* data, size_t size, std::string* error = nullptr);

// The whole movie as an uncompressed "FWS" image (header and tags), refusing a result of more
// than maxSize bytes. For a plain movie this is a copy.
std::optional<std::vector<uint8_t>> DecompressSwf(const uint8_t* data, size_t size, size_t maxSize,
                                                  std::string* error = nullptr);

}  // namespace movie
