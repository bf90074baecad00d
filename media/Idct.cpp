#include "Idct.h"

#include <cmath>
#include <numbers>

namespace media {

namespace {

struct CosineTable {
    double c[8][8];  // c[x][u] = C(u) / 2 * cos((2x + 1) u pi / 16)
    CosineTable() {
        for (int x = 0; x < 8; ++x)
            for (int u = 0; u < 8; ++u) {
                const double cu = u == 0 ? std::sqrt(0.5) : 1.0;
                c[x][u] = cu / 2.0 * std::cos((2 * x + 1) * u * std::numbers::pi / 16.0);
            }
    }
};

const CosineTable& Cosines() {
    static const CosineTable table;
    return table;
}

}  // namespace

void InverseDct8x8(const int16_t* coeffs, int* out) {
    const auto& c = Cosines().c;
    double rows[64];
    for (int v = 0; v < 8; ++v) {
        const int16_t* in = coeffs + v * 8;
        for (int x = 0; x < 8; ++x) {
            double s = 0;
            for (int u = 0; u < 8; ++u)
                s += c[x][u] * in[u];
            rows[v * 8 + x] = s;
        }
    }
    for (int x = 0; x < 8; ++x)
        for (int y = 0; y < 8; ++y) {
            double s = 0;
            for (int v = 0; v < 8; ++v)
                s += c[y][v] * rows[v * 8 + x];
            out[y * 8 + x] = static_cast<int>(std::floor(s + 0.5));
        }
}

}  // namespace media
