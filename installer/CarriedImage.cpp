#include "CarriedImage.h"

#include <zlib.h>

#include <cstring>

namespace {

constexpr uint32_t kEndSignature = 0x06054B50;
constexpr uint32_t kCentralSignature = 0x02014B50;
constexpr uint32_t kLocalSignature = 0x04034B50;
constexpr size_t kEndRecord = 22;
constexpr size_t kCentralRecord = 46;
constexpr size_t kLocalRecord = 30;
constexpr size_t kMaxComment = 0xFFFF;

uint16_t U16(const uint8_t* p) {
    return uint16_t(p[0] | p[1] << 8);
}
uint32_t U32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

std::nullopt_t Refuse(std::string* problem, const char* why) {
    if (problem)
        *problem = why;
    return std::nullopt;
}

// Raw deflate data into exactly `out.size()` bytes.
bool Inflate(const uint8_t* data, size_t size, std::vector<uint8_t>& out) {
    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
        return false;
    stream.next_in = const_cast<Bytef*>(data);
    stream.avail_in = uInt(size);
    // An empty file still has its end marker to read: inflate makes no progress without room.
    Bytef spare = 0;
    stream.next_out = out.empty() ? &spare : out.data();
    stream.avail_out = out.empty() ? 1 : uInt(out.size());
    const int result = inflate(&stream, Z_FINISH);
    const bool whole = result == Z_STREAM_END && stream.total_out == out.size();
    inflateEnd(&stream);
    return whole;
}

}  // namespace

std::optional<std::vector<uint8_t>> UnpackCarriedImage(const uint8_t* archive, size_t size, size_t maxBytes,
                                                       std::string* problem) {
    if (!archive || size < kEndRecord)
        return Refuse(problem, "too short for an archive");
    // The end record sits in the last 22 bytes, or before a comment of up to 64 KiB.
    size_t end = size - kEndRecord + 1;
    const size_t lowest = size > kEndRecord + kMaxComment ? size - kEndRecord - kMaxComment : 0;
    bool found = false;
    while (end-- > lowest) {
        if (U32(archive + end) == kEndSignature) {
            found = true;
            break;
        }
    }
    if (!found)
        return Refuse(problem, "no end record");
    const uint32_t centralOffset = U32(archive + end + 16);
    if (U16(archive + end + 10) < 1 || centralOffset > end || end - centralOffset < kCentralRecord)
        return Refuse(problem, "no entry inside the archive");
    const uint8_t* central = archive + centralOffset;
    if (U32(central) != kCentralSignature)
        return Refuse(problem, "the entry's signature is wrong");
    const uint16_t method = U16(central + 10);
    const uint32_t checksum = U32(central + 16);
    const uint32_t packedSize = U32(central + 20);
    const uint32_t fileSize = U32(central + 24);
    const uint32_t localOffset = U32(central + 42);
    if (method != 0 && method != 8)
        return Refuse(problem, "the file is neither stored nor deflated");
    if (fileSize > maxBytes)
        return Refuse(problem, "the file is larger than allowed");
    if (localOffset > centralOffset || centralOffset - localOffset < kLocalRecord)
        return Refuse(problem, "the file's header lies outside the archive");
    const uint8_t* local = archive + localOffset;
    if (U32(local) != kLocalSignature)
        return Refuse(problem, "the file's header signature is wrong");
    const size_t dataOffset = size_t(localOffset) + kLocalRecord + U16(local + 26) + U16(local + 28);
    if (dataOffset > centralOffset || centralOffset - dataOffset < packedSize)
        return Refuse(problem, "the file's data lies outside the archive");

    std::vector<uint8_t> file(fileSize);
    const uint8_t* data = archive + dataOffset;
    if (method == 0) {
        if (packedSize != fileSize)
            return Refuse(problem, "a stored file's sizes differ");
        if (fileSize > 0)
            std::memcpy(file.data(), data, fileSize);
    } else if (!Inflate(data, packedSize, file)) {
        return Refuse(problem, "the data does not inflate to the recorded size");
    }
    if (crc32(0L, file.data(), uInt(file.size())) != checksum)
        return Refuse(problem, "the checksum differs");
    return file;
}
