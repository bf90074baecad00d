// Draws the Dovetta emblem and writes it as a Windows icon file.
//
// The emblem is a strip of film whose picture is a dovetail joint: a teal piece whose two
// tails lock into an amber piece. The file holds four images in this order, which the
// player's icon group keeps: 32x32 and 16x16 with 16 colours, then 32x32 and 16x16 with 256
// colours. Each image is a bottom-up DIB followed by a one-bit transparency mask.
//
// The drawing is defined on a 32 x 32 unit square and sampled 4 x 4 times per pixel. The
// 16-colour images take each pixel's majority ink from the standard 16-colour palette (no
// blending, so they stay crisp); the 256-colour images blend the samples and use a palette
// made of exactly the colours that occur.
//
// Usage: dovetta-make-icon OUTPUT.ico   (scripts/make-icon.sh builds and runs it)

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <vector>

namespace {

struct Rgb {
    std::uint8_t r, g, b;
    auto operator<=>(const Rgb&) const = default;
};

enum Ink { kNone, kFilm, kHole, kTeal, kAmber, kInkCount };

constexpr std::array<Rgb, kInkCount> kInkColour = {{
    {0, 0, 0},        // none: transparent
    {38, 42, 50},     // film
    {236, 234, 226},  // sprocket holes
    {0, 128, 128},    // teal piece
    {240, 166, 36},   // amber piece
}};

// Index of each ink in the standard 16-colour palette below.
constexpr std::array<std::uint8_t, kInkCount> kInkVgaIndex = {0, 0, 7, 6, 11};

constexpr std::array<Rgb, 16> kVgaPalette = {{
    {0, 0, 0},
    {128, 0, 0},
    {0, 128, 0},
    {128, 128, 0},
    {0, 0, 128},
    {128, 0, 128},
    {0, 128, 128},
    {192, 192, 192},
    {128, 128, 128},
    {255, 0, 0},
    {0, 255, 0},
    {255, 255, 0},
    {0, 0, 255},
    {255, 0, 255},
    {0, 255, 255},
    {255, 255, 255},
}};

bool InRect(double x, double y, double left, double top, double right, double bottom) {
    return x >= left && x < right && y >= top && y < bottom;
}

bool InRoundedRect(double x, double y, double left, double top, double right, double bottom, double radius) {
    if (!InRect(x, y, left, top, right, bottom))
        return false;
    const double cx = std::clamp(x, left + radius, right - radius);
    const double cy = std::clamp(y, top + radius, bottom - radius);
    return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius;
}

// A tail of the teal piece: narrow at its base, wider at its end, as a dovetail is cut.
bool InTail(double x, double y, double centreY) {
    constexpr double kBase = 12, kEnd = 21, kBaseHalf = 1.5, kEndHalf = 3.6;
    if (x < kBase || x >= kEnd)
        return false;
    const double half = kBaseHalf + (kEndHalf - kBaseHalf) * (x - kBase) / (kEnd - kBase);
    return std::fabs(y - centreY) < half;
}

// The ink at a point of the 32 x 32 unit square (y grows downwards). Edges sit on even
// units where they can, so that the 16 x 16 images stay sharp.
Ink InkAt(double x, double y) {
    if (!InRoundedRect(x, y, 0, 2, 32, 30, 3))
        return kNone;
    if (InRect(x, y, 2, 8, 30, 24)) {
        if (x < 12 || InTail(x, y, 11.6) || InTail(x, y, 20.4))
            return kTeal;
        return kAmber;
    }
    for (int k = 0; k < 4; ++k) {
        const double left = 6 + 6 * k;
        if (InRect(x, y, left, 4, left + 2, 6) || InRect(x, y, left, 26, left + 2, 28))
            return kHole;
    }
    return kFilm;
}

constexpr int kSamples = 4;

// How many of a pixel's samples fall on each ink.
std::array<int, kInkCount> SampleInks(int px, int py, int size) {
    std::array<int, kInkCount> count{};
    const double unit = 32.0 / size;
    for (int sy = 0; sy < kSamples; ++sy)
        for (int sx = 0; sx < kSamples; ++sx)
            ++count[InkAt((px + (sx + 0.5) / kSamples) * unit, (py + (sy + 0.5) / kSamples) * unit)];
    return count;
}

bool IsOpaque(const std::array<int, kInkCount>& count) {
    return count[kNone] * 2 < kSamples * kSamples;
}

Ink MajorityInk(const std::array<int, kInkCount>& count) {
    int best = kFilm;
    for (int ink = kFilm; ink < kInkCount; ++ink)
        if (count[ink] > count[best])
            best = ink;
    return static_cast<Ink>(best);
}

Rgb BlendInks(const std::array<int, kInkCount>& count) {
    int r = 0, g = 0, b = 0, n = 0;
    for (int ink = kFilm; ink < kInkCount; ++ink) {
        r += kInkColour[ink].r * count[ink];
        g += kInkColour[ink].g * count[ink];
        b += kInkColour[ink].b * count[ink];
        n += count[ink];
    }
    return {static_cast<std::uint8_t>((r + n / 2) / n), static_cast<std::uint8_t>((g + n / 2) / n),
            static_cast<std::uint8_t>((b + n / 2) / n)};
}

// One icon image: palette, a colour index per pixel (top row first) and the mask.
struct Image {
    int size = 0;
    int bitCount = 0;
    std::vector<Rgb> palette;
    std::vector<std::uint8_t> index;
    std::vector<bool> transparent;
};

Image DrawImage(int size, int bitCount) {
    Image image{size, bitCount, {}, std::vector<std::uint8_t>(size * size), std::vector<bool>(size * size, true)};
    std::vector<Rgb> colour(size * size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const auto count = SampleInks(x, y, size);
            if (!IsOpaque(count))
                continue;
            image.transparent[y * size + x] = false;
            if (bitCount == 4)
                image.index[y * size + x] = kInkVgaIndex[MajorityInk(count)];
            else
                colour[y * size + x] = BlendInks(count);
        }
    if (bitCount == 4) {
        image.palette.assign(kVgaPalette.begin(), kVgaPalette.end());
        return image;
    }
    // Entry 0 stays black: transparent pixels carry it, as the mask requires.
    std::map<Rgb, std::uint8_t> entry{{Rgb{0, 0, 0}, 0}};
    for (std::size_t i = 0; i < colour.size(); ++i)
        if (!image.transparent[i])
            entry.emplace(colour[i], 0);
    if (entry.size() > 256) {
        std::fprintf(stderr, "make-icon: %zu colours do not fit a 256-colour palette\n", entry.size());
        std::exit(1);
    }
    image.palette.push_back({0, 0, 0});
    for (auto& [rgb, idx] : entry) {
        if (rgb == Rgb{0, 0, 0})
            continue;
        idx = static_cast<std::uint8_t>(image.palette.size());
        image.palette.push_back(rgb);
    }
    image.palette.resize(256, Rgb{0, 0, 0});
    for (std::size_t i = 0; i < colour.size(); ++i)
        if (!image.transparent[i])
            image.index[i] = entry[colour[i]];
    return image;
}

void PutU16(std::vector<std::uint8_t>& out, unsigned v) {
    out.push_back(v & 0xFF);
    out.push_back((v >> 8) & 0xFF);
}

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    PutU16(out, v & 0xFFFF);
    PutU16(out, v >> 16);
}

int RowBytes(int size, int bitCount) {
    return (size * bitCount + 31) / 32 * 4;
}

// BITMAPINFOHEADER, colour table, XOR bits and AND mask, rows bottom-up.
std::vector<std::uint8_t> EncodeDib(const Image& image) {
    const int xorRow = RowBytes(image.size, image.bitCount), andRow = RowBytes(image.size, 1);
    std::vector<std::uint8_t> out;
    PutU32(out, 40);
    PutU32(out, image.size);
    PutU32(out, image.size * 2);  // the XOR image and the mask, stacked
    PutU16(out, 1);
    PutU16(out, image.bitCount);
    PutU32(out, 0);  // BI_RGB
    PutU32(out, (xorRow + andRow) * image.size);
    PutU32(out, 0);
    PutU32(out, 0);
    PutU32(out, 0);
    PutU32(out, 0);
    for (const Rgb& c : image.palette) {
        out.push_back(c.b);
        out.push_back(c.g);
        out.push_back(c.r);
        out.push_back(0);
    }
    for (int y = image.size - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(xorRow, 0);
        for (int x = 0; x < image.size; ++x) {
            const std::uint8_t v = image.index[y * image.size + x];
            if (image.bitCount == 8)
                row[x] = v;
            else
                row[x / 2] |= (x % 2 == 0) ? v << 4 : v;
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    for (int y = image.size - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(andRow, 0);
        for (int x = 0; x < image.size; ++x)
            if (image.transparent[y * image.size + x])
                row[x / 8] |= 0x80 >> (x % 8);
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-icon OUTPUT.ico\n");
        return 2;
    }
    constexpr std::array<std::array<int, 2>, 4> kImages = {{{32, 4}, {16, 4}, {32, 8}, {16, 8}}};
    std::vector<std::vector<std::uint8_t>> dibs;
    for (const auto& [size, bitCount] : kImages)
        dibs.push_back(EncodeDib(DrawImage(size, bitCount)));

    std::vector<std::uint8_t> file;
    PutU16(file, 0);
    PutU16(file, 1);  // icon
    PutU16(file, kImages.size());
    std::uint32_t offset = 6 + 16 * kImages.size();
    for (std::size_t i = 0; i < kImages.size(); ++i) {
        const auto [size, bitCount] = kImages[i];
        file.push_back(size);
        file.push_back(size);
        file.push_back(bitCount == 4 ? 16 : 0);  // colour count; 0 means 256
        file.push_back(0);
        PutU16(file, 1);
        PutU16(file, bitCount);
        PutU32(file, dibs[i].size());
        PutU32(file, offset);
        offset += dibs[i].size();
    }
    for (const auto& dib : dibs)
        file.insert(file.end(), dib.begin(), dib.end());

    std::FILE* f = std::fopen(argv[1], "wb");
    if (!f || std::fwrite(file.data(), 1, file.size(), f) != file.size() || std::fclose(f) != 0) {
        std::fprintf(stderr, "make-icon: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
