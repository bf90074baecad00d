// Applies a layer's filters in place, before the layer is composited. The work happens in
// scratch planes of the affected rectangle, kept between frames.
#pragma once

#include "IntRect.h"
#include "raster/Filter.h"

#include <cstdint>
#include <vector>

namespace raster {

// A filter's blur as one box per pass, `blur` pixels wide and centred on the pixel: the pixels
// it covers whole on each side, and the weight (of 256) of the pixel it covers in part beyond.
struct BoxSpan {
    int whole = 0;
    uint32_t edge = 0;
    bool Empty() const { return whole == 0 && edge == 0; }
    int Reach() const { return whole + (edge ? 1 : 0); }
};
BoxSpan BoxSpanOf(float blur);

class LayerFilter {
public:
    // The rectangle the filtered result may cover: `content` grown by what the filters add,
    // within `limit`.
    static IntRect Reach(const IntRect& content, const FilterList& filters, const IntRect& limit);
    // Filters the layer's pixels over `area` (outside `content` they are transparent); the
    // result covers at most `area`.
    void Apply(uint32_t* pixels, int stride, const IntRect& area, const FilterList& filters);

private:
    void Blur(uint8_t* plane, int channels, const Filter& f);
    void Shadow(uint32_t* pixels, int stride, const Filter& f);
    void Bevel(uint32_t* pixels, int stride, const Filter& f);
    void Matrix(uint32_t* pixels, int stride, const Filter& f);
    void Convolve(uint32_t* pixels, int stride, const Filter& f);
    void BuildPalette(const Filter& f);
    void TakeAlpha(const uint32_t* pixels, int stride);

    IntRect m_area;
    int m_w = 0, m_h = 0;
    std::vector<uint8_t> m_plane;   // the area's pixels or alpha, being filtered
    std::vector<uint8_t> m_temp;    // the other half of each blur pass
    std::vector<uint8_t> m_source;  // the layer's own alpha over the area
    std::vector<uint32_t> m_sums;   // one row of column sums
    std::vector<uint8_t> m_line;    // one row with zeros either side
    std::vector<uint32_t> m_row;    // one row of unfiltered pixels (convolution)
    uint32_t m_palette[256] = {};
};

}  // namespace raster
