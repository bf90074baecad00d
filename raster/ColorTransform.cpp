// The movie format's colour transform in its 8.8 fixed-point form.
#include "raster/Paint.h"

#include <algorithm>

namespace raster {

namespace {

uint8_t TransformChannel(uint8_t c, int32_t mul, int32_t add) {
    // 64-bit so that extreme multipliers cannot overflow; >> 8 floors like the reference.
    const int64_t v = ((static_cast<int64_t>(c) * mul) >> 8) + add;
    return static_cast<uint8_t>(std::clamp<int64_t>(v, 0, 255));
}

int32_t ClampToInt(int64_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN / 2, INT32_MAX / 2));
}

}  // namespace

bool ColorTransform::IsIdentity() const {
    return rMul == 256 && gMul == 256 && bMul == 256 && aMul == 256 && rAdd == 0 && gAdd == 0 && bAdd == 0 && aAdd == 0;
}

Color ColorTransform::Apply(Color c) const {
    return {TransformChannel(c.r, rMul, rAdd), TransformChannel(c.g, gMul, gAdd), TransformChannel(c.b, bMul, bAdd),
            TransformChannel(c.a, aMul, aAdd)};
}

ColorTransform ColorTransform::operator*(const ColorTransform& in) const {
    auto mul = [](int32_t outer, int32_t inner) { return ClampToInt((static_cast<int64_t>(outer) * inner) >> 8); };
    auto add = [](int32_t outerMul, int32_t innerAdd, int32_t outerAdd) {
        return ClampToInt(((static_cast<int64_t>(outerMul) * innerAdd) >> 8) + outerAdd);
    };
    ColorTransform r;
    r.rMul = mul(rMul, in.rMul);
    r.gMul = mul(gMul, in.gMul);
    r.bMul = mul(bMul, in.bMul);
    r.aMul = mul(aMul, in.aMul);
    r.rAdd = add(rMul, in.rAdd, rAdd);
    r.gAdd = add(gMul, in.gAdd, gAdd);
    r.bAdd = add(bMul, in.bAdd, bAdd);
    r.aAdd = add(aMul, in.aAdd, aAdd);
    return r;
}

}  // namespace raster
