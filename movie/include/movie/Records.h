// The basic records of a movie file: rectangles, matrices, colours and colour transforms.
// Coordinates stay in twips (1/20 pixel) as the file stores them. Portable.
#pragma once

#include "movie/BitReader.h"

#include <cstdint>

namespace movie {

struct Rgba {
    uint8_t r = 0, g = 0, b = 0, a = 255;
    bool operator==(const Rgba&) const = default;
};

struct TwipsRect {
    int32_t xMin = 0, xMax = 0, yMin = 0, yMax = 0;
    bool operator==(const TwipsRect&) const = default;
};

// x' = a*x + c*y + tx, y' = b*x + d*y + ty (tx, ty in twips).
struct Matrix2D {
    double a = 1, b = 0, c = 0, d = 1;
    double tx = 0, ty = 0;
    bool operator==(const Matrix2D&) const = default;
};

// Each channel becomes clamp(c * mul / 256 + add); multipliers 8.8 fixed point.
struct CxForm {
    int32_t rMul = 256, gMul = 256, bMul = 256, aMul = 256;
    int32_t rAdd = 0, gAdd = 0, bAdd = 0, aAdd = 0;
    bool operator==(const CxForm&) const = default;
};

TwipsRect ReadRect(BitReader& r);
Matrix2D ReadMatrix(BitReader& r);
// CXFORM (no alpha fields) and CXFORMWITHALPHA.
CxForm ReadCxForm(BitReader& r, bool withAlpha);
Rgba ReadRgb(BitReader& r);
Rgba ReadRgba(BitReader& r);
// The ARGB order of the alpha lossless palettes' neighbours (DefineBitsLossless2 uses RGBA;
// ARGB appears in filter records and the background colour of PlaceObject3).
Rgba ReadArgb(BitReader& r);

}  // namespace movie
