#include "ScreenVideoDecoder.h"

#include <algorithm>
#include <vector>

#include <zlib.h>

#include "BitReader.h"

namespace media {

namespace {

class ScreenVideoDecoder final : public VideoDecoder {
public:
    ScreenVideoDecoder(uint32_t width, uint32_t height, bool version2)
        : VideoDecoder(width, height), m_version2(version2) {}

    DecodeResult Decode(const uint8_t* data, size_t size, const DecodeOptions&) override {
        if (data == nullptr || size < 4)
            return DecodeResult::Truncated;
        BitReader bits(data, size);
        const uint32_t blockWidth = (bits.Read(4) + 1) * 16;
        const uint32_t width = bits.Read(12);
        const uint32_t blockHeight = (bits.Read(4) + 1) * 16;
        const uint32_t height = bits.Read(12);
        if (width == 0 || height == 0 || width > kMaxVideoSide || height > kMaxVideoSide)
            return DecodeResult::BadSize;
        const bool sizeChanged = width != m_width || height != m_height;
        const uint32_t cols = (width + blockWidth - 1) / blockWidth;
        const uint32_t rows = (height + blockHeight - 1) / blockHeight;

        // Decode into a scratch copy so that a broken frame leaves the picture alone.
        if (sizeChanged)
            m_scratch.assign(static_cast<size_t>(width) * height, 0xFF000000u);
        else
            m_scratch = m_image;
        size_t pos = 4;
        if (m_version2) {
            // Reserved bits, an I-frame image flag, and a palette, which is not decoded yet.
            if (size < 5)
                return DecodeResult::Truncated;
            if (data[4] & 1)
                return DecodeResult::Unsupported;
            pos = 5;
        }
        bool complete = true;
        for (uint32_t row = 0; row < rows; ++row) {
            for (uint32_t col = 0; col < cols; ++col) {
                if (size - pos < 2)
                    return DecodeResult::Truncated;
                const size_t length = (static_cast<size_t>(data[pos]) << 8) | data[pos + 1];
                pos += 2;
                if (length == 0) {
                    complete = complete && !sizeChanged;
                    continue;
                }
                if (size - pos < length)
                    return DecodeResult::Truncated;
                const uint8_t* packed = data + pos;
                size_t packedSize = length;
                pos += length;
                if (m_version2) {
                    // Format byte: reserved 3 bits, colour depth 2, then the flags for a
                    // changed region only and for zlib streams primed with other blocks. Only
                    // whole 24-bit blocks are decoded so far.
                    const uint8_t format = packed[0];
                    if ((format & 0x1F) != 0)
                        return DecodeResult::Unsupported;
                    ++packed;
                    --packedSize;
                }
                const uint32_t x0 = col * blockWidth, y0 = row * blockHeight;  // y0 from the bottom
                const uint32_t bw = std::min(blockWidth, width - x0);
                const uint32_t bh = std::min(blockHeight, height - y0);
                m_block.resize(static_cast<size_t>(bw) * bh * 3);
                uLongf produced = static_cast<uLongf>(m_block.size());
                if (uncompress(m_block.data(), &produced, packed, static_cast<uLong>(packedSize)) != Z_OK ||
                    produced != m_block.size())
                    return DecodeResult::Corrupt;
                for (uint32_t r = 0; r < bh; ++r) {  // block rows run bottom to top
                    const uint8_t* in = m_block.data() + static_cast<size_t>(r) * bw * 3;
                    uint32_t* out = m_scratch.data() + static_cast<size_t>(height - 1 - (y0 + r)) * width + x0;
                    for (uint32_t c = 0; c < bw; ++c, in += 3)
                        out[c] = 0xFF000000u | (uint32_t{in[2]} << 16) | (uint32_t{in[1]} << 8) | in[0];
                }
            }
        }
        // A first frame (or a new size) must replace every block.
        if (!complete && sizeChanged)
            return DecodeResult::NeedKeyFrame;
        m_image.swap(m_scratch);
        m_width = width;
        m_height = height;
        std::fill(m_picture.pixels.begin(), m_picture.pixels.end(), 0u);
        const uint32_t w = std::min(width, m_picture.width), h = std::min(height, m_picture.height);
        for (uint32_t y = 0; y < h; ++y)
            std::copy_n(m_image.data() + static_cast<size_t>(y) * width, w,
                        m_picture.pixels.data() + static_cast<size_t>(y) * m_picture.width);
        ++m_framesDecoded;
        return DecodeResult::Ok;
    }

private:
    bool m_version2;
    uint32_t m_width = 0, m_height = 0;  // of the frames so far
    std::vector<uint32_t> m_image, m_scratch;
    std::vector<uint8_t> m_block;
};

}  // namespace

std::unique_ptr<VideoDecoder> CreateScreenVideoDecoder(uint32_t width, uint32_t height, bool version2) {
    return std::make_unique<ScreenVideoDecoder>(width, height, version2);
}

}  // namespace media
