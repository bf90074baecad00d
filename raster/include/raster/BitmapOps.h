// The pixel operations of scripts' bitmaps (BitmapData) on raster::Image: premultiplied
// 0xAARRGGBB words, as the renderer draws them. Colours given and returned here are straight
// (not premultiplied) 0xAARRGGBB; each pixel is converted on the way in and out with the
// rounding the reference applies, so that reading back a pixel gives what it gives. An opaque
// bitmap keeps every alpha at 0xFF. Rectangles are clipped to the bitmap; nothing is drawn
// outside it.
#pragma once

#include "raster/Paint.h"

#include <cstdint>
#include <vector>

namespace raster {

struct PixelRect {
    int32_t x = 0, y = 0, width = 0, height = 0;
    bool Empty() const { return width <= 0 || height <= 0; }
};

uint32_t PremultiplyPixel(uint32_t straight);
uint32_t UnpremultiplyPixel(uint32_t premultiplied);

// A new bitmap of w x h pixels, every one `straight` (its alpha 0xFF when opaque).
void ResetBitmap(Image& image, int32_t width, int32_t height, uint32_t straight, bool opaque);
// The part of `r` inside the bitmap.
PixelRect ClipToBitmap(const Image& image, PixelRect r);

// 0 outside the bitmap.
uint32_t GetPixel32(const Image& image, int32_t x, int32_t y);
void SetPixel32(Image& image, int32_t x, int32_t y, uint32_t straight, bool opaque);
// A negative width or height counts back from x or y.
void FillPixels(Image& image, PixelRect r, uint32_t straight, bool opaque);

// A colour transform as scripts give it (multipliers as numbers, offsets in channel units),
// applied to the straight colour of each pixel of `r`: red, green, blue, alpha.
struct BitmapColorTransform {
    double mul[4] = {1, 1, 1, 1};
    double add[4] = {0, 0, 0, 0};
};
void TransformPixels(Image& image, PixelRect r, const BitmapColorTransform& ct, bool opaque);

// copyPixels: `from` of `src` to (dx, dy) of `dst`. With `alpha`, the source's alpha is
// multiplied by that bitmap's alpha at (ax, ay) onwards. A transparent source is blended over
// the destination when `mergeAlpha`, else it replaces it.
void CopyPixels(Image& dst, const Image& src, PixelRect from, int32_t dx, int32_t dy, const Image* alpha, int32_t ax,
                int32_t ay, bool mergeAlpha, bool opaque);
// copyChannel: one channel (1 red, 2 green, 4 blue, 8 alpha) of `src` into one of `dst`.
void CopyChannel(Image& dst, const Image& src, PixelRect from, int32_t dx, int32_t dy, int srcChannel, int dstChannel,
                 bool opaque);
// scroll: the contents move by (dx, dy); what is uncovered keeps its pixels.
void ScrollPixels(Image& image, int32_t dx, int32_t dy);
// floodFill: the area of pixels the colour of (x, y) joined to it, 4-connected, takes the colour.
// `stack` is scratch storage, kept by the caller.
void FloodFill(Image& image, int32_t x, int32_t y, uint32_t straight, bool opaque, std::vector<int32_t>& stack);
// getColorBoundsRect: the box of the pixels whose (colour & mask) is `color` (or is not, when
// !find), as the reference reports it.
PixelRect ColorBounds(const Image& image, uint32_t mask, uint32_t color, bool find);
// noise: each pixel random in [low, high] in the channels asked (1 red, 2 green, 4 blue,
// 8 alpha; the rest 0, alpha 0xFF), or one grey value for red, green and blue.
void NoisePixels(Image& image, uint32_t seed, int low, int high, int channels, bool grayscale, bool opaque);
// threshold: pixels of `src` whose (colour & mask) compares with (threshold & mask) as `op`
// says ("<", "<=", ">", ">=", "==", "!=") take `color` in `dst`; the others are copied from
// the source when `copySource`. Returns how many pixels matched; -1 for an unknown operation.
int ThresholdPixels(Image& dst, const Image& src, PixelRect from, int32_t dx, int32_t dy, const char* op,
                    uint32_t threshold, uint32_t color, uint32_t mask, bool copySource, bool opaque);
// merge: each channel of `dst` moves toward `src` by its multiplier out of 256 (red, green,
// blue, alpha): (src * m + dst * (256 - m)) / 256.
void MergePixels(Image& dst, const Image& src, PixelRect from, int32_t dx, int32_t dy, const int multipliers[4],
                 bool opaque);
// paletteMap: each pixel becomes the sum of four table entries, looked up by its red, green,
// blue and alpha (tables in that order, straight 0xAARRGGBB values).
void PaletteMap(Image& dst, const Image& src, PixelRect from, int32_t dx, int32_t dy, const uint32_t (*tables)[256],
                bool opaque);
// compare: per pixel, 0 where equal, 0xFF000000 | the colour difference where the colours
// differ, 0x??FFFFFF with the alpha difference where only the alpha differs. False when the
// bitmaps are equal.
bool ComparePixels(const Image& a, const Image& b, Image& out);
// Whether the pixel at (x, y) is opaque enough: its alpha above zero and at least `threshold`.
bool PixelHits(const Image& image, int32_t x, int32_t y, uint32_t threshold);

}  // namespace raster
