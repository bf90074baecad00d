#include "movie/SwfWriter.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace movie {
namespace {

enum TagCode : uint16_t { kEnd = 0, kShowFrame = 1, kSetBackgroundColor = 9, kDoAction = 12 };
constexpr uint8_t kActionGetUrl = 0x83;

void PutU16(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(uint8_t(value));
    out.push_back(uint8_t(value >> 8));
}
void PutU32(std::vector<uint8_t>& out, uint32_t value) {
    PutU16(out, value & 0xFFFF);
    PutU16(out, value >> 16);
}
void PutString(std::vector<uint8_t>& out, const std::string& text) {
    out.insert(out.end(), text.begin(), text.end());
    out.push_back(0);
}

// Bit fields most significant bit first, padded to a whole byte at the end.
class BitWriter {
public:
    void Put(uint32_t value, unsigned count) {
        for (unsigned i = count; i-- > 0;) {
            m_current = uint8_t(m_current << 1 | ((value >> i) & 1u));
            if (++m_used == 8)
                Flush();
        }
    }
    std::vector<uint8_t> Finish() {
        if (m_used != 0) {
            m_current = uint8_t(m_current << (8 - m_used));
            Flush();
        }
        return std::move(m_bytes);
    }

private:
    void Flush() {
        m_bytes.push_back(m_current);
        m_current = 0;
        m_used = 0;
    }
    std::vector<uint8_t> m_bytes;
    uint8_t m_current = 0;
    unsigned m_used = 0;
};

// Bits a signed field needs to hold `value` (sign bit included).
unsigned SignedBits(int64_t value) {
    unsigned bits = 1;
    while (value < -(int64_t(1) << (bits - 1)) || value >= (int64_t(1) << (bits - 1)))
        ++bits;
    return bits;
}

std::vector<uint8_t> StageRect(int32_t widthPx, int32_t heightPx) {
    const int64_t xMax = int64_t(widthPx) * 20, yMax = int64_t(heightPx) * 20;
    const unsigned bits = std::max(SignedBits(xMax), SignedBits(yMax));
    if (bits > 31)
        throw std::invalid_argument("stage size does not fit a movie header");
    BitWriter writer;
    writer.Put(bits, 5);
    for (int64_t value : {int64_t(0), xMax, int64_t(0), yMax})
        writer.Put(uint32_t(value), bits);
    return writer.Finish();
}

void PutTag(std::vector<uint8_t>& out, uint16_t code, const std::vector<uint8_t>& body) {
    if (body.size() < 0x3F) {
        PutU16(out, uint32_t(code) << 6 | uint32_t(body.size()));
    } else {
        PutU16(out, uint32_t(code) << 6 | 0x3F);
        PutU32(out, uint32_t(body.size()));
    }
    out.insert(out.end(), body.begin(), body.end());
}

std::vector<uint8_t> DoActionBody(const SwfFsCommand& call) {
    std::vector<uint8_t> body{kActionGetUrl};
    std::vector<uint8_t> payload;
    PutString(payload, "FSCommand:" + call.command);
    PutString(payload, call.args);
    if (payload.size() > 0xFFFF)
        throw std::invalid_argument("fscommand text too long for one action");
    PutU16(body, uint32_t(payload.size()));
    body.insert(body.end(), payload.begin(), payload.end());
    body.push_back(0);  // end of actions
    return body;
}

std::vector<uint8_t> Compress(const uint8_t* data, size_t size) {
    uLongf length = compressBound(uLong(size));
    std::vector<uint8_t> out(length);
    if (compress2(out.data(), &length, data, uLong(size), Z_BEST_COMPRESSION) != Z_OK) {
        throw std::runtime_error("zlib compression failed");
    }
    out.resize(length);
    return out;
}

}  // namespace

std::vector<uint8_t> BuildSwf(const SwfSpecimen& specimen) {
    // Everything after the 8-byte prefix: the part that "CWS" compresses.
    std::vector<uint8_t> body = StageRect(specimen.width, specimen.height);
    const double rate = std::clamp(std::round(specimen.frameRate * 256.0), 0.0, 65535.0);
    PutU16(body, uint32_t(rate));
    PutU16(body, specimen.frameCount);

    PutTag(body, kSetBackgroundColor, {specimen.red, specimen.green, specimen.blue});
    for (uint32_t frame = 0; frame < specimen.frameCount; ++frame) {
        for (const SwfFsCommand& call : specimen.fsCommands) {
            if (call.frame == frame)
                PutTag(body, kDoAction, DoActionBody(call));
        }
        PutTag(body, kShowFrame, {});
    }
    PutTag(body, kEnd, {});

    std::vector<uint8_t> file{uint8_t(specimen.compressed ? 'C' : 'F'), 'W', 'S', specimen.version};
    PutU32(file, uint32_t(8 + body.size()));
    if (specimen.compressed) {
        const std::vector<uint8_t> packed = Compress(body.data(), body.size());
        file.insert(file.end(), packed.begin(), packed.end());
    } else {
        file.insert(file.end(), body.begin(), body.end());
    }
    return file;
}

}  // namespace movie
