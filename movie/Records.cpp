#include "movie/Records.h"

namespace movie {

TwipsRect ReadRect(BitReader& r) {
    TwipsRect rect;
    const unsigned n = r.UBits(5);
    rect.xMin = r.SBits(n);
    rect.xMax = r.SBits(n);
    rect.yMin = r.SBits(n);
    rect.yMax = r.SBits(n);
    r.Align();
    return rect;
}

Matrix2D ReadMatrix(BitReader& r) {
    Matrix2D m;
    if (r.Flag()) {
        const unsigned n = r.UBits(5);
        m.a = r.FBits(n);
        m.d = r.FBits(n);
    }
    if (r.Flag()) {
        const unsigned n = r.UBits(5);
        m.b = r.FBits(n);
        m.c = r.FBits(n);
    }
    const unsigned n = r.UBits(5);
    m.tx = r.SBits(n);
    m.ty = r.SBits(n);
    r.Align();
    return m;
}

CxForm ReadCxForm(BitReader& r, bool withAlpha) {
    CxForm cx;
    const bool hasAdd = r.Flag();
    const bool hasMul = r.Flag();
    const unsigned n = r.UBits(4);
    if (hasMul) {
        cx.rMul = r.SBits(n);
        cx.gMul = r.SBits(n);
        cx.bMul = r.SBits(n);
        if (withAlpha)
            cx.aMul = r.SBits(n);
    }
    if (hasAdd) {
        cx.rAdd = r.SBits(n);
        cx.gAdd = r.SBits(n);
        cx.bAdd = r.SBits(n);
        if (withAlpha)
            cx.aAdd = r.SBits(n);
    }
    r.Align();
    return cx;
}

Rgba ReadRgb(BitReader& r) {
    Rgba c;
    c.r = r.U8();
    c.g = r.U8();
    c.b = r.U8();
    return c;
}

Rgba ReadRgba(BitReader& r) {
    Rgba c = ReadRgb(r);
    c.a = r.U8();
    return c;
}

Rgba ReadArgb(BitReader& r) {
    Rgba c;
    c.a = r.U8();
    c.r = r.U8();
    c.g = r.U8();
    c.b = r.U8();
    return c;
}

}  // namespace movie
