// Bitmaps of a movie decoded to premultiplied 32-bit pixels 0xAARRGGBB, rows top to bottom (the
// layout the drawing library's images use): DefineBits with JPEGTables, DefineBitsJPEG2/3/4
// (JPEG, PNG or GIF data, and the separate zlib alpha of 3 and 4), DefineBitsLossless 1 and 2.
// Portable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace movie {

// Limits checked before decoding: a bitmap larger than this is refused, not allocated.
constexpr int32_t kMaxBitmapSide = 8191;
constexpr size_t kMaxBitmapPixels = size_t(1) << 24;

struct DecodedBitmap {
    uint16_t id = 0;
    int32_t width = 0, height = 0;
    std::vector<uint32_t> pixels;  // premultiplied 0xAARRGGBB
};

// Decodes JPEG, PNG or GIF bytes (whichever they are); `jpegTables` (may be empty) is the
// JPEGTables tag's body that DefineBits images need.
std::optional<DecodedBitmap> DecodeImageBytes(const uint8_t* data, size_t size, std::string* error = nullptr);

// Tag bodies, id first. `tagCode` tells DefineBits (6), JPEG2 (21), JPEG3 (35), JPEG4 (90),
// Lossless (20) and Lossless2 (36) apart.
std::optional<DecodedBitmap> ReadBitmapTag(uint16_t tagCode, const uint8_t* body, size_t size,
                                           const std::vector<uint8_t>& jpegTables, std::string* error = nullptr);

// Inflates a zlib stream of exactly (or at least) `expected` bytes, refusing more than `limit`.
std::optional<std::vector<uint8_t>> Inflate(const uint8_t* data, size_t size, size_t limit);

}  // namespace movie
