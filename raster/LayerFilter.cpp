// The filters: box blurs repeated once per pass over premultiplied pixels (or an alpha plane),
// shadows, glows and bevels made from the blurred alpha, colour matrices and convolutions.
#include "LayerFilter.h"

#include "PixelMath.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace raster {

BoxSpan BoxSpanOf(float blur) {
    if (!(blur > 1))
        return {};
    const float half = std::min(blur, 2048.0f) / 2.0f;
    const int whole = static_cast<int>(half - 0.5f);
    const float part = half - (static_cast<float>(whole) + 0.5f);
    return {whole, static_cast<uint32_t>(part * 256.0f + 0.5f)};
}

namespace {

int Reach(float blur, int passes) {
    return BoxSpanOf(blur).Reach() * std::max(passes, 0);
}

int Offset(float d) {
    if (!(std::fabs(d) < 4096.0f))
        return 0;
    return static_cast<int>(std::lround(d));
}

// The weights of a box in 1/256 and the factor that divides by their total (0.32 fixed point,
// one 32 x 32-bit multiply per value so the column loop vectorises). Sums stay below 2^28.
struct BoxWeights {
    uint32_t edge;
    uint32_t scale;
    explicit BoxWeights(BoxSpan s)
        : edge(s.edge), scale(Reciprocal(256u * (2u * uint32_t(s.whole) + 1u) + 2u * s.edge)) {}
    // Rounded up, so that a box of equal values keeps their value.
    static uint32_t Reciprocal(uint32_t total) {
        return static_cast<uint32_t>(((uint64_t(1) << 32) + total - 1) / total);
    }
    uint8_t Mean(uint32_t whole, uint32_t parts) const {
        const uint32_t num = whole * 256u + parts * edge;
        return static_cast<uint8_t>((uint64_t(num) * scale) >> 32);
    }
};

// One box pass along each row: out[x] = the weighted mean of in[x - reach .. x + reach], zero
// outside. Each row is read from a copy with zeros either side, so the loop needs no bounds;
// the whole pixels' sum slides and the two part-covered pixels are added each time.
template <int C>
void BoxRows(const uint8_t* in, uint8_t* out, int w, int h, BoxSpan s, std::vector<uint8_t>& line) {
    const BoxWeights k(s);
    const int r = s.whole;
    const size_t pad = static_cast<size_t>(r + 1) * C;
    const size_t rowLen = static_cast<size_t>(w) * C;
    line.assign(rowLen + 2 * pad, 0);
    const uint8_t* p = line.data() + pad;  // p[i] for i in [-pad, rowLen + pad)
    for (int y = 0; y < h; ++y) {
        std::memcpy(line.data() + pad, in + y * rowLen, rowLen);
        uint8_t* dst = out + y * rowLen;
        uint32_t sum[C] = {};
        for (int x = -r; x < r; ++x)
            for (int c = 0; c < C; ++c)
                sum[c] += p[x * C + c];
        for (int x = 0; x < w; ++x) {
            const uint8_t* at = p + x * C;
            for (int c = 0; c < C; ++c) {
                sum[c] += at[r * C + c];
                dst[x * C + c] = k.Mean(sum[c], uint32_t(at[(-r - 1) * C + c]) + at[(r + 1) * C + c]);
                sum[c] -= at[-r * C + c];
            }
        }
    }
}

// The same down each column, with rows of running sums.
template <int C>
void BoxColumns(const uint8_t* in, uint8_t* out, int w, int h, BoxSpan s, std::vector<uint32_t>& sums) {
    const BoxWeights k(s);
    const int r = s.whole;
    const size_t rowLen = static_cast<size_t>(w) * C;
    sums.assign(rowLen, 0);
    uint32_t* sum = sums.data();
    for (int y = 0; y < std::min(r, h); ++y) {
        const uint8_t* src = in + y * rowLen;
        for (size_t i = 0; i < rowLen; ++i)
            sum[i] += src[i];
    }
    for (int y = 0; y < h; ++y) {
        if (y + r < h) {
            const uint8_t* add = in + (y + r) * rowLen;
            for (size_t i = 0; i < rowLen; ++i)
                sum[i] += add[i];
        }
        uint8_t* dst = out + y * rowLen;
        const uint8_t* above = s.edge && y - r - 1 >= 0 ? in + (y - r - 1) * rowLen : nullptr;
        const uint8_t* below = s.edge && y + r + 1 < h ? in + (y + r + 1) * rowLen : nullptr;
        for (size_t i = 0; i < rowLen; ++i)
            dst[i] = k.Mean(sum[i], (above ? above[i] : 0u) + (below ? below[i] : 0u));
        if (y - r >= 0) {
            const uint8_t* drop = in + (y - r) * rowLen;
            for (size_t i = 0; i < rowLen; ++i)
                sum[i] -= drop[i];
        }
    }
}

// The widest convolution kernel taken (the reference's limit).
constexpr int kMaxKernel = 15;

// The strength, 0 to 255 (NaN counts as 0).
float StrengthOf(const Filter& f) {
    return f.strength > 0 ? std::min(f.strength, 255.0f) : 0.0f;
}

uint8_t ClampByte(float v) {
    if (!(v > 0))
        return 0;
    if (v >= 255)
        return 255;
    return static_cast<uint8_t>(v + 0.5f);
}

}  // namespace

float Filter::GrowX() const {
    switch (kind) {
    case FilterKind::Blur:
        return static_cast<float>(Reach(blurX, passes));
    case FilterKind::Shadow:
    case FilterKind::Bevel:
        if (inner && !onTop)
            return 0;
        return static_cast<float>(Reach(blurX, passes) + std::abs(Offset(dx)));
    default:
        return 0;
    }
}

float Filter::GrowY() const {
    switch (kind) {
    case FilterKind::Blur:
        return static_cast<float>(Reach(blurY, passes));
    case FilterKind::Shadow:
    case FilterKind::Bevel:
        if (inner && !onTop)
            return 0;
        return static_cast<float>(Reach(blurY, passes) + std::abs(Offset(dy)));
    default:
        return 0;
    }
}

IntRect LayerFilter::Reach(const IntRect& content, const FilterList& filters, const IntRect& limit) {
    if (content.Empty())
        return {};
    float gx = 0, gy = 0;
    for (int i = 0; i < filters.count; ++i) {
        gx += filters.filters[i].GrowX();
        gy += filters.filters[i].GrowY();
    }
    const int ix = static_cast<int>(std::min(gx, 8192.0f)), iy = static_cast<int>(std::min(gy, 8192.0f));
    return IntRect{content.x0 - ix, content.y0 - iy, content.x1 + ix, content.y1 + iy}.Intersect(limit);
}

void LayerFilter::Apply(uint32_t* pixels, int stride, const IntRect& area, const FilterList& filters) {
    if (area.Empty())
        return;
    m_area = area;
    m_w = area.Width();
    m_h = area.Height();
    uint32_t* origin = pixels + static_cast<size_t>(area.y0) * stride + area.x0;
    for (int i = 0; i < filters.count; ++i) {
        const Filter& f = filters.filters[i];
        switch (f.kind) {
        case FilterKind::Blur: {
            const size_t rowBytes = static_cast<size_t>(m_w) * 4;
            m_plane.resize(rowBytes * m_h);
            for (int y = 0; y < m_h; ++y)
                std::memcpy(m_plane.data() + y * rowBytes, origin + static_cast<size_t>(y) * stride, rowBytes);
            Blur(m_plane.data(), 4, f);
            for (int y = 0; y < m_h; ++y)
                std::memcpy(origin + static_cast<size_t>(y) * stride, m_plane.data() + y * rowBytes, rowBytes);
            break;
        }
        case FilterKind::Shadow:
            Shadow(origin, stride, f);
            break;
        case FilterKind::Bevel:
            Bevel(origin, stride, f);
            break;
        case FilterKind::ColorMatrix:
            Matrix(origin, stride, f);
            break;
        case FilterKind::Convolution:
            Convolve(origin, stride, f);
            break;
        }
    }
}

namespace {

// The passes of one box blur: rows from `plane` into `temp`, columns back into `plane` (a
// direction without blur is skipped, its pass copied through).
template <int C>
void BoxPasses(uint8_t* plane, std::vector<uint8_t>& temp, int w, int h, BoxSpan sx, BoxSpan sy, int passes,
               std::vector<uint8_t>& line, std::vector<uint32_t>& sums) {
    const size_t bytes = static_cast<size_t>(w) * h * C;
    temp.resize(bytes);
    for (int pass = 0; pass < passes; ++pass) {
        if (sx.Empty())
            std::memcpy(temp.data(), plane, bytes);
        else
            BoxRows<C>(plane, temp.data(), w, h, sx, line);
        if (sy.Empty())
            std::memcpy(plane, temp.data(), bytes);
        else
            BoxColumns<C>(temp.data(), plane, w, h, sy, sums);
    }
}

}  // namespace

void LayerFilter::Blur(uint8_t* plane, int channels, const Filter& f) {
    const BoxSpan sx = BoxSpanOf(f.blurX), sy = BoxSpanOf(f.blurY);
    if (sx.Empty() && sy.Empty())
        return;
    if (channels == 4)
        BoxPasses<4>(plane, m_temp, m_w, m_h, sx, sy, f.passes, m_line, m_sums);
    else
        BoxPasses<1>(plane, m_temp, m_w, m_h, sx, sy, f.passes, m_line, m_sums);
}

void LayerFilter::TakeAlpha(const uint32_t* pixels, int stride) {
    const size_t n = static_cast<size_t>(m_w) * m_h;
    m_source.resize(n);
    for (int y = 0; y < m_h; ++y) {
        const uint32_t* row = pixels + static_cast<size_t>(y) * stride;
        uint8_t* out = m_source.data() + static_cast<size_t>(y) * m_w;
        for (int x = 0; x < m_w; ++x)
            out[x] = static_cast<uint8_t>(AlphaOf(row[x]));
    }
    m_plane.assign(m_source.begin(), m_source.end());
}

void LayerFilter::BuildPalette(const Filter& f) {
    uint32_t stops[Filter::kMaxStops];
    const int count = std::clamp(f.stopCount, 0, Filter::kMaxStops);
    for (int i = 0; i < count; ++i)
        stops[i] = Premultiply(f.colors[i]);
    for (int v = 0; v < 256; ++v) {
        if (count == 0) {
            m_palette[v] = 0;
            continue;
        }
        int hi = 0;
        while (hi < count && f.ratios[hi] < v)
            ++hi;
        if (hi == 0 || hi == count) {
            m_palette[v] = stops[hi == 0 ? 0 : count - 1];
            continue;
        }
        const int r0 = f.ratios[hi - 1], r1 = f.ratios[hi];
        const uint32_t t = r1 > r0 ? static_cast<uint32_t>((v - r0) * 255 / (r1 - r0)) : 255;
        m_palette[v] = ScalePixel(stops[hi - 1], 255 - t) + ScalePixel(stops[hi], t);
    }
}

void LayerFilter::Shadow(uint32_t* pixels, int stride, const Filter& f) {
    TakeAlpha(pixels, stride);
    Blur(m_plane.data(), 1, f);
    BuildPalette(f);
    const int ox = Offset(f.dx), oy = Offset(f.dy);
    const uint32_t strength = static_cast<uint32_t>(StrengthOf(f) * 256.0f + 0.5f);
    for (int y = 0; y < m_h; ++y) {
        uint32_t* row = pixels + static_cast<size_t>(y) * stride;
        const uint8_t* alpha = m_source.data() + static_cast<size_t>(y) * m_w;
        const int sy = y - oy;
        const bool rowIn = sy >= 0 && sy < m_h;
        const uint8_t* blurred = rowIn ? m_plane.data() + static_cast<size_t>(sy) * m_w : nullptr;
        for (int x = 0; x < m_w; ++x) {
            const int sx = x - ox;
            uint32_t b = rowIn && sx >= 0 && sx < m_w ? blurred[sx] : 0;
            if (f.inner)
                b = 255 - b;
            const uint32_t amount = std::min<uint32_t>(255, (b * strength) >> 8);
            const uint32_t sa = alpha[x];
            uint32_t shadow = m_palette[amount];
            if (f.inner) {
                shadow = ScalePixel(shadow, sa);
                row[x] = f.knockout || !f.compositeSource ? shadow : SourceOver(shadow, row[x]);
            } else if (f.knockout) {
                row[x] = ScalePixel(shadow, 255 - sa);
            } else if (!f.compositeSource) {
                row[x] = shadow;
            } else {
                row[x] = SourceOver(row[x], shadow);
            }
        }
    }
}

void LayerFilter::Bevel(uint32_t* pixels, int stride, const Filter& f) {
    TakeAlpha(pixels, stride);
    Blur(m_plane.data(), 1, f);
    BuildPalette(f);
    const int ox = Offset(f.dx), oy = Offset(f.dy);
    const int strength = static_cast<int>(StrengthOf(f) * 256.0f + 0.5f);
    auto at = [&](int x, int y) -> int {
        return x >= 0 && x < m_w && y >= 0 && y < m_h ? m_plane[static_cast<size_t>(y) * m_w + x] : 0;
    };
    for (int y = 0; y < m_h; ++y) {
        uint32_t* row = pixels + static_cast<size_t>(y) * stride;
        const uint8_t* alpha = m_source.data() + static_cast<size_t>(y) * m_w;
        for (int x = 0; x < m_w; ++x) {
            // Positive on the side away from the light (the shadow), negative towards it.
            const int diff = at(x - ox, y - oy) - at(x + ox, y + oy);
            const int v = std::clamp((diff * strength) / 256, -255, 255);
            uint32_t bevel = m_palette[(v + 256) / 2];
            const uint32_t sa = alpha[x];
            if (f.onTop) {
                // inner and outer both
            } else if (f.inner) {
                bevel = ScalePixel(bevel, sa);
            } else {
                bevel = ScalePixel(bevel, 255 - sa);
            }
            if (f.knockout || !f.compositeSource)
                row[x] = f.onTop && f.knockout ? ScalePixel(bevel, 255 - sa) : bevel;
            else
                row[x] = f.inner || f.onTop ? SourceOver(bevel, row[x]) : SourceOver(row[x], bevel);
        }
    }
}

void LayerFilter::Matrix(uint32_t* pixels, int stride, const Filter& f) {
    const float* m = f.colorMatrix.data();
    for (int y = 0; y < m_h; ++y) {
        uint32_t* row = pixels + static_cast<size_t>(y) * stride;
        for (int x = 0; x < m_w; ++x) {
            const Color c = Unpremultiply(row[x]);
            const float r = c.r, g = c.g, b = c.b, a = c.a;
            const Color out{ClampByte(m[0] * r + m[1] * g + m[2] * b + m[3] * a + m[4]),
                            ClampByte(m[5] * r + m[6] * g + m[7] * b + m[8] * a + m[9]),
                            ClampByte(m[10] * r + m[11] * g + m[12] * b + m[13] * a + m[14]),
                            ClampByte(m[15] * r + m[16] * g + m[17] * b + m[18] * a + m[19])};
            row[x] = Premultiply(out);
        }
    }
}

void LayerFilter::Convolve(uint32_t* pixels, int stride, const Filter& f) {
    if (f.matrix == nullptr || f.matrixX <= 0 || f.matrixY <= 0 || f.matrixX > kMaxKernel || f.matrixY > kMaxKernel)
        return;
    // The unfiltered area, straight colour, as the convolution reads it.
    const size_t n = static_cast<size_t>(m_w) * m_h;
    m_row.resize(n);
    for (int y = 0; y < m_h; ++y)
        for (int x = 0; x < m_w; ++x) {
            const Color c = Unpremultiply(pixels[static_cast<size_t>(y) * stride + x]);
            m_row[static_cast<size_t>(y) * m_w + x] = Pack(c.a, c.r, c.g, c.b);
        }
    const uint32_t outside = Pack(f.defaultColor.a, f.defaultColor.r, f.defaultColor.g, f.defaultColor.b);
    const float scale = f.divisor != 0 ? 1.0f / f.divisor : 1.0f;
    const int cx = f.matrixX / 2, cy = f.matrixY / 2;
    for (int y = 0; y < m_h; ++y) {
        for (int x = 0; x < m_w; ++x) {
            float r = 0, g = 0, b = 0, a = 0;
            for (int j = 0; j < f.matrixY; ++j) {
                int sy = y + j - cy;
                for (int i = 0; i < f.matrixX; ++i) {
                    int sx = x + i - cx;
                    uint32_t p;
                    if (sx >= 0 && sx < m_w && sy >= 0 && sy < m_h) {
                        p = m_row[static_cast<size_t>(sy) * m_w + sx];
                    } else if (f.clamp) {
                        p = m_row[static_cast<size_t>(std::clamp(sy, 0, m_h - 1)) * m_w + std::clamp(sx, 0, m_w - 1)];
                    } else {
                        p = outside;
                    }
                    const float k = f.matrix[j * f.matrixX + i];
                    r += k * static_cast<float>(RedOf(p));
                    g += k * static_cast<float>(GreenOf(p));
                    b += k * static_cast<float>(BlueOf(p));
                    a += k * static_cast<float>(AlphaOf(p));
                }
            }
            const uint32_t self = m_row[static_cast<size_t>(y) * m_w + x];
            const Color out{ClampByte(r * scale + f.bias), ClampByte(g * scale + f.bias), ClampByte(b * scale + f.bias),
                            f.preserveAlpha ? static_cast<uint8_t>(AlphaOf(self)) : ClampByte(a * scale + f.bias)};
            pixels[static_cast<size_t>(y) * stride + x] = Premultiply(out);
        }
    }
}

}  // namespace raster
