// The coverage rasteriser. A pixel holds n x n sample points at the centres of an even grid
// (n = 1: the pixel centre, aliased; 2 at medium quality; 4 at high and best, as the reference
// player samples). Each edge adds +-1/n^2, on every sample row it crosses, to the cell of each
// sample at or right of its crossing, so one sweep per row turns the running sum (the winding
// averaged over the samples) into 8-bit coverage by the fill rule. The buffers belong to the
// rasteriser and are left zeroed after every sweep, so a steady scene allocates nothing.
#pragma once

#include "Contours.h"
#include "IntRect.h"
#include "raster/Path.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace raster {

class CoverageRasterizer {
public:
    // Starts a shape whose coverage is wanted inside `box` (device pixels); nothing outside it
    // is touched, edges outside it still count for the winding inside. `samples`: sample
    // points per pixel side (1, 2 or 4; anything else is taken as 1).
    void Begin(const IntRect& box, int samples);
    // Adds every contour of `c` as a closed polygon.
    void AddContours(const Contours& c);
    void AddLine(Point a, Point b);

    // Calls sink(y, x0, x1, coverage) for every row with edges, coverage[i] being the pixel
    // (x0 + i, y); then the buffers are clean for the next shape.
    template <class Sink>
    void Sweep(FillRule rule, Sink&& sink);

    const IntRect& Box() const { return m_box; }

private:
    void AddClippedLine(float x0, float y0, float x1, float y1);
    void AccumulateSamples(float x0, float y0, float x1, float y1);
    void Touch(int row, int cellMin, int cellMax) {
        if (cellMin < m_rowMin[row])
            m_rowMin[row] = cellMin;
        if (cellMax > m_rowMax[row])
            m_rowMax[row] = cellMax;
        uint8_t* blocks = m_blocks.data() + static_cast<size_t>(row) * m_blockStride;
        for (int b = cellMin >> kBlockShift; b <= cellMax >> kBlockShift; ++b)
            blocks[b] = 1;
    }

    // Edge ends are held on a grid of 1/kSubpixel pixel.
    static constexpr int kSubpixel = 256;

    // Cells are grouped in blocks of 32 with a flag per block set when an edge wrote into it,
    // so the sweep skips untouched stretches (the inside of a thin outline) without reading them.
    static constexpr int kBlockShift = 5;

    IntRect m_box;
    int m_samples = 4;
    int m_stride = 0;
    std::vector<float> m_acc;             // box rows of m_stride cells (two more than the box is wide)
    std::vector<int> m_rowMin, m_rowMax;  // cells touched per row; min > max: none
    std::vector<uint8_t> m_blocks;        // box rows of m_blockStride flags
    int m_blockStride = 0;
    std::vector<uint8_t> m_coverage;
};

namespace detail {

inline uint8_t NonZeroCoverage(float winding) {
    float a = std::fabs(winding);
    a = a > 1.0f ? 1.0f : a;
    return static_cast<uint8_t>(a * 255.0f + 0.5f);
}

inline uint8_t EvenOddCoverage(float winding) {
    float a = std::fabs(winding);
    a -= 2.0f * std::floor(a * 0.5f);
    if (a > 1.0f)
        a = 2.0f - a;
    return static_cast<uint8_t>(a * 255.0f + 0.5f);
}

}  // namespace detail

template <class Sink>
void CoverageRasterizer::Sweep(FillRule rule, Sink&& sink) {
    const int width = m_box.Width();
    const bool nonZero = rule == FillRule::NonZero;
    for (int row = 0; row < m_box.Height(); ++row) {
        const int lo = m_rowMin[row], hi0 = m_rowMax[row];
        if (lo > hi0)
            continue;
        m_rowMin[row] = INT32_MAX;
        m_rowMax[row] = INT32_MIN;
        float* cells = m_acc.data() + static_cast<size_t>(row) * m_stride;
        uint8_t* blocks = m_blocks.data() + static_cast<size_t>(row) * m_blockStride;
        const int hi = hi0 < width ? hi0 : width - 1;  // cells past the box only close the sum
        const int y = m_box.y0 + row;
        uint8_t* cov = m_coverage.data();
        float sum = 0;
        uint8_t c = 0;
        int start = -1;  // first cell of the run of coverage being gathered
        int x = lo;
        while (x <= hi) {
            const int block = x >> kBlockShift;
            const int blockEnd = std::min(hi, ((block + 1) << kBlockShift) - 1);
            if (blocks[block]) {
                // Only a non-zero cell changes the running sum; between edges the coverage
                // repeats.
                blocks[block] = 0;
                if (start < 0)
                    start = x;
                for (; x <= blockEnd; ++x) {
                    const float v = cells[x];
                    if (v != 0.0f) {
                        sum += v;
                        cells[x] = 0;
                        c = nonZero ? detail::NonZeroCoverage(sum) : detail::EvenOddCoverage(sum);
                    }
                    cov[x - start] = c;
                }
            } else if (c == 0) {
                if (start >= 0)
                    sink(y, m_box.x0 + start, m_box.x0 + x, cov);
                start = -1;
                x = blockEnd + 1;
            } else {
                if (start < 0)
                    start = x;
                std::memset(cov + (x - start), c, static_cast<size_t>(blockEnd + 1 - x));
                x = blockEnd + 1;
            }
        }
        if (start >= 0)
            sink(y, m_box.x0 + start, m_box.x0 + hi + 1, cov);
        for (int k = hi + 1; k <= hi0; ++k)
            cells[k] = 0;
        for (int b = (hi + 1) >> kBlockShift; b <= hi0 >> kBlockShift; ++b)
            blocks[b] = 0;
    }
}

}  // namespace raster
