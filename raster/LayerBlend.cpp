// Blend modes on premultiplied colour. With s, d the source and destination channels and sa,
// da their alphas (all 0..255), the separable modes compute a colour term B(s, d) for the part
// where both are present and keep each side where the other is absent:
//   result = B + s (1 - da) + d (1 - sa),  alpha = sa + da - sa da.
#include "LayerBlend.h"

#include "PixelMath.h"

#include <algorithm>

namespace raster {

namespace {

struct Rgba {
    int a, r, g, b;
};

inline Rgba Split(uint32_t p) {
    return {static_cast<int>(AlphaOf(p)), static_cast<int>(RedOf(p)), static_cast<int>(GreenOf(p)),
            static_cast<int>(BlueOf(p))};
}

inline int Div255(int v) {  // rounded, for v in [-65025, 2 * 65025]
    const int sign = v < 0 ? -1 : 1;
    const uint32_t u = static_cast<uint32_t>(v * sign);
    const uint32_t t = u + 128;
    return sign * static_cast<int>((t + (t >> 8)) >> 8);
}

inline uint32_t JoinChannels(int a, int r, int g, int b) {
    a = std::clamp(a, 0, 255);
    r = std::clamp(r, 0, a);
    g = std::clamp(g, 0, a);
    b = std::clamp(b, 0, a);
    return Pack(static_cast<uint32_t>(a), static_cast<uint32_t>(r), static_cast<uint32_t>(g), static_cast<uint32_t>(b));
}

inline int OverAlpha(int sa, int da) {
    return sa + da - Div255(sa * da);
}

// The separable blend with colour term `term(s, d, sa, da)` (already divided by 255).
template <class Term>
inline uint32_t Separable(uint32_t src, uint32_t dst, Term term) {
    const Rgba s = Split(src), d = Split(dst);
    auto channel = [&](int sc, int dc) {
        return term(sc, dc, s.a, d.a) + Div255(sc * (255 - d.a)) + Div255(dc * (255 - s.a));
    };
    return JoinChannels(OverAlpha(s.a, d.a), channel(s.r, d.r), channel(s.g, d.g), channel(s.b, d.b));
}

inline int HardLightTerm(int s, int d, int sa, int da) {
    if (2 * s <= sa)
        return Div255(2 * s * d);
    return Div255(sa * da - 2 * (da - d) * (sa - s));
}

}  // namespace

uint32_t BlendPixel(BlendMode mode, uint32_t src, uint32_t dst) {
    switch (mode) {
    case BlendMode::Normal:
    case BlendMode::Layer:
        return SourceOver(src, dst);
    case BlendMode::Multiply:
        return Separable(src, dst, [](int s, int d, int, int) { return Div255(s * d); });
    case BlendMode::Screen: {
        const Rgba s = Split(src), d = Split(dst);
        auto screen = [](int x, int y) { return x + y - Div255(x * y); };
        return JoinChannels(screen(s.a, d.a), screen(s.r, d.r), screen(s.g, d.g), screen(s.b, d.b));
    }
    case BlendMode::Lighten:
        return Separable(src, dst,
                         [](int s, int d, int sa, int da) { return std::max(Div255(s * da), Div255(d * sa)); });
    case BlendMode::Darken:
        return Separable(src, dst,
                         [](int s, int d, int sa, int da) { return std::min(Div255(s * da), Div255(d * sa)); });
    case BlendMode::Difference:
        return Separable(src, dst,
                         [](int s, int d, int sa, int da) { return std::abs(Div255(s * da) - Div255(d * sa)); });
    case BlendMode::Add: {
        const Rgba s = Split(src), d = Split(dst);
        return JoinChannels(s.a + d.a, s.r + d.r, s.g + d.g, s.b + d.b);
    }
    case BlendMode::Subtract: {
        // The source's colour taken away from what lies below; the alpha covers as over.
        const Rgba s = Split(src), d = Split(dst);
        return JoinChannels(OverAlpha(s.a, d.a), d.r - s.r, d.g - s.g, d.b - s.b);
    }
    case BlendMode::Invert: {
        // Where the source covers, what lies below is inverted (da - d is its inverse,
        // premultiplied); the source's colour is not used and the alpha below stays.
        const Rgba s = Split(src), d = Split(dst);
        auto inv = [&](int dc) { return Div255((d.a - dc) * s.a) + Div255(dc * (255 - s.a)); };
        return JoinChannels(d.a, inv(d.r), inv(d.g), inv(d.b));
    }
    case BlendMode::Alpha:
        // What lies below keeps only as much as the source's alpha; where the source is fully
        // transparent (nothing drawn, or a gradient's transparent end) it is left alone, as the
        // reference player leaves it.
        return AlphaOf(src) == 0 ? dst : ScalePixel(dst, AlphaOf(src));
    case BlendMode::Erase:
        return ScalePixel(dst, 255 - AlphaOf(src));
    case BlendMode::Overlay:
        // Hard light with the roles of source and destination exchanged.
        return Separable(src, dst, [](int s, int d, int sa, int da) { return HardLightTerm(d, s, da, sa); });
    case BlendMode::HardLight:
        return Separable(src, dst, HardLightTerm);
    }
    return SourceOver(src, dst);
}

namespace {

template <BlendMode M, bool Masked>
void CompositeRow(uint32_t* dst, const uint32_t* src, const uint8_t* mask, int count) {
    for (int i = 0; i < count; ++i) {
        uint32_t s = src[i];
        if constexpr (Masked)
            s = ScalePixel(s, mask[i]);
        if constexpr (M == BlendMode::Normal || M == BlendMode::Layer) {
            dst[i] = SourceOver(s, dst[i]);  // exact for an empty source, and branch-free
        } else {
            if (s == 0)
                continue;  // every other mode leaves the destination alone where the source is empty
            dst[i] = BlendPixel(M, s, dst[i]);
        }
    }
}

template <BlendMode M>
CompositeRowFn RowFor(bool masked) {
    return masked ? CompositeRow<M, true> : CompositeRow<M, false>;
}

}  // namespace

CompositeRowFn ChooseComposite(BlendMode mode, bool belowIsLayer, bool masked) {
    if (!belowIsLayer && (mode == BlendMode::Alpha || mode == BlendMode::Erase))
        mode = BlendMode::Normal;
    switch (mode) {
    case BlendMode::Normal:
        return RowFor<BlendMode::Normal>(masked);
    case BlendMode::Layer:
        return RowFor<BlendMode::Layer>(masked);
    case BlendMode::Multiply:
        return RowFor<BlendMode::Multiply>(masked);
    case BlendMode::Screen:
        return RowFor<BlendMode::Screen>(masked);
    case BlendMode::Lighten:
        return RowFor<BlendMode::Lighten>(masked);
    case BlendMode::Darken:
        return RowFor<BlendMode::Darken>(masked);
    case BlendMode::Difference:
        return RowFor<BlendMode::Difference>(masked);
    case BlendMode::Add:
        return RowFor<BlendMode::Add>(masked);
    case BlendMode::Subtract:
        return RowFor<BlendMode::Subtract>(masked);
    case BlendMode::Invert:
        return RowFor<BlendMode::Invert>(masked);
    case BlendMode::Alpha:
        return RowFor<BlendMode::Alpha>(masked);
    case BlendMode::Erase:
        return RowFor<BlendMode::Erase>(masked);
    case BlendMode::Overlay:
        return RowFor<BlendMode::Overlay>(masked);
    case BlendMode::HardLight:
        return RowFor<BlendMode::HardLight>(masked);
    }
    return RowFor<BlendMode::Normal>(masked);
}

void TransformLayer(uint32_t* pixels, int stride, const IntRect& r, const ColorTransform& cx) {
    for (int y = r.y0; y < r.y1; ++y) {
        uint32_t* row = pixels + static_cast<size_t>(y) * stride;
        for (int x = r.x0; x < r.x1; ++x) {
            if (row[x] != 0)
                row[x] = TransformPixel(row[x], cx);
        }
    }
}

}  // namespace raster
