// Edge accumulation of the coverage rasteriser. Coordinates are first made local to the box;
// an edge is cut to the box's rows, and its parts left or right of the box are moved onto the
// box's side, where they still change the winding of every pixel to their right.
#include "CoverageRasterizer.h"

#include <algorithm>
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

void CoverageRasterizer::AccumulateSamples(float x0, float y0, float x1, float y1) {
    if (y0 == y1)
        return;
    float dir = 1.0f;
    if (y0 > y1) {
        std::swap(x0, x1);
        std::swap(y0, y1);
        dir = -1.0f;
    }
    const int n = m_samples;
    const float fn = static_cast<float>(n);
    const float unit = dir / (fn * fn);  // one sample's share of a pixel
    const float dxdy = (x1 - x0) / (y1 - y0);
    const float lastSample = static_cast<float>(m_box.Width() * n);
    // Sample rows whose centre line (k + 0.5) / n lies in [y0, y1): each edge end belongs to
    // one edge only.
    const int subStart = std::max(0, static_cast<int>(std::ceil(y0 * fn - 0.5f)));
    const int subEnd = std::min(m_box.Height() * n, static_cast<int>(std::ceil(y1 * fn - 0.5f)));
    for (int sub = subStart; sub < subEnd; ++sub) {
        const float x = x0 + ((static_cast<float>(sub) + 0.5f) / fn - y0) * dxdy;
        // The first sample column whose centre lies at or right of the crossing: it and the
        // rest of its pixel's samples in this row go to that cell, the row's others to the next.
        const int q = static_cast<int>(ClampSafe(std::ceil(x * fn - 0.5f), 0.0f, lastSample));
        const int row = sub / n, cell = q / n, part = q - cell * n;
        float* cells = m_acc.data() + static_cast<size_t>(row) * m_stride;
        cells[cell] += unit * static_cast<float>(n - part);
        if (part != 0)
            cells[cell + 1] += unit * static_cast<float>(part);
        Touch(row, cell, cell + 1);
    }
}

}  // namespace raster
