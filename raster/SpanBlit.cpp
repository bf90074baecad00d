// Row compositing loops.
#include "SpanBlit.h"

#include "PixelMath.h"

#include <algorithm>

namespace raster {

namespace {

void BlitSolidOpaque(uint32_t* d, const uint8_t* cov, int n, uint32_t color) {
    int i = 0;
    while (i < n) {
        // Interiors are long runs of full coverage: a plain fill.
        int run = i;
        while (run < n && cov[run] == 255)
            ++run;
        if (run > i) {
            std::fill(d + i, d + run, color);
            i = run;
            continue;
        }
        const uint32_t c = cov[i];
        if (c != 0)
            d[i] = BlendCovered(color, d[i], c);
        ++i;
    }
}

// The per-pixel loops have no branches so that the compiler can vectorise them: coverage 0
// leaves the destination exactly as it was (its scale by 255 is exact).
void BlendFullRun(uint32_t* d, int n, uint32_t color) {
    const uint32_t keep = 255 - AlphaOf(color);
    for (int i = 0; i < n; ++i)
        d[i] = color + ScalePixel(d[i], keep);
}

void BlitSolidTranslucent(uint32_t* d, const uint8_t* cov, int n, uint32_t color) {
    int i = 0;
    while (i < n) {
        int end = i;
        if (cov[i] == 255) {
            // Full coverage needs one scale per pixel, not two.
            while (end < n && cov[end] == 255)
                ++end;
            BlendFullRun(d + i, end - i, color);
        } else {
            while (end < n && cov[end] != 255)
                ++end;
            for (int k = i; k < end; ++k)
                d[k] = BlendCovered(color, d[k], cov[k]);
        }
        i = end;
    }
}

void BlitPixels(uint32_t* d, const uint8_t* cov, int n, const uint32_t* src) {
    for (int i = 0; i < n; ++i)
        d[i] = BlendCovered(src[i], d[i], cov[i]);
}

}  // namespace

void BlitRow(const SpanPaint& paint, uint32_t* dstRow, int x0, int x1, int y, const uint8_t* cov) {
    // Trim uncovered ends so that paints are fetched only where they show.
    int a = 0, b = x1 - x0;
    while (a < b && cov[a] == 0)
        ++a;
    while (b > a && cov[b - 1] == 0)
        --b;
    if (a == b)
        return;
    uint32_t* d = dstRow + x0 + a;
    if (paint.fetch == nullptr) {
        if (AlphaOf(paint.solid) == 255)
            BlitSolidOpaque(d, cov + a, b - a, paint.solid);
        else
            BlitSolidTranslucent(d, cov + a, b - a, paint.solid);
        return;
    }
    paint.fetch(*paint.context, x0 + a, y, b - a, paint.row);
    BlitPixels(d, cov + a, b - a, paint.row);
}

void UnionCoverageRow(uint8_t* mask, const uint8_t* cov, int count) {
    for (int i = 0; i < count; ++i) {
        const uint32_t m = mask[i], c = cov[i];
        mask[i] = static_cast<uint8_t>(m + c - Mul255(m, c));
    }
}

void MultiplyCoverageRow(uint8_t* cov, const uint8_t* mask, int count) {
    for (int i = 0; i < count; ++i)
        cov[i] = static_cast<uint8_t>(Mul255(cov[i], mask[i]));
}

}  // namespace raster
