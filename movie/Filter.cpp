// Reads the filter records of PlaceObject3 and DefineButton2's records.
#include "movie/Filter.h"

#include <cstring>

namespace movie {
namespace {

// The file's single-precision float, little-endian.
float ReadFloat(BitReader& r) {
    const uint32_t bits = r.U32();
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

// What follows the colours of the shadow, glow and bevel records: the blur, the offset (all
// but the plain glow have one), the strength and the flag byte. Bevels keep one bit of the
// passes for onTop.
void ReadShadowParameters(BitReader& r, FilterDef& f, bool offset, bool bevel) {
    f.blurX = r.Fixed16();
    f.blurY = r.Fixed16();
    if (offset) {
        f.angle = r.Fixed16();
        f.distance = r.Fixed16();
    }
    f.strength = r.Fixed8();
    const uint8_t flags = r.U8();
    f.inner = flags & 0x80;
    f.knockout = flags & 0x40;
    f.compositeSource = flags & 0x20;
    if (bevel) {
        f.onTop = flags & 0x10;
        f.passes = flags & 0x0F;
    } else {
        f.passes = flags & 0x1F;
    }
}

}  // namespace

std::optional<FilterDef> ReadFilter(BitReader& r) {
    FilterDef f;
    const uint8_t type = r.U8();
    switch (type) {
    case 0:  // drop shadow
    case 2:  // glow
        f.kind = type == 0 ? FilterKind::DropShadow : FilterKind::Glow;
        f.colors.push_back({ReadRgba(r), 255});
        ReadShadowParameters(r, f, type == 0, false);
        break;
    case 1: {  // blur
        f.kind = FilterKind::Blur;
        f.blurX = r.Fixed16();
        f.blurY = r.Fixed16();
        f.passes = r.U8() >> 3;
        break;
    }
    case 3: {  // bevel: the highlight colour comes first (the reference reads it so)
        f.kind = FilterKind::Bevel;
        const Rgba highlight = ReadRgba(r);
        const Rgba shadow = ReadRgba(r);
        f.colors = {{highlight, 0}, {shadow, 255}};
        ReadShadowParameters(r, f, true, true);
        break;
    }
    case 4:    // gradient glow
    case 7: {  // gradient bevel
        f.kind = type == 4 ? FilterKind::GradientGlow : FilterKind::GradientBevel;
        const uint8_t count = r.U8();
        if (r.Remaining() < size_t(count) * 5) {
            r.Fail();
            break;
        }
        f.colors.resize(count);
        for (GradientStop& s : f.colors)
            s.color = ReadRgba(r);
        for (GradientStop& s : f.colors)
            s.ratio = r.U8();
        ReadShadowParameters(r, f, true, true);
        break;
    }
    case 5: {  // convolution
        f.kind = FilterKind::Convolution;
        f.matrixX = r.U8();
        f.matrixY = r.U8();
        f.divisor = ReadFloat(r);
        f.bias = ReadFloat(r);
        const size_t n = size_t(f.matrixX) * f.matrixY;
        if (r.Remaining() < n * 4) {
            r.Fail();
            break;
        }
        f.matrix.resize(n);
        for (float& v : f.matrix)
            v = ReadFloat(r);
        f.defaultColor = ReadRgba(r);
        const uint8_t flags = r.U8();
        f.clamp = flags & 0x02;
        f.preserveAlpha = flags & 0x01;
        break;
    }
    case 6:  // colour matrix
        f.kind = FilterKind::ColorMatrix;
        f.matrix.resize(20);
        for (float& v : f.matrix)
            v = ReadFloat(r);
        break;
    default:
        r.Fail();
        break;
    }
    if (!r.Ok())
        return std::nullopt;
    return f;
}

std::vector<FilterDef> ReadFilterList(BitReader& r) {
    const uint8_t count = r.U8();
    std::vector<FilterDef> out;
    out.reserve(count);
    for (uint8_t i = 0; i < count; ++i) {
        std::optional<FilterDef> f = ReadFilter(r);
        if (!f)
            return {};
        out.push_back(std::move(*f));
    }
    return out;
}

}  // namespace movie
