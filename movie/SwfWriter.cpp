#include "movie/SwfWriter.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace movie {
namespace {

enum TagCode : uint16_t { kEnd = 0, kShowFrame = 1, kSetBackgroundColor = 9, kDoAction = 12 };
constexpr uint8_t kActionGetUrl = 0x83;

std::vector<uint8_t> StageRect(int32_t widthPx, int32_t heightPx) {
    const int64_t xMax = int64_t(widthPx) * 20, yMax = int64_t(heightPx) * 20;
    const unsigned bits = SignedFieldBits({xMax, yMax});
    if (bits > 31)
        throw std::invalid_argument("stage size does not fit a movie header");
    SwfBitWriter writer;
    writer.Bits(bits, 5);
    for (int64_t value : {int64_t(0), xMax, int64_t(0), yMax})
        writer.Bits(uint32_t(value), bits);
    return writer.Finish();
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

void SwfBitWriter::Bits(uint32_t value, unsigned count) {
    for (unsigned i = count; i-- > 0;) {
        m_current = uint8_t(m_current << 1 | ((value >> i) & 1u));
        if (++m_used == 8)
            Flush();
    }
}

void SwfBitWriter::SignedBits(int32_t value, unsigned count) {
    Bits(uint32_t(value) & (count >= 32 ? 0xFFFFFFFFu : (1u << count) - 1), count);
}

void SwfBitWriter::Align() {
    if (m_used != 0) {
        m_current = uint8_t(m_current << (8 - m_used));
        Flush();
    }
}

void SwfBitWriter::U8(uint8_t value) {
    Align();
    m_bytes.push_back(value);
}

void SwfBitWriter::U16(uint16_t value) {
    U8(uint8_t(value));
    U8(uint8_t(value >> 8));
}

void SwfBitWriter::U32(uint32_t value) {
    U16(uint16_t(value));
    U16(uint16_t(value >> 16));
}

void SwfBitWriter::String(const std::string& text) {
    Align();
    m_bytes.insert(m_bytes.end(), text.begin(), text.end());
    m_bytes.push_back(0);
}

void SwfBitWriter::Append(const std::vector<uint8_t>& bytes) {
    Align();
    m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
}

std::vector<uint8_t> SwfBitWriter::Finish() {
    Align();
    return std::move(m_bytes);
}

void SwfBitWriter::Flush() {
    m_bytes.push_back(m_current);
    m_current = 0;
    m_used = 0;
}

std::vector<uint8_t> FsCommandActions(const std::string& command, const std::string& args) {
    SwfBitWriter payload;
    payload.String("FSCommand:" + command);
    payload.String(args);
    const std::vector<uint8_t> fields = payload.Finish();
    if (fields.size() > 0xFFFF)
        throw std::invalid_argument("fscommand text too long for one action");
    SwfBitWriter body;
    body.U8(kActionGetUrl);
    body.U16(uint16_t(fields.size()));
    body.Append(fields);
    body.U8(0);  // end of actions
    return body.Finish();
}

unsigned SignedFieldBits(std::initializer_list<int64_t> values) {
    unsigned bits = 1;
    for (int64_t value : values)
        while (bits < 64 && (value < -(int64_t(1) << (bits - 1)) || value >= (int64_t(1) << (bits - 1))))
            ++bits;
    return bits;
}

void AppendSwfTag(std::vector<uint8_t>& out, uint16_t code, const std::vector<uint8_t>& body) {
    SwfBitWriter header;
    if (body.size() < 0x3F) {
        header.U16(uint16_t(code << 6 | body.size()));
    } else {
        header.U16(uint16_t(code << 6 | 0x3F));
        header.U32(uint32_t(body.size()));
    }
    const std::vector<uint8_t> bytes = header.Finish();
    out.insert(out.end(), bytes.begin(), bytes.end());
    out.insert(out.end(), body.begin(), body.end());
}

std::vector<uint8_t> BuildSwfFromTags(const SwfSpecimen& specimen, const std::vector<uint8_t>& tags) {
    // Everything after the 8-byte prefix: the part that "CWS" compresses.
    SwfBitWriter header;
    header.Append(StageRect(specimen.width, specimen.height));
    header.U16(uint16_t(std::clamp(std::round(specimen.frameRate * 256.0), 0.0, 65535.0)));
    header.U16(specimen.frameCount);
    std::vector<uint8_t> body = header.Finish();
    AppendSwfTag(body, kSetBackgroundColor, {specimen.red, specimen.green, specimen.blue});
    body.insert(body.end(), tags.begin(), tags.end());
    AppendSwfTag(body, kEnd, {});

    SwfBitWriter file;
    for (uint8_t c : {uint8_t(specimen.compressed ? 'C' : 'F'), uint8_t('W'), uint8_t('S'), specimen.version})
        file.U8(c);
    file.U32(uint32_t(8 + body.size()));
    file.Append(specimen.compressed ? Compress(body.data(), body.size()) : body);
    return file.Finish();
}

std::vector<uint8_t> BuildSwf(const SwfSpecimen& specimen) {
    std::vector<uint8_t> tags;
    for (uint32_t frame = 0; frame < specimen.frameCount; ++frame) {
        for (const SwfFsCommand& call : specimen.fsCommands) {
            if (call.frame == frame)
                AppendSwfTag(tags, kDoAction, FsCommandActions(call.command, call.args));
        }
        AppendSwfTag(tags, kShowFrame, {});
    }
    return BuildSwfFromTags(specimen, tags);
}

}  // namespace movie
