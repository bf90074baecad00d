#include "H263Decoder.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "BitReader.h"
#include "Deblock.h"
#include "H263Tables.h"
#include "Idct.h"
#include "YuvPlanes.h"

namespace media {

namespace h263 {

const VlcTable& McbpcIntraTable() {
    static const VlcTable t(kMcbpcIntra, 9, 9);
    return t;
}
const VlcTable& McbpcInterTable() {
    static const VlcTable t(kMcbpcInter, 21, 9);
    return t;
}
const VlcTable& CbpyTable() {
    static const VlcTable t(kCbpy, 16, 6);
    return t;
}
const VlcTable& MvdTable() {
    static const VlcTable t(kMvd, 33, 12);
    return t;
}
const VlcTable& TcoefTable() {
    static const VlcTable t(kTcoef, 103, 12);
    return t;
}

}  // namespace h263

namespace {

using namespace h263;

enum class PictureType { Intra, Inter, DisposableInter };

struct PictureHeader {
    uint32_t version = 0;
    uint32_t width = 0, height = 0;
    PictureType type = PictureType::Intra;
    bool deblocking = false;
    int quant = 0;
};

struct MotionVector {
    int x = 0, y = 0;  // half pixels
};

inline int Median(int a, int b, int c) {
    return std::max(std::min(a, b), std::min(std::max(a, b), c));
}

// Chroma displacement of a luma vector: half of it, with quarter positions taken to the half.
inline int ChromaComponent(int v) {
    return (v >> 1) | (v & 1);
}

class SorensonDecoder final : public VideoDecoder {
public:
    SorensonDecoder(uint32_t width, uint32_t height) : VideoDecoder(width, height) {}

    DecodeResult Decode(const uint8_t* data, size_t size, const DecodeOptions& options) override;

private:
    DecodeResult ReadHeader(BitReader& bits, PictureHeader& header) const;
    DecodeResult DecodeMacroblocks(BitReader& bits, const PictureHeader& header);
    DecodeResult DecodeBlock(BitReader& bits, uint32_t version, bool intra, bool coded, int quant,
                             int16_t* coeffs) const;
    void Predict(const YuvPlanes& from, uint32_t mbx, uint32_t mby, MotionVector mv);
    void PutBlock(uint8_t* plane, uint32_t stride, uint32_t x, uint32_t y, const int16_t* coeffs, bool add);

    YuvPlanes m_current, m_reference, m_shown;
    bool m_haveReference = false;
    std::vector<MotionVector> m_vectors;  // this picture's, one per macroblock
};

DecodeResult SorensonDecoder::ReadHeader(BitReader& bits, PictureHeader& h) const {
    if (bits.Read(17) != 1)
        return DecodeResult::Corrupt;  // picture start code
    h.version = bits.Read(5);
    if (h.version > 1)
        return DecodeResult::Unsupported;
    bits.Read(8);  // temporal reference
    switch (bits.Read(3)) {
    case 0:
        h.width = bits.Read(8);
        h.height = bits.Read(8);
        break;
    case 1:
        h.width = bits.Read(16);
        h.height = bits.Read(16);
        break;
    case 2:
        h.width = 352;
        h.height = 288;
        break;
    case 3:
        h.width = 176;
        h.height = 144;
        break;
    case 4:
        h.width = 128;
        h.height = 96;
        break;
    case 5:
        h.width = 320;
        h.height = 240;
        break;
    case 6:
        h.width = 160;
        h.height = 120;
        break;
    default:
        return DecodeResult::Corrupt;
    }
    const uint32_t type = bits.Read(2);
    if (type == 3)
        return DecodeResult::Corrupt;
    h.type = static_cast<PictureType>(type);
    h.deblocking = bits.ReadBit() != 0;
    h.quant = static_cast<int>(bits.Read(5));
    if (h.quant == 0)
        return DecodeResult::Corrupt;
    // Extra information: flagged bytes, skipped (bounded by the payload).
    while (bits.ReadBit() && !bits.Overrun())
        bits.Read(8);
    if (bits.Overrun())
        return DecodeResult::Truncated;
    if (h.width == 0 || h.height == 0)
        return DecodeResult::BadSize;
    if (h.width > kMaxVideoSide || h.height > kMaxVideoSide)
        return DecodeResult::BadSize;
    return DecodeResult::Ok;
}

DecodeResult SorensonDecoder::DecodeBlock(BitReader& bits, uint32_t version, bool intra, bool coded, int quant,
                                          int16_t* coeffs) const {
    std::memset(coeffs, 0, 64 * sizeof(int16_t));
    int index = 0;
    if (intra) {
        const uint32_t dc = bits.Read(8);
        if (dc == 0 || dc == 128)
            return DecodeResult::Corrupt;
        coeffs[0] = static_cast<int16_t>(dc == 255 ? 1024 : dc * 8);
        index = 1;
    }
    if (!coded)
        return DecodeResult::Ok;
    const VlcTable& table = TcoefTable();
    for (;;) {
        const int symbol = table.Decode(bits);
        if (symbol < 0)
            return bits.Overrun() ? DecodeResult::Truncated : DecodeResult::Corrupt;
        int last, run, level;
        if (symbol == kTcoefEscape) {
            unsigned levelBits = 8;
            if (version == 1)
                levelBits = bits.ReadBit() ? 11 : 7;
            last = static_cast<int>(bits.ReadBit());
            run = static_cast<int>(bits.Read(6));
            level = bits.ReadSigned(levelBits);
            if (level == 0 || (levelBits == 8 && level == -128))
                return DecodeResult::Corrupt;
        } else {
            const RunLevel& rl = kTcoefSymbols.entries[symbol];
            last = rl.last;
            run = rl.run;
            level = bits.ReadBit() ? -rl.level : rl.level;
        }
        if (bits.Overrun())
            return DecodeResult::Truncated;
        index += run;
        if (index > 63)
            return DecodeResult::Corrupt;
        const int magnitude = quant * (2 * std::abs(level) + 1) - ((quant & 1) ? 0 : 1);
        const int value = std::clamp(level < 0 ? -magnitude : magnitude, -2048, 2047);
        coeffs[kZigzag[index]] = static_cast<int16_t>(value);
        ++index;
        if (last)
            break;
    }
    return DecodeResult::Ok;
}

void SorensonDecoder::PutBlock(uint8_t* plane, uint32_t stride, uint32_t x, uint32_t y, const int16_t* coeffs,
                               bool add) {
    int samples[64];
    InverseDct8x8(coeffs, samples);
    for (int r = 0; r < 8; ++r) {
        uint8_t* row = plane + static_cast<size_t>(y + r) * stride + x;
        for (int c = 0; c < 8; ++c) {
            const int base = add ? row[c] : 0;
            row[c] = static_cast<uint8_t>(std::clamp(base + samples[r * 8 + c], 0, 255));
        }
    }
}

// Copies a size x size block from `src` displaced by (mvx, mvy) half samples into `dst`, with
// coordinates outside the plane taken from its nearest edge.
void CopyHalfPel(const uint8_t* src, uint32_t width, uint32_t height, uint8_t* dst, uint32_t x, uint32_t y, int size,
                 int mvx, int mvy) {
    const int fx = mvx & 1, fy = mvy & 1;
    const int ox = static_cast<int>(x) + (mvx >> 1), oy = static_cast<int>(y) + (mvy >> 1);
    const int maxX = static_cast<int>(width) - 1, maxY = static_cast<int>(height) - 1;
    auto at = [&](int px, int py) {
        return static_cast<int>(
            src[static_cast<size_t>(std::clamp(py, 0, maxY)) * width + static_cast<size_t>(std::clamp(px, 0, maxX))]);
    };
    for (int r = 0; r < size; ++r) {
        uint8_t* out = dst + static_cast<size_t>(y + r) * width + x;
        for (int c = 0; c < size; ++c) {
            const int px = ox + c, py = oy + r;
            int v;
            if (!fx && !fy)
                v = at(px, py);
            else if (fx && !fy)
                v = (at(px, py) + at(px + 1, py) + 1) >> 1;
            else if (!fx && fy)
                v = (at(px, py) + at(px, py + 1) + 1) >> 1;
            else
                v = (at(px, py) + at(px + 1, py) + at(px, py + 1) + at(px + 1, py + 1) + 2) >> 2;
            out[c] = static_cast<uint8_t>(v);
        }
    }
}

void SorensonDecoder::Predict(const YuvPlanes& from, uint32_t mbx, uint32_t mby, MotionVector mv) {
    CopyHalfPel(from.y.data(), from.width, from.height, m_current.y.data(), mbx * 16, mby * 16, 16, mv.x, mv.y);
    const int cx = ChromaComponent(mv.x), cy = ChromaComponent(mv.y);
    const uint32_t cw = from.width / 2, ch = from.height / 2;
    CopyHalfPel(from.u.data(), cw, ch, m_current.u.data(), mbx * 8, mby * 8, 8, cx, cy);
    CopyHalfPel(from.v.data(), cw, ch, m_current.v.data(), mbx * 8, mby * 8, 8, cx, cy);
}

DecodeResult SorensonDecoder::DecodeMacroblocks(BitReader& bits, const PictureHeader& h) {
    const uint32_t mbCols = m_current.width / 16, mbRows = m_current.height / 16;
    const bool interPicture = h.type != PictureType::Intra;
    const uint32_t cw = m_current.ChromaWidth();
    m_vectors.assign(static_cast<size_t>(mbCols) * mbRows, MotionVector{});
    int quant = h.quant;
    int16_t coeffs[6][64];
    for (uint32_t mby = 0; mby < mbRows; ++mby) {
        for (uint32_t mbx = 0; mbx < mbCols; ++mbx) {
            int type = 3, cbpc = 0;
            for (;;) {  // stuffing codes may precede the macroblock
                if (interPicture) {
                    if (bits.ReadBit()) {  // not coded: the reference's block, unmoved
                        type = -1;
                        break;
                    }
                    const int s = McbpcInterTable().Decode(bits);
                    if (s < 0)
                        return bits.Overrun() ? DecodeResult::Truncated : DecodeResult::Corrupt;
                    if (s == 20)
                        continue;
                    type = s / 4;
                    cbpc = s % 4;
                } else {
                    const int s = McbpcIntraTable().Decode(bits);
                    if (s < 0)
                        return bits.Overrun() ? DecodeResult::Truncated : DecodeResult::Corrupt;
                    if (s == 8)
                        continue;
                    type = s < 4 ? 3 : 4;
                    cbpc = s % 4;
                }
                break;
            }
            if (bits.Overrun())
                return DecodeResult::Truncated;
            if (type == -1) {
                Predict(m_reference, mbx, mby, {});
                continue;
            }
            if (type == 2)
                return DecodeResult::Unsupported;  // four vectors per macroblock
            const bool intra = type >= 3;
            const int cbpyIndex = CbpyTable().Decode(bits);
            if (cbpyIndex < 0)
                return bits.Overrun() ? DecodeResult::Truncated : DecodeResult::Corrupt;
            const int cbpy = intra ? cbpyIndex : 15 - cbpyIndex;
            if (type == 1 || type == 4) {
                static constexpr int kDquant[4] = {-1, -2, 1, 2};
                quant = std::clamp(quant + kDquant[bits.Read(2)], 1, 31);
            }
            if (!intra) {
                // Predictor: median of left, above and above-right; outside the picture a
                // candidate is zero, and on the top row all three are the left one.
                const size_t i = static_cast<size_t>(mby) * mbCols + mbx;
                MotionVector left = mbx > 0 ? m_vectors[i - 1] : MotionVector{};
                MotionVector above = left, aboveRight = left;
                if (mby > 0) {
                    above = m_vectors[i - mbCols];
                    aboveRight = mbx + 1 < mbCols ? m_vectors[i - mbCols + 1] : MotionVector{};
                }
                MotionVector mv;
                int* comps[2] = {&mv.x, &mv.y};
                const int pred[2] = {Median(left.x, above.x, aboveRight.x), Median(left.y, above.y, aboveRight.y)};
                for (int k = 0; k < 2; ++k) {
                    const int m = MvdTable().Decode(bits);
                    if (m < 0)
                        return bits.Overrun() ? DecodeResult::Truncated : DecodeResult::Corrupt;
                    int d = m;
                    if (m != 0 && bits.ReadBit())
                        d = -m;
                    int v = pred[k] + d;
                    if (v < -32)
                        v += 64;
                    if (v > 31)
                        v -= 64;
                    *comps[k] = v;
                }
                m_vectors[i] = mv;
                Predict(m_reference, mbx, mby, mv);
            }
            const int cbp = (cbpy << 2) | cbpc;
            for (int b = 0; b < 6; ++b) {
                const bool coded = (cbp >> (5 - b)) & 1;
                const DecodeResult r = DecodeBlock(bits, h.version, intra, coded, quant, coeffs[b]);
                if (r != DecodeResult::Ok)
                    return r;
            }
            if (bits.Overrun())
                return DecodeResult::Truncated;
            for (int b = 0; b < 6; ++b) {
                const bool coded = (cbp >> (5 - b)) & 1;
                if (!intra && !coded)
                    continue;
                if (b < 4)
                    PutBlock(m_current.y.data(), m_current.width, mbx * 16 + (b & 1) * 8, mby * 16 + (b >> 1) * 8,
                             coeffs[b], !intra);
                else
                    PutBlock(b == 4 ? m_current.u.data() : m_current.v.data(), cw, mbx * 8, mby * 8, coeffs[b], !intra);
            }
        }
    }
    return DecodeResult::Ok;
}

DecodeResult SorensonDecoder::Decode(const uint8_t* data, size_t size, const DecodeOptions& options) {
    if (data == nullptr || size == 0)
        return DecodeResult::Truncated;
    BitReader bits(data, size);
    PictureHeader header;
    DecodeResult r = ReadHeader(bits, header);
    if (r != DecodeResult::Ok)
        return r;
    const uint32_t w = (header.width + 15) & ~15u, hgt = (header.height + 15) & ~15u;
    if (header.type != PictureType::Intra) {
        if (!m_haveReference)
            return DecodeResult::NeedKeyFrame;
        if (m_reference.width != w || m_reference.height != hgt)
            return DecodeResult::BadSize;
    }
    if (m_current.width != w || m_current.height != hgt)
        m_current.Allocate(w, hgt);
    r = DecodeMacroblocks(bits, header);
    if (r != DecodeResult::Ok)
        return r;

    // The shown picture: deblocked when the stream asks for it or leaves it to the frame.
    const bool deblock = options.deblocking == 0 ? header.deblocking : options.deblocking >= 2;
    const YuvPlanes* show = &m_current;
    if (deblock) {
        m_shown = m_current;
        DeblockPlane(m_shown.y.data(), m_shown.width, m_shown.height, header.quant);
        DeblockPlane(m_shown.u.data(), m_shown.width / 2, m_shown.height / 2, header.quant);
        DeblockPlane(m_shown.v.data(), m_shown.width / 2, m_shown.height / 2, header.quant);
        show = &m_shown;
    }
    std::fill(m_picture.pixels.begin(), m_picture.pixels.end(), 0u);
    ConvertYuvToPixels(*show, nullptr, m_picture.width, m_picture.height, m_picture.pixels.data());
    // A disposable picture is shown but never predicted from.
    if (header.type != PictureType::DisposableInter) {
        std::swap(m_current, m_reference);
        m_haveReference = true;
    }
    ++m_framesDecoded;
    return DecodeResult::Ok;
}

}  // namespace

std::unique_ptr<VideoDecoder> CreateSorensonDecoder(uint32_t width, uint32_t height) {
    return std::make_unique<SorensonDecoder>(width, height);
}

}  // namespace media
