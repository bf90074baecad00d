#include "Vp6Decoder.h"

namespace media {

std::optional<Vp6FrameHeader> ReadVp6FrameHeader(const uint8_t* data, size_t size, DecodeResult* result) {
    auto fail = [&](DecodeResult r) {
        if (result)
            *result = r;
        return std::optional<Vp6FrameHeader>{};
    };
    if (data == nullptr || size < 1)
        return fail(DecodeResult::Truncated);
    Vp6FrameHeader h;
    h.keyFrame = (data[0] & 0x80) == 0;
    h.quant = (data[0] >> 1) & 0x3F;
    h.separatedCoefficients = (data[0] & 1) != 0;
    size_t pos = 1;
    if (h.keyFrame) {
        if (size < 2)
            return fail(DecodeResult::Truncated);
        h.version = data[1] >> 3;
        h.profile = (data[1] >> 1) & 3;
        h.interlaced = (data[1] & 1) != 0;
        pos = 2;
        // Versions 6 to 8 are what the encoders of the format write.
        if (h.version < 6 || h.version > 8)
            return fail(DecodeResult::Unsupported);
        if (h.profile == 1 || h.profile == 2)
            return fail(DecodeResult::Corrupt);
    }
    if (h.separatedCoefficients || h.profile == 0) {
        // The simple profile and split-partition frames carry the second partition's offset.
        if (size - pos < 2)
            return fail(DecodeResult::Truncated);
        h.secondPartition = (uint32_t{data[pos]} << 8) | data[pos + 1];
        pos += 2;
    }
    if (h.keyFrame) {
        if (size - pos < 4)
            return fail(DecodeResult::Truncated);
        h.macroblockRows = data[pos];
        h.macroblockCols = data[pos + 1];
        // data[pos + 2], data[pos + 3]: the displayed size, which the reference ignores.
        pos += 4;
        if (h.macroblockRows == 0 || h.macroblockCols == 0)
            return fail(DecodeResult::BadSize);
        if (h.macroblockRows * 16 > kMaxVideoSide || h.macroblockCols * 16 > kMaxVideoSide)
            return fail(DecodeResult::BadSize);
    }
    if (h.secondPartition != 0 && (h.secondPartition <= pos || h.secondPartition >= size))
        return fail(DecodeResult::Corrupt);
    if (size <= pos)
        return fail(DecodeResult::Truncated);  // the bool-coded header follows
    if (result)
        *result = DecodeResult::Ok;
    return h;
}

std::optional<Vp6AlphaParts> SplitVp6AlphaFrame(const uint8_t* data, size_t size) {
    if (data == nullptr || size < 3)
        return std::nullopt;
    const size_t offset = (size_t{data[0]} << 16) | (size_t{data[1]} << 8) | data[2];
    if (offset == 0 || offset > size - 3)
        return std::nullopt;
    Vp6AlphaParts parts;
    parts.colour = data + 3;
    parts.colourSize = offset;
    parts.alpha = data + 3 + offset;
    parts.alphaSize = size - 3 - offset;
    if (parts.alphaSize == 0)
        return std::nullopt;
    return parts;
}

namespace {

class Vp6Decoder final : public VideoDecoder {
public:
    Vp6Decoder(uint32_t width, uint32_t height, bool withAlpha) : VideoDecoder(width, height), m_withAlpha(withAlpha) {}

    DecodeResult Decode(const uint8_t* data, size_t size, const DecodeOptions&) override {
        const uint8_t* colour = data;
        size_t colourSize = size;
        if (m_withAlpha) {
            const auto parts = SplitVp6AlphaFrame(data, size);
            if (!parts)
                return DecodeResult::Truncated;
            DecodeResult alphaResult = DecodeResult::Ok;
            if (!ReadVp6FrameHeader(parts->alpha, parts->alphaSize, &alphaResult))
                return alphaResult;
            colour = parts->colour;
            colourSize = parts->colourSize;
        }
        DecodeResult result = DecodeResult::Ok;
        const auto header = ReadVp6FrameHeader(colour, colourSize, &result);
        if (!header)
            return result;
        if (!header->keyFrame && !m_haveKeyFrame)
            return DecodeResult::NeedKeyFrame;
        return DecodeResult::Unsupported;
    }

private:
    bool m_withAlpha;
    bool m_haveKeyFrame = false;
};

}  // namespace

std::unique_ptr<VideoDecoder> CreateVp6Decoder(uint32_t width, uint32_t height, bool withAlpha) {
    return std::make_unique<Vp6Decoder>(width, height, withAlpha);
}

}  // namespace media
