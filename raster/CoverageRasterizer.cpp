// Edge accumulation of the coverage rasteriser. Coordinates are first made local to the box;
// an edge is cut to the box's rows, and its parts left or right of the box are moved onto the
// box's side, where they still change the winding of every pixel to their right.
#include "CoverageRasterizer.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

namespace raster {

namespace {

// Clamp that also sends NaN (from edges of extreme size) to the low end, so no index made
// from the result can leave the buffers.
inline float ClampSafe(float v, float lo, float hi) {
    if (!(v >= lo))
        return lo;
    if (!(v <= hi))
        return hi;
    return v;
}

}  // namespace

void CoverageRasterizer::Begin(const IntRect& box, int samples) {
    m_box = box.Empty() ? IntRect{} : box;
    m_samples = samples == 2 || samples == 4 ? samples : 1;
    m_stride = m_box.Width() + 2;
    const size_t cells = static_cast<size_t>(m_stride) * static_cast<size_t>(m_box.Height());
    // Grown only: the sweep leaves every cell it was handed at zero.
    if (m_acc.size() < cells)
        m_acc.resize(cells, 0.0f);
    const size_t rows = static_cast<size_t>(m_box.Height());
    if (m_rowMin.size() < rows) {
        m_rowMin.resize(rows, INT32_MAX);
        m_rowMax.resize(rows, INT32_MIN);
    }
    if (m_coverage.size() < static_cast<size_t>(m_stride))
        m_coverage.resize(m_stride);
    m_blockStride = (m_stride >> kBlockShift) + 1;
    const size_t blocks = static_cast<size_t>(m_blockStride) * rows;
    if (m_blocks.size() < blocks)
        m_blocks.resize(blocks, 0);
}

void CoverageRasterizer::AddContours(const Contours& c) {
    for (size_t i = 0; i < c.Count(); ++i) {
        const uint32_t b = c.Begin(i), e = c.End(i);
        if (e - b < 2)
            continue;
        for (uint32_t k = b + 1; k < e; ++k)
            AddLine(c.points[k - 1], c.points[k]);
        AddLine(c.points[e - 1], c.points[b]);
    }
}

void CoverageRasterizer::AddLine(Point a, Point b) {
    if (m_box.Empty())
        return;
    const float ox = static_cast<float>(m_box.x0), oy = static_cast<float>(m_box.y0);
    float x0 = a.x - ox, y0 = a.y - oy, x1 = b.x - ox, y1 = b.y - oy;
    if (!(std::isfinite(x0) && std::isfinite(y0) && std::isfinite(x1) && std::isfinite(y1)))
        return;
    if (y0 == y1)
        return;  // horizontal edges change no winding
    const float h = static_cast<float>(m_box.Height());
    if ((y0 <= 0 && y1 <= 0) || (y0 >= h && y1 >= h))
        return;
    // Cut to the rows of the box.
    auto cutAtY = [](float& xa, float& ya, float xb, float yb, float y) {
        xa = xa + (xb - xa) * ((y - ya) / (yb - ya));
        ya = y;
    };
    if (y0 < 0)
        cutAtY(x0, y0, x1, y1, 0);
    if (y1 < 0)
        cutAtY(x1, y1, x0, y0, 0);
    if (y0 > h)
        cutAtY(x0, y0, x1, y1, h);
    if (y1 > h)
        cutAtY(x1, y1, x0, y0, h);
    AddClippedLine(x0, y0, x1, y1);
}

void CoverageRasterizer::AddClippedLine(float x0, float y0, float x1, float y1) {
    const float w = static_cast<float>(m_box.Width());
    // Split where the edge crosses a side of the box, so each piece lies on one side of it.
    for (float side : {0.0f, w}) {
        if ((x0 < side && x1 > side) || (x0 > side && x1 < side)) {
            const float ym = y0 + (y1 - y0) * ((side - x0) / (x1 - x0));
            AddClippedLine(x0, y0, side, ym);
            AddClippedLine(side, ym, x1, y1);
            return;
        }
    }
    x0 = ClampSafe(x0, 0.0f, w);
    x1 = ClampSafe(x1, 0.0f, w);
    y0 = ClampSafe(y0, 0.0f, static_cast<float>(m_box.Height()));
    y1 = ClampSafe(y1, 0.0f, static_cast<float>(m_box.Height()));
    AccumulateSamples(x0, y0, x1, y1);
}

namespace {

// floor(a / b) and ceil(a / b) for b > 0.
inline int64_t FloorDiv(int64_t a, int64_t b) {
    const int64_t q = a / b;
    return (a % b != 0 && a < 0) ? q - 1 : q;
}
inline int64_t CeilDiv(int64_t a, int64_t b) {
    return -FloorDiv(-a, b);
}

}  // namespace

void CoverageRasterizer::AccumulateSamples(float x0, float y0, float x1, float y1) {
    // Ends are taken on a grid of 1/256 pixel, as the reference player holds them, and each
    // crossing is found exactly on it: a sample that lies on the edge counts as right of it,
    // the same for every edge whatever its slope, so abutting shapes neither gap nor overlap.
    int64_t ax = std::llround(x0 * static_cast<float>(kSubpixel)),
            ay = std::llround(y0 * static_cast<float>(kSubpixel));
    int64_t bx = std::llround(x1 * static_cast<float>(kSubpixel)),
            by = std::llround(y1 * static_cast<float>(kSubpixel));
    if (ay == by)
        return;
    float dir = 1.0f;
    if (ay > by) {
        std::swap(ax, bx);
        std::swap(ay, by);
        dir = -1.0f;
    }
    const int n = m_samples;
    const float unit = dir / static_cast<float>(n * n);  // one sample's share of a pixel
    const int64_t lastSample = static_cast<int64_t>(m_box.Width()) * n;
    // Sample row k's centre is at (2k + 1) * half in grid units; a row belongs to the edge when
    // its centre lies in [ay, by), so each edge end belongs to one edge only.
    const int64_t half = kSubpixel / (2 * n), rowStep = kSubpixel / n;
    const int64_t first = std::max<int64_t>(0, CeilDiv(ay - half, rowStep));
    const int64_t last = std::min<int64_t>(static_cast<int64_t>(m_box.Height()) * n, CeilDiv(by - half, rowStep));
    const int64_t dx = bx - ax, dy = by - ay;
    // The crossing of row k is ax + (yk - ay) dx / dy; the first sample column whose centre
    // (2j + 1) * half lies at or right of it is ceil((n * crossing - kSubpixel / 2) / kSubpixel).
    const int64_t den = static_cast<int64_t>(kSubpixel) * dy;
    int64_t num = n * (ax * dy + ((2 * first + 1) * half - ay) * dx) - (kSubpixel / 2) * dy;
    const int64_t numStep = n * rowStep * dx;
    for (int64_t sub = first; sub < last; ++sub, num += numStep) {
        const int64_t j = CeilDiv(num, den);
        const int q = static_cast<int>(j < 0 ? 0 : j > lastSample ? lastSample : j);
        const int row = static_cast<int>(sub / n), cell = q / n, part = q - cell * n;
        float* cells = m_acc.data() + static_cast<size_t>(row) * m_stride;
        cells[cell] += unit * static_cast<float>(n - part);
        if (part != 0)
            cells[cell + 1] += unit * static_cast<float>(part);
        Touch(row, cell, cell + 1);
    }
}

}  // namespace raster
