#include "movie/Bitmap.h"

#include "movie/BitReader.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#define STBI_NO_STDIO
#define STBI_ONLY_JPEG
#define STBI_ONLY_PNG
#define STBI_ONLY_GIF
#define STBI_NO_FAILURE_STRINGS
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#endif
#include <stb_image.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace movie {
namespace {

constexpr uint16_t kDefineBits = 6;
constexpr uint16_t kDefineBitsLossless = 20;
constexpr uint16_t kDefineBitsJpeg3 = 35;
constexpr uint16_t kDefineBitsLossless2 = 36;
constexpr uint16_t kDefineBitsJpeg4 = 90;

bool SizeAllowed(int64_t w, int64_t h) {
    return w > 0 && h > 0 && w <= kMaxBitmapSide && h <= kMaxBitmapSide && size_t(w * h) <= kMaxBitmapPixels;
}

uint32_t Pack(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
    return a << 24 | r << 16 | g << 8 | b;
}
uint32_t Premultiply(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
    return Pack(a, (r * a + 127) / 255, (g * a + 127) / 255, (b * a + 127) / 255);
}

bool IsJpeg(const uint8_t* d, size_t n) {
    return n >= 2 && d[0] == 0xFF && (d[1] == 0xD8 || d[1] == 0xD9);
}
bool IsPng(const uint8_t* d, size_t n) {
    return n >= 8 && std::memcmp(d, "\x89PNG\r\n\x1a\n", 8) == 0;
}
bool IsGif(const uint8_t* d, size_t n) {
    return n >= 6 && std::memcmp(d, "GIF8", 4) == 0;
}

// Writers of these movies put an extra end and start of image marker in front (FF D9 FF D8),
// and DefineBits images arrive as two streams (tables, then image). The decoder takes one clean
// stream: drop the stray markers between the parts.
std::vector<uint8_t> CleanJpeg(const uint8_t* tables, size_t tablesSize, const uint8_t* data, size_t size) {
    std::vector<uint8_t> out;
    out.reserve(tablesSize + size);
    auto append = [&out](const uint8_t* p, size_t n) {
        while (n >= 4 && p[0] == 0xFF && p[1] == 0xD9 && p[2] == 0xFF && p[3] == 0xD8) {
            p += 4;
            n -= 4;
        }
        if (!out.empty() && n >= 2 && p[0] == 0xFF && p[1] == 0xD8) {
            // Joining a second stream: drop the first's end marker and this start marker.
            if (out.size() >= 2 && out[out.size() - 2] == 0xFF && out.back() == 0xD9)
                out.resize(out.size() - 2);
            p += 2;
            n -= 2;
        }
        out.insert(out.end(), p, p + n);
    };
    if (tablesSize >= 4)
        append(tables, tablesSize);
    append(data, size);
    // A stream that still holds an end and start marker pair in its middle (some writers put the
    // tables and the image in one tag that way): remove the first such pair.
    for (size_t i = 2; i + 4 <= out.size(); ++i) {
        if (out[i] == 0xFF && out[i + 1] == 0xD9 && out[i + 2] == 0xFF && out[i + 3] == 0xD8) {
            out.erase(out.begin() + long(i), out.begin() + long(i) + 4);
            break;
        }
    }
    return out;
}

// The decoder trusts a Huffman table's code counts (more than 256 codes overrun its tables):
// walk the JPEG's segments, and the markers between entropy-coded data, and check every table.
bool JpegHuffmanTablesSound(const uint8_t* d, size_t n) {
    size_t i = 0;
    while (i + 1 < n) {
        if (d[i] != 0xFF) {
            ++i;  // entropy-coded data
            continue;
        }
        const uint8_t m = d[i + 1];
        if (m == 0xFF) {
            ++i;  // fill byte
            continue;
        }
        if (m == 0x00 || m == 0x01 || (m >= 0xD0 && m <= 0xD9)) {
            i += 2;  // stuffing, restart, start and end markers carry no length
            continue;
        }
        if (i + 4 > n)
            return true;
        const size_t length = size_t(d[i + 2]) << 8 | d[i + 3];
        if (length < 2)
            return false;
        const size_t end = std::min(n, i + 2 + length);
        if (m == 0xC4) {
            for (size_t t = i + 4; t < end;) {
                if (end - t < 17)
                    return false;
                size_t codes = 0;
                for (int k = 1; k <= 16; ++k)
                    codes += d[t + k];
                if (codes > 256)
                    return false;
                t += 17 + codes;
            }
        }
        i = end;
    }
    return true;
}

std::optional<DecodedBitmap> DecodeWithStb(const uint8_t* data, size_t size, std::string* error) {
    if (size == 0 || size > size_t(INT32_MAX)) {
        if (error)
            *error = "empty image data";
        return std::nullopt;
    }
    if (IsJpeg(data, size) && !JpegHuffmanTablesSound(data, size)) {
        if (error)
            *error = "JPEG with a broken Huffman table";
        return std::nullopt;
    }
    int w = 0, h = 0, comp = 0;
    if (!stbi_info_from_memory(data, int(size), &w, &h, &comp) || !SizeAllowed(w, h)) {
        if (error)
            *error = "image header unreadable or too large";
        return std::nullopt;
    }
    stbi_uc* rgba = stbi_load_from_memory(data, int(size), &w, &h, &comp, 4);
    if (!rgba) {
        if (error)
            *error = "image data undecodable";
        return std::nullopt;
    }
    DecodedBitmap bmp;
    bmp.width = w;
    bmp.height = h;
    bmp.pixels.resize(size_t(w) * size_t(h));
    for (size_t i = 0; i < bmp.pixels.size(); ++i) {
        const stbi_uc* p = rgba + 4 * i;
        bmp.pixels[i] = Premultiply(p[3], p[0], p[1], p[2]);
    }
    stbi_image_free(rgba);
    return bmp;
}

// Applies a separate alpha plane (one byte per pixel) to opaque decoded pixels.
void ApplyAlpha(DecodedBitmap& bmp, const std::vector<uint8_t>& alpha) {
    if (alpha.size() < bmp.pixels.size())
        return;  // a short plane is ignored: the image stays opaque
    for (size_t i = 0; i < bmp.pixels.size(); ++i) {
        const uint32_t p = bmp.pixels[i];
        bmp.pixels[i] = Premultiply(alpha[i], p >> 16 & 0xFF, p >> 8 & 0xFF, p & 0xFF);
    }
}

std::optional<DecodedBitmap> ReadLossless(bool withAlpha, const uint8_t* body, size_t size, std::string* error) {
    BitReader r(body, size);
    DecodedBitmap bmp;
    bmp.id = r.U16();
    const uint8_t format = r.U8();
    bmp.width = r.U16();
    bmp.height = r.U16();
    unsigned paletteSize = 0;
    if (format == 3)
        paletteSize = unsigned(r.U8()) + 1;
    if (!r.Ok() || !SizeAllowed(bmp.width, bmp.height)) {
        if (error)
            *error = "lossless bitmap header unreadable or too large";
        return std::nullopt;
    }
    const size_t w = size_t(bmp.width), h = size_t(bmp.height);
    size_t rowBytes, dataBytes;
    const size_t paletteBytes = paletteSize * (withAlpha ? 4 : 3);
    if (format == 3)
        rowBytes = (w + 3) & ~size_t(3);
    else if (format == 4)
        rowBytes = (w * 2 + 3) & ~size_t(3);
    else if (format == 5)
        rowBytes = w * 4;
    else {
        if (error)
            *error = "unknown lossless bitmap format";
        return std::nullopt;
    }
    dataBytes = paletteBytes + rowBytes * h;
    auto raw = Inflate(r.Here(), r.Remaining(), dataBytes);
    if (!raw || raw->size() < dataBytes) {
        if (error)
            *error = "lossless bitmap data short or undecodable";
        return std::nullopt;
    }
    const uint8_t* d = raw->data();
    bmp.pixels.resize(w * h);
    if (format == 3) {
        uint32_t palette[256] = {};
        for (unsigned i = 0; i < paletteSize; ++i) {
            const uint8_t* p = d + i * (withAlpha ? 4 : 3);
            palette[i] = withAlpha ? Premultiply(p[3], p[0], p[1], p[2]) : Pack(255, p[0], p[1], p[2]);
        }
        const uint8_t* px = d + paletteBytes;
        for (size_t y = 0; y < h; ++y)
            for (size_t x = 0; x < w; ++x) {
                const uint8_t index = px[y * rowBytes + x];
                bmp.pixels[y * w + x] = index < paletteSize ? palette[index] : 0;
            }
    } else if (format == 4) {
        for (size_t y = 0; y < h; ++y)
            for (size_t x = 0; x < w; ++x) {
                const uint8_t* p = d + y * rowBytes + x * 2;
                const uint32_t v = uint32_t(p[0]) << 8 | p[1];  // big-endian 1:5:5:5
                const uint32_t r5 = v >> 10 & 31, g5 = v >> 5 & 31, b5 = v & 31;
                bmp.pixels[y * w + x] = Pack(255, r5 << 3 | r5 >> 2, g5 << 3 | g5 >> 2, b5 << 3 | b5 >> 2);
            }
    } else {
        for (size_t i = 0; i < w * h; ++i) {
            const uint8_t* p = d + i * 4;
            if (withAlpha) {
                // Stored premultiplied already; keep each colour within its alpha.
                const uint32_t a = p[0];
                bmp.pixels[i] =
                    Pack(a, std::min<uint32_t>(p[1], a), std::min<uint32_t>(p[2], a), std::min<uint32_t>(p[3], a));
            } else {
                bmp.pixels[i] = Pack(255, p[1], p[2], p[3]);
            }
        }
    }
    return bmp;
}

}  // namespace

std::optional<std::vector<uint8_t>> Inflate(const uint8_t* data, size_t size, size_t limit) {
    z_stream zs{};
    if (inflateInit(&zs) != Z_OK)
        return std::nullopt;
    std::vector<uint8_t> out(std::min<size_t>(limit, size_t(1) << 16));
    zs.next_in = const_cast<Bytef*>(data);
    zs.avail_in = uInt(std::min<size_t>(size, UINT32_MAX));
    size_t produced = 0;
    int rc = Z_OK;
    while (produced < limit) {
        if (produced == out.size())
            out.resize(std::min(limit, out.size() * 2));
        zs.next_out = out.data() + produced;
        zs.avail_out = uInt(out.size() - produced);
        rc = inflate(&zs, Z_NO_FLUSH);
        produced = out.size() - zs.avail_out;
        if (rc != Z_OK)
            break;
        if (zs.avail_in == 0 && zs.avail_out != 0)
            break;
    }
    inflateEnd(&zs);
    if (rc != Z_OK && rc != Z_STREAM_END && produced == 0)
        return std::nullopt;
    out.resize(produced);
    return out;
}

std::optional<DecodedBitmap> DecodeImageBytes(const uint8_t* data, size_t size, std::string* error) {
    if (IsPng(data, size) || IsGif(data, size))
        return DecodeWithStb(data, size, error);
    std::vector<uint8_t> clean = CleanJpeg(nullptr, 0, data, size);
    return DecodeWithStb(clean.data(), clean.size(), error);
}

std::optional<DecodedBitmap> ReadBitmapTag(uint16_t tagCode, const uint8_t* body, size_t size,
                                           const std::vector<uint8_t>& jpegTables, std::string* error) {
    if (tagCode == kDefineBitsLossless || tagCode == kDefineBitsLossless2)
        return ReadLossless(tagCode == kDefineBitsLossless2, body, size, error);
    BitReader r(body, size);
    const uint16_t id = r.U16();
    uint32_t alphaOffset = 0;
    bool hasAlpha = false;
    if (tagCode == kDefineBitsJpeg3 || tagCode == kDefineBitsJpeg4) {
        alphaOffset = r.U32();
        hasAlpha = true;
        if (tagCode == kDefineBitsJpeg4)
            r.U16();  // deblocking strength
    }
    if (!r.Ok() || (hasAlpha && alphaOffset > r.Remaining())) {
        if (error)
            *error = "bitmap header unreadable";
        return std::nullopt;
    }
    const uint8_t* image = r.Here();
    const size_t imageSize = hasAlpha ? alphaOffset : r.Remaining();
    std::optional<DecodedBitmap> bmp;
    if (tagCode == kDefineBits) {
        std::vector<uint8_t> joined = CleanJpeg(jpegTables.data(), jpegTables.size(), image, imageSize);
        bmp = DecodeWithStb(joined.data(), joined.size(), error);
    } else if (IsPng(image, imageSize) || IsGif(image, imageSize)) {
        bmp = DecodeWithStb(image, imageSize, error);
        hasAlpha = false;  // their own alpha counts; the separate plane belongs to JPEG data only
    } else {
        bmp = DecodeImageBytes(image, imageSize, error);
    }
    if (!bmp)
        return std::nullopt;
    bmp->id = id;
    if (hasAlpha && IsJpeg(image, imageSize)) {
        const size_t pixels = bmp->pixels.size();
        if (auto alpha = Inflate(image + imageSize, size - (size_t(image - body) + imageSize), pixels))
            ApplyAlpha(*bmp, *alpha);
    }
    return bmp;
}

}  // namespace movie
