// Gradient lookups and bitmap sampling.
#include "PaintFetch.h"

#include "PixelMath.h"

#include <cmath>

namespace raster {

namespace {

inline uint32_t LerpPixel(uint32_t a, uint32_t b, uint32_t f) {  // f in 0..256
    const uint32_t g = 256 - f;
    const uint32_t rb = (((a & 0x00FF00FFu) * g + (b & 0x00FF00FFu) * f) >> 8) & 0x00FF00FFu;
    const uint32_t ag = (((a >> 8) & 0x00FF00FFu) * g + ((b >> 8) & 0x00FF00FFu) * f) & 0xFF00FF00u;
    return rb | ag;
}

// Gradient parameter t (0 at ratio 0, 1 at ratio 255) under a spread, to the colour the
// ramp gives there. Entry i is the colour at the centre of its 1/256 slice of t, and a pixel
// blends the two entries around it (floored), as the reference's gradients show: their
// colours move smoothly between entries, not in steps of one entry.
template <Spread S>
inline uint32_t RampColor(const uint32_t* ramp, float t) {
    if constexpr (S == Spread::Repeat) {
        t -= std::floor(t);
    } else if constexpr (S == Spread::Reflect) {
        t = std::fabs(t);
        t -= 2.0f * std::floor(t * 0.5f);
        if (t > 1.0f)
            t = 2.0f - t;
    }
    const float p = t * 256.0f - 0.5f;
    if (!(p > 0.0f))
        return ramp[0];  // also NaN
    if (p >= 255.0f)
        return ramp[255];
    const int i = static_cast<int>(p);
    const uint32_t f = static_cast<uint32_t>((p - static_cast<float>(i)) * 256.0f);
    return LerpPixel(ramp[i], ramp[i + 1], f);
}

template <Spread S>
void FetchLinear(const PaintContext& pc, int x, int y, int count, uint32_t* out) {
    const Matrix& m = pc.inverse;
    // Gradient x at the pixel centre, and its step per pixel; t = (gx + 1) / 2.
    const double gx = m.a * (x + 0.5) + m.c * (y + 0.5) + m.tx;
    const float t0 = static_cast<float>((gx + 1.0) * 0.5);
    const float dt = static_cast<float>(m.a * 0.5);
    if constexpr (S == Spread::Pad) {
        // The common case in 16.16 fixed point of ramp position, clamped without branches.
        const double p0 = (static_cast<double>(t0) * 256.0 - 0.5) * 65536.0;
        const double dp = static_cast<double>(dt) * 256.0 * 65536.0;
        if (std::fabs(p0) < 1e15 && std::fabs(dp) * count < 1e15) {
            const int64_t start = static_cast<int64_t>(p0), step = static_cast<int64_t>(dp);
            constexpr int64_t kLast = int64_t{255} << 16;
            for (int i = 0; i < count; ++i) {
                int64_t q = start + step * i;
                q = q < 0 ? 0 : q > kLast ? kLast : q;
                const int k = static_cast<int>(q >> 16);
                const int k1 = k < 255 ? k + 1 : 255;
                out[i] = LerpPixel(pc.ramp[k], pc.ramp[k1], static_cast<uint32_t>((q >> 8) & 0xFF));
            }
            return;
        }
    }
    // Each pixel's parameter from the row's start, not by adding up steps: no chain between
    // pixels.
    for (int i = 0; i < count; ++i)
        out[i] = RampColor<S>(pc.ramp, t0 + dt * static_cast<float>(i));
}

template <Spread S>
void FetchRadial(const PaintContext& pc, int x, int y, int count, uint32_t* out) {
    const Matrix& m = pc.inverse;
    const float gx0 = static_cast<float>(m.a * (x + 0.5) + m.c * (y + 0.5) + m.tx);
    const float gy0 = static_cast<float>(m.b * (x + 0.5) + m.d * (y + 0.5) + m.ty);
    const float dx = static_cast<float>(m.a), dy = static_cast<float>(m.b);
    for (int i = 0; i < count; ++i) {
        const float gx = gx0 + dx * static_cast<float>(i), gy = gy0 + dy * static_cast<float>(i);
        out[i] = RampColor<S>(pc.ramp, std::sqrt(gx * gx + gy * gy));
    }
}

// Focal radial: t is where the point lies on the ray from the focal point F to the unit
// circle, |P - F| / |Q - F|; with D = P - F, solving |F + D/t| = 1 for t gives
// t = |D|^2 / (sqrt((F.D)^2 + |D|^2 (1 - |F|^2)) - F.D).
template <Spread S>
void FetchFocal(const PaintContext& pc, int x, int y, int count, uint32_t* out) {
    const Matrix& m = pc.inverse;
    const float f = pc.focal;
    const float gx0 = static_cast<float>(m.a * (x + 0.5) + m.c * (y + 0.5) + m.tx) - f;
    const float gy0 = static_cast<float>(m.b * (x + 0.5) + m.d * (y + 0.5) + m.ty);
    const float dx = static_cast<float>(m.a), dy = static_cast<float>(m.b);
    const float k = 1.0f - f * f;
    for (int i = 0; i < count; ++i) {
        const float gx = gx0 + dx * static_cast<float>(i), gy = gy0 + dy * static_cast<float>(i);
        const float dd = gx * gx + gy * gy;
        const float fd = f * gx;
        const float den = std::sqrt(fd * fd + dd * k) - fd;
        const float t = den > 0.0f ? dd / den : 0.0f;
        out[i] = RampColor<S>(pc.ramp, t);
    }
}

// Texel coordinate wrapping or clamping to [0, size).
template <bool Repeat>
inline int Wrap(int64_t v, int size) {
    if constexpr (Repeat) {
        int64_t r = v % size;
        return static_cast<int>(r < 0 ? r + size : r);
    } else {
        return static_cast<int>(v < 0 ? 0 : v >= size ? size - 1 : v);
    }
}

// Image coordinates in 16.16 fixed point, stepped per pixel; 64-bit so that a far-away
// pixel of a repeating fill cannot overflow.
struct FixedWalk {
    int64_t u, v, du, dv;
    FixedWalk(const Matrix& m, int x, int y, double bias) {
        const double cx = x + 0.5, cy = y + 0.5;
        auto fixed = [](double d) {
            if (!(d > -1e12))
                return static_cast<int64_t>(-1e12 * 65536.0);
            if (!(d < 1e12))
                return static_cast<int64_t>(1e12 * 65536.0);
            return static_cast<int64_t>(std::llround(d * 65536.0));
        };
        u = fixed(m.a * cx + m.c * cy + m.tx - bias);
        v = fixed(m.b * cx + m.d * cy + m.ty - bias);
        du = fixed(m.a);
        dv = fixed(m.b);
    }
};

template <bool Repeat, bool Transform>
void FetchNearest(const PaintContext& pc, int x, int y, int count, uint32_t* out) {
    const Image& img = *pc.image;
    FixedWalk w(pc.inverse, x, y, 0.0);
    for (int i = 0; i < count; ++i) {
        const int iu = Wrap<Repeat>(w.u >> 16, img.width);
        const int iv = Wrap<Repeat>(w.v >> 16, img.height);
        const uint32_t p = img.pixels[static_cast<size_t>(iv) * img.width + iu];
        out[i] = Transform ? TransformPixel(p, pc.cxform) : p;
        w.u += w.du;
        w.v += w.dv;
    }
}

template <bool Repeat, bool Transform>
void FetchBilinear(const PaintContext& pc, int x, int y, int count, uint32_t* out) {
    const Image& img = *pc.image;
    // Texel centres sit at half-integers: sample between the four around u - 0.5, v - 0.5.
    FixedWalk w(pc.inverse, x, y, 0.5);
    const uint32_t* px = img.pixels.data();
    for (int i = 0; i < count; ++i) {
        const int64_t iu = w.u >> 16, iv = w.v >> 16;
        const uint32_t fu = static_cast<uint32_t>((w.u & 0xFFFF) >> 8);
        const uint32_t fv = static_cast<uint32_t>((w.v & 0xFFFF) >> 8);
        const int u0 = Wrap<Repeat>(iu, img.width), u1 = Wrap<Repeat>(iu + 1, img.width);
        const size_t r0 = static_cast<size_t>(Wrap<Repeat>(iv, img.height)) * img.width;
        const size_t r1 = static_cast<size_t>(Wrap<Repeat>(iv + 1, img.height)) * img.width;
        const uint32_t top = LerpPixel(px[r0 + u0], px[r0 + u1], fu);
        const uint32_t bottom = LerpPixel(px[r1 + u0], px[r1 + u1], fu);
        const uint32_t p = LerpPixel(top, bottom, fv);
        out[i] = Transform ? TransformPixel(p, pc.cxform) : p;
        w.u += w.du;
        w.v += w.dv;
    }
}

}  // namespace

FetchFn ChooseGradientFetch(Gradient::Kind kind, Spread spread) {
    switch (kind) {
    case Gradient::Kind::Linear:
        return spread == Spread::Pad       ? FetchLinear<Spread::Pad>
               : spread == Spread::Reflect ? FetchLinear<Spread::Reflect>
                                           : FetchLinear<Spread::Repeat>;
    case Gradient::Kind::Radial:
        return spread == Spread::Pad       ? FetchRadial<Spread::Pad>
               : spread == Spread::Reflect ? FetchRadial<Spread::Reflect>
                                           : FetchRadial<Spread::Repeat>;
    case Gradient::Kind::Focal:
        return spread == Spread::Pad       ? FetchFocal<Spread::Pad>
               : spread == Spread::Reflect ? FetchFocal<Spread::Reflect>
                                           : FetchFocal<Spread::Repeat>;
    }
    return nullptr;
}

FetchFn ChooseBitmapFetch(bool repeat, bool bilinear, bool transformColors) {
    if (bilinear) {
        if (repeat)
            return transformColors ? FetchBilinear<true, true> : FetchBilinear<true, false>;
        return transformColors ? FetchBilinear<false, true> : FetchBilinear<false, false>;
    }
    if (repeat)
        return transformColors ? FetchNearest<true, true> : FetchNearest<true, false>;
    return transformColors ? FetchNearest<false, true> : FetchNearest<false, false>;
}

}  // namespace raster
