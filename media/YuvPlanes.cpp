#include "YuvPlanes.h"

#include <algorithm>

namespace media {

void YuvPlanes::Allocate(uint32_t w, uint32_t h) {
    width = w;
    height = h;
    y.assign(static_cast<size_t>(w) * h, 0);
    u.assign(static_cast<size_t>(w / 2) * (h / 2), 128);
    v.assign(static_cast<size_t>(w / 2) * (h / 2), 128);
}

namespace {

inline uint8_t Clamp255(int v) {
    return static_cast<uint8_t>(std::clamp(v, 0, 255));
}

// Studio-range BT.601 (Y 16..235, chroma 16..240 to full range) with the coefficients in 16.16
// fixed point and the sum rounded once: the reference player's colours, to the last bit.
constexpr int32_t kYScale = 76309;   // 255 / 219
constexpr int32_t kRFromV = 104597;  // 1.402 * 255 / 224
constexpr int32_t kGFromU = 25675;   // 1.772 * 0.114 / 0.587 * 255 / 224
constexpr int32_t kGFromV = 53279;   // 1.402 * 0.299 / 0.587 * 255 / 224
constexpr int32_t kBFromU = 132201;  // 1.772 * 255 / 224

struct ConversionTables {
    int32_t y[256], rv[256], gu[256], gv[256], bu[256];
    ConversionTables() {
        for (int i = 0; i < 256; ++i) {
            y[i] = kYScale * (i - 16) + 32768;  // + rounding
            rv[i] = kRFromV * (i - 128);
            gu[i] = -kGFromU * (i - 128);
            gv[i] = -kGFromV * (i - 128);
            bu[i] = kBFromU * (i - 128);
        }
    }
};

const ConversionTables& Tables() {
    static const ConversionTables tables;
    return tables;
}

inline uint32_t PixelFromYuv(const ConversionTables& t, int y, int u, int v) {
    const int32_t base = t.y[y];
    const int r = Clamp255((base + t.rv[v]) >> 16);
    const int g = Clamp255((base + t.gu[u] + t.gv[v]) >> 16);
    const int b = Clamp255((base + t.bu[u]) >> 16);
    return 0xFF000000u | (static_cast<uint32_t>(r) << 16) | (static_cast<uint32_t>(g) << 8) | static_cast<uint32_t>(b);
}

inline uint32_t Premultiply(uint32_t pixel, uint32_t a) {
    uint32_t r = ((pixel >> 16) & 0xFF) * a;
    uint32_t g = ((pixel >> 8) & 0xFF) * a;
    uint32_t b = (pixel & 0xFF) * a;
    r = (r + 1 + (r >> 8)) >> 8;  // exact rounding of x * a / 255
    g = (g + 1 + (g >> 8)) >> 8;
    b = (b + 1 + (b >> 8)) >> 8;
    return (a << 24) | (r << 16) | (g << 8) | b;
}

}  // namespace

void ConvertYuvToPixels(const YuvPlanes& planes, const uint8_t* alpha, uint32_t outWidth, uint32_t outHeight,
                        uint32_t* pixels) {
    const uint32_t w = std::min(outWidth, planes.width);
    const uint32_t h = std::min(outHeight, planes.height);
    const uint32_t cw = planes.ChromaWidth();
    const ConversionTables& tables = Tables();
    for (uint32_t row = 0; row < h; ++row) {
        const uint8_t* yRow = planes.y.data() + static_cast<size_t>(row) * planes.width;
        const uint8_t* uRow = planes.u.data() + static_cast<size_t>(row / 2) * cw;
        const uint8_t* vRow = planes.v.data() + static_cast<size_t>(row / 2) * cw;
        const uint8_t* aRow = alpha ? alpha + static_cast<size_t>(row) * planes.width : nullptr;
        uint32_t* out = pixels + static_cast<size_t>(row) * outWidth;
        for (uint32_t col = 0; col < w; ++col) {
            uint32_t p = PixelFromYuv(tables, yRow[col], uRow[col / 2], vRow[col / 2]);
            out[col] = aRow ? Premultiply(p, aRow[col]) : p;
        }
    }
}

}  // namespace media
