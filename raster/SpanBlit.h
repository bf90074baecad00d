// Source-over compositing of one row of coverage with a paint, and the coverage arithmetic of
// masks. The paint is resolved once per draw into a SpanPaint.
#pragma once

#include "PaintFetch.h"

#include <cstdint>

namespace raster {

struct SpanPaint {
    uint32_t solid = 0;       // premultiplied, when fetch is null
    FetchFn fetch = nullptr;  // gradients and bitmaps
    const PaintContext* context = nullptr;
    uint32_t* row = nullptr;  // scratch for fetched colours, at least the surface's width
};

// Composites pixels x0..x1-1 of `dstRow` (a whole row of the destination) with coverage
// cov[0 .. x1-x0-1].
void BlitRow(const SpanPaint& paint, uint32_t* dstRow, int x0, int x1, int y, const uint8_t* cov);

// mask = mask + cov - mask * cov: the union of coverage.
void UnionCoverageRow(uint8_t* mask, const uint8_t* cov, int count);
// cov = cov * mask.
void MultiplyCoverageRow(uint8_t* cov, const uint8_t* mask, int count);

}  // namespace raster
