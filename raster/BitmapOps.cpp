#include "raster/BitmapOps.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

namespace raster {

namespace {

uint32_t Channel(uint32_t c, int shift) {
    return (c >> shift) & 0xFF;
}

uint32_t Pack(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
    return a << 24 | r << 16 | g << 8 | b;
}

uint32_t StoredPixel(uint32_t straight, bool opaque) {
    return PremultiplyPixel(opaque ? straight | 0xFF000000u : straight);
}

uint32_t& At(Image& image, int32_t x, int32_t y) {
    return image.pixels[size_t(y) * size_t(image.width) + size_t(x)];
}

uint32_t At(const Image& image, int32_t x, int32_t y) {
    return image.pixels[size_t(y) * size_t(image.width) + size_t(x)];
}

// The source rectangle and destination point of a copy, clipped to both bitmaps (in 64 bits:
// scripts may give any 32-bit values).
bool ClipCopy(const Image& dst, const Image& src, PixelRect& from, int32_t& dx, int32_t& dy) {
    int64_t sx = from.x, sy = from.y, w = from.width, h = from.height, tx = dx, ty = dy;
    auto cut = [](int64_t& a, int64_t& b, int64_t& size) {
        const int64_t under = std::max<int64_t>({0, -a, -b});
        a += under;
        b += under;
        size -= under;
    };
    cut(sx, tx, w);
    cut(sy, ty, h);
    w = std::min({w, int64_t(src.width) - sx, int64_t(dst.width) - tx});
    h = std::min({h, int64_t(src.height) - sy, int64_t(dst.height) - ty});
    if (w <= 0 || h <= 0)
        return false;
    from = {int32_t(sx), int32_t(sy), int32_t(w), int32_t(h)};
    dx = int32_t(tx);
    dy = int32_t(ty);
    return true;
}

// Park and Miller's minimal standard generator, as noise seeds it.
struct NoiseRandom {
    uint32_t state;
    explicit NoiseRandom(uint32_t seed) : state(seed % 2147483647u ? seed % 2147483647u : 1) {}
    uint32_t Next() {
        state = uint32_t(uint64_t(state) * 16807u % 2147483647u);
        return state;
    }
    uint32_t Between(int low, int high) { return uint32_t(low + int(Next() % uint32_t(high - low + 1))); }
};

bool Compares(uint32_t value, uint32_t threshold, int op) {
    switch (op) {
    case 0:
        return value < threshold;
    case 1:
        return value <= threshold;
    case 2:
        return value > threshold;
    case 3:
        return value >= threshold;
    case 4:
        return value == threshold;
    default:
        return value != threshold;
    }
}

int ChannelShift(int channel) {
    switch (channel) {
    case 1:
        return 16;
    case 2:
        return 8;
    case 4:
        return 0;
    case 8:
        return 24;
    default:
        return -1;
    }
}

}  // namespace

uint32_t PremultiplyPixel(uint32_t straight) {
    const uint32_t a = Channel(straight, 24);
    if (a == 0xFF)
        return straight;
    if (a == 0)
        return 0;
    auto mul = [a](uint32_t c) { return (c * a + 127) / 255; };
    return Pack(a, mul(Channel(straight, 16)), mul(Channel(straight, 8)), mul(Channel(straight, 0)));
}

uint32_t UnpremultiplyPixel(uint32_t p) {
    const uint32_t a = Channel(p, 24);
    if (a == 0xFF)
        return p;
    if (a == 0)
        return 0;
    auto div = [a](uint32_t c) { return std::min<uint32_t>(255, (c * 255 + a / 2) / a); };
    return Pack(a, div(Channel(p, 16)), div(Channel(p, 8)), div(Channel(p, 0)));
}

void ResetBitmap(Image& image, int32_t width, int32_t height, uint32_t straight, bool opaque) {
    image.width = width;
    image.height = height;
    image.pixels.assign(size_t(width) * size_t(height), StoredPixel(straight, opaque));
}

PixelRect ClipToBitmap(const Image& image, PixelRect r) {
    const int64_t x0 = std::max<int64_t>(r.x, 0), y0 = std::max<int64_t>(r.y, 0);
    const int64_t x1 = std::min<int64_t>(int64_t(r.x) + r.width, image.width);
    const int64_t y1 = std::min<int64_t>(int64_t(r.y) + r.height, image.height);
    if (x1 <= x0 || y1 <= y0)
        return {};
    return {int32_t(x0), int32_t(y0), int32_t(x1 - x0), int32_t(y1 - y0)};
}

uint32_t GetPixel32(const Image& image, int32_t x, int32_t y) {
    if (x < 0 || y < 0 || x >= image.width || y >= image.height)
        return 0;
    return UnpremultiplyPixel(At(image, x, y));
}

void SetPixel32(Image& image, int32_t x, int32_t y, uint32_t straight, bool opaque) {
    if (x < 0 || y < 0 || x >= image.width || y >= image.height)
        return;
    At(image, x, y) = StoredPixel(straight, opaque);
}

void FillPixels(Image& image, PixelRect r, uint32_t straight, bool opaque) {
    // A negative width or height reaches back from the corner given.
    auto flip = [](int32_t& at, int32_t& size) {
        if (size >= 0)
            return;
        const int64_t start = int64_t(at) + size;
        at = int32_t(std::clamp<int64_t>(start, INT32_MIN, INT32_MAX));
        size = int32_t(std::min<int64_t>(-int64_t(size), INT32_MAX));
    };
    flip(r.x, r.width);
    flip(r.y, r.height);
    r = ClipToBitmap(image, r);
    const uint32_t p = StoredPixel(straight, opaque);
    for (int32_t y = r.y; y < r.y + r.height; ++y)
        std::fill_n(&At(image, r.x, y), size_t(r.width), p);
}

void TransformPixels(Image& image, PixelRect r, const BitmapColorTransform& ct, bool opaque) {
    r = ClipToBitmap(image, r);
    auto apply = [&ct](uint32_t c, int i) {
        const double v = double(c) * ct.mul[i] + ct.add[i];
        return uint32_t(std::clamp(std::isnan(v) ? 0.0 : v, 0.0, 255.0));
    };
    for (int32_t y = r.y; y < r.y + r.height; ++y) {
        for (int32_t x = r.x; x < r.x + r.width; ++x) {
            const uint32_t s = UnpremultiplyPixel(At(image, x, y));
            const uint32_t out = Pack(apply(Channel(s, 24), 3), apply(Channel(s, 16), 0), apply(Channel(s, 8), 1),
                                      apply(Channel(s, 0), 2));
            At(image, x, y) = StoredPixel(out, opaque);
        }
    }
}

void CopyPixels(Image& dst, const Image& src, PixelRect from, int32_t dx, int32_t dy, const Image* alpha, int32_t ax,
                int32_t ay, bool mergeAlpha, bool opaque) {
    const int32_t sx0 = from.x, sy0 = from.y;
    if (!ClipCopy(dst, src, from, dx, dy))
        return;
    for (int32_t j = 0; j < from.height; ++j) {
        for (int32_t i = 0; i < from.width; ++i) {
            uint32_t s = At(src, from.x + i, from.y + j);
            if (alpha) {
                // The alpha bitmap's pixel that lines up with this source pixel.
                const int32_t px = ax + from.x + i - sx0, py = ay + from.y + j - sy0;
                const uint32_t k =
                    px >= 0 && py >= 0 && px < alpha->width && py < alpha->height ? Channel(At(*alpha, px, py), 24) : 0;
                auto scale = [k](uint32_t c) { return (c * k + 127) / 255; };
                s = Pack(scale(Channel(s, 24)), scale(Channel(s, 16)), scale(Channel(s, 8)), scale(Channel(s, 0)));
            }
            uint32_t& d = At(dst, dx + i, dy + j);
            if (mergeAlpha || opaque) {
                // Source over destination, premultiplied.
                const uint32_t inv = 255 - Channel(s, 24);
                auto over = [&](int shift) {
                    return std::min<uint32_t>(255, Channel(s, shift) + (Channel(d, shift) * inv + 127) / 255);
                };
                s = Pack(over(24), over(16), over(8), over(0));
            }
            d = opaque ? StoredPixel(UnpremultiplyPixel(s), true) : s;
        }
    }
}

void CopyChannel(Image& dst, const Image& src, PixelRect from, int32_t dx, int32_t dy, int srcChannel, int dstChannel,
                 bool opaque) {
    const int ss = ChannelShift(srcChannel), ds = ChannelShift(dstChannel);
    if (ss < 0 || ds < 0 || (opaque && ds == 24) || !ClipCopy(dst, src, from, dx, dy))
        return;
    for (int32_t j = 0; j < from.height; ++j) {
        for (int32_t i = 0; i < from.width; ++i) {
            const uint32_t v = Channel(UnpremultiplyPixel(At(src, from.x + i, from.y + j)), ss);
            uint32_t& d = At(dst, dx + i, dy + j);
            const uint32_t straight = (UnpremultiplyPixel(d) & ~(0xFFu << ds)) | v << ds;
            d = StoredPixel(straight, opaque);
        }
    }
}

void ScrollPixels(Image& image, int32_t dx, int32_t dy) {
    const int32_t w = image.width, h = image.height;
    if (std::abs(int64_t(dx)) >= w || std::abs(int64_t(dy)) >= h || (dx == 0 && dy == 0))
        return;
    const int32_t rowLen = w - std::abs(dx);
    const int32_t srcX = dx < 0 ? -dx : 0, dstX = dx < 0 ? 0 : dx;
    auto move = [&](int32_t y) {
        std::memmove(&At(image, dstX, y + dy), &At(image, srcX, y), size_t(rowLen) * sizeof(uint32_t));
    };
    if (dy > 0) {
        for (int32_t y = h - 1 - dy; y >= 0; --y)
            move(y);
    } else {
        for (int32_t y = -dy; y < h; ++y)
            move(y);
    }
}

void FloodFill(Image& image, int32_t x, int32_t y, uint32_t straight, bool opaque, std::vector<int32_t>& stack) {
    if (x < 0 || y < 0 || x >= image.width || y >= image.height)
        return;
    const uint32_t from = At(image, x, y), to = StoredPixel(straight, opaque);
    if (from == to)
        return;
    // Spans: each popped seed fills its run of the row, and seeds the runs above and below it.
    stack.clear();
    stack.push_back(x);
    stack.push_back(y);
    while (!stack.empty()) {
        const int32_t py = stack.back();
        stack.pop_back();
        const int32_t px = stack.back();
        stack.pop_back();
        if (At(image, px, py) != from)
            continue;
        int32_t left = px, right = px;
        while (left > 0 && At(image, left - 1, py) == from)
            --left;
        while (right + 1 < image.width && At(image, right + 1, py) == from)
            ++right;
        std::fill(&At(image, left, py), &At(image, right, py) + 1, to);
        for (const int32_t ny : {py - 1, py + 1}) {
            if (ny < 0 || ny >= image.height)
                continue;
            bool inRun = false;
            for (int32_t nx = left; nx <= right; ++nx) {
                const bool match = At(image, nx, ny) == from;
                if (match && !inRun) {
                    stack.push_back(nx);
                    stack.push_back(ny);
                }
                inRun = match;
            }
        }
    }
}

PixelRect ColorBounds(const Image& image, uint32_t mask, uint32_t color, bool find) {
    int32_t x0 = image.width, y0 = image.height, x1 = 0, y1 = 0;
    bool any = false;
    for (int32_t y = 0; y < image.height; ++y) {
        for (int32_t x = 0; x < image.width; ++x) {
            const bool same = (UnpremultiplyPixel(At(image, x, y)) & mask) == (color & mask);
            if (same != find)
                continue;
            any = true;
            x0 = std::min(x0, x);
            y0 = std::min(y0, y);
            x1 = std::max(x1, x);
            y1 = std::max(y1, y);
        }
    }
    // The reference takes a far corner at the origin for none found: a box of the single
    // pixel (0, 0) reports empty as well.
    if (!any || (x1 == 0 && y1 == 0))
        return {};
    return {x0, y0, x1 - x0 + 1, y1 - y0 + 1};
}

void NoisePixels(Image& image, uint32_t seed, int low, int high, int channels, bool grayscale, bool opaque) {
    low = std::clamp(low, 0, 255);
    high = std::clamp(high, 0, 255);
    if (high < low)
        std::swap(low, high);
    NoiseRandom random(seed);
    for (uint32_t& p : image.pixels) {
        uint32_t r = 0, g = 0, b = 0, a = 255;
        if (grayscale) {
            r = g = b = random.Between(low, high);
        } else {
            if (channels & 1)
                r = random.Between(low, high);
            if (channels & 2)
                g = random.Between(low, high);
            if (channels & 4)
                b = random.Between(low, high);
        }
        if (channels & 8)
            a = random.Between(low, high);
        p = StoredPixel(Pack(a, r, g, b), opaque);
    }
}

int ThresholdPixels(Image& dst, const Image& src, PixelRect from, int32_t dx, int32_t dy, const char* op,
                    uint32_t threshold, uint32_t color, uint32_t mask, bool copySource, bool opaque) {
    static const char* const ops[] = {"<", "<=", ">", ">=", "==", "!="};
    int which = -1;
    for (int i = 0; i < 6; ++i)
        if (std::strcmp(op, ops[i]) == 0)
            which = i;
    if (which < 0)
        return -1;
    if (!ClipCopy(dst, src, from, dx, dy))
        return 0;
    const uint32_t t = threshold & mask, paint = StoredPixel(color, opaque);
    int count = 0;
    for (int32_t j = 0; j < from.height; ++j) {
        for (int32_t i = 0; i < from.width; ++i) {
            const uint32_t s = At(src, from.x + i, from.y + j);
            uint32_t& d = At(dst, dx + i, dy + j);
            if (Compares(UnpremultiplyPixel(s) & mask, t, which)) {
                d = paint;
                ++count;
            } else if (copySource) {
                d = opaque ? StoredPixel(UnpremultiplyPixel(s), true) : s;
            }
        }
    }
    return count;
}

void MergePixels(Image& dst, const Image& src, PixelRect from, int32_t dx, int32_t dy, const int multipliers[4],
                 bool opaque) {
    if (!ClipCopy(dst, src, from, dx, dy))
        return;
    int m[4];
    for (int i = 0; i < 4; ++i)
        m[i] = std::clamp(multipliers[i], 0, 256);
    const int shifts[4] = {16, 8, 0, 24};
    for (int32_t j = 0; j < from.height; ++j) {
        for (int32_t i = 0; i < from.width; ++i) {
            const uint32_t s = UnpremultiplyPixel(At(src, from.x + i, from.y + j));
            uint32_t& d = At(dst, dx + i, dy + j);
            const uint32_t t = UnpremultiplyPixel(d);
            uint32_t out = 0;
            for (int c = 0; c < 4; ++c) {
                const uint32_t v =
                    (Channel(s, shifts[c]) * uint32_t(m[c]) + Channel(t, shifts[c]) * uint32_t(256 - m[c])) / 256;
                out |= v << shifts[c];
            }
            d = StoredPixel(out, opaque);
        }
    }
}

void PaletteMap(Image& dst, const Image& src, PixelRect from, int32_t dx, int32_t dy, const uint32_t (*tables)[256],
                bool opaque) {
    if (!ClipCopy(dst, src, from, dx, dy))
        return;
    for (int32_t j = 0; j < from.height; ++j) {
        for (int32_t i = 0; i < from.width; ++i) {
            const uint32_t s = UnpremultiplyPixel(At(src, from.x + i, from.y + j));
            const uint32_t out = tables[0][Channel(s, 16)] + tables[1][Channel(s, 8)] + tables[2][Channel(s, 0)] +
                                 tables[3][Channel(s, 24)];
            At(dst, dx + i, dy + j) = StoredPixel(out, opaque);
        }
    }
}

bool ComparePixels(const Image& a, const Image& b, Image& out) {
    out.width = a.width;
    out.height = a.height;
    out.pixels.assign(a.pixels.size(), 0);
    bool differ = false;
    for (size_t i = 0; i < a.pixels.size() && i < b.pixels.size(); ++i) {
        const uint32_t pa = UnpremultiplyPixel(a.pixels[i]), pb = UnpremultiplyPixel(b.pixels[i]);
        if (pa == pb)
            continue;
        differ = true;
        auto diff = [&](int shift) { return (Channel(pa, shift) - Channel(pb, shift)) & 0xFF; };
        const uint32_t straight = (pa & 0xFFFFFF) != (pb & 0xFFFFFF) ? Pack(0xFF, diff(16), diff(8), diff(0))
                                                                     : Pack(diff(24), 0xFF, 0xFF, 0xFF);
        out.pixels[i] = PremultiplyPixel(straight);
    }
    return differ;
}

bool PixelHits(const Image& image, int32_t x, int32_t y, uint32_t threshold) {
    if (x < 0 || y < 0 || x >= image.width || y >= image.height)
        return false;
    const uint32_t a = Channel(At(image, x, y), 24);
    return a > 0 && a >= threshold;
}

}  // namespace raster
