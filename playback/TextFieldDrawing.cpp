// Text fields drawn as the reference draws them: the background fills the box and the border
// is a one-pixel line on it, both at whole device pixels; the glyphs of embedded fonts are
// filled in their colours from the layout, clipped to the box. The paths are kept with the
// object and rebuilt only when what they show changes.
#include "PlayerImpl.h"
#include "playback/TextField.h"
#include "playback/TextLayout.h"

#include <cmath>

namespace playback {

struct TextFieldPaths {
    // What the glyph paths were built from.
    std::u16string text;
    std::vector<TextFormat> formats;
    double xMin = 0, yMin = 0, width = 0, height = 0;
    int scroll = 0, hscroll = 0;
    bool embedFonts = false, wordWrap = false, multiline = false, built = false;

    std::vector<PlacedGlyph> glyphs;
    std::vector<raster::Path> runs;  // one path per run of one colour, field twips
    std::vector<uint32_t> runColors;
    size_t runCount = 0;
    raster::Path box, background, border;  // box: field twips; the others device pixels
};

namespace {

bool SameLayout(const TextFieldPaths& p, const TextField& f) {
    return p.built && p.text == f.text && p.formats == f.formats && p.xMin == f.xMin && p.yMin == f.yMin &&
           p.width == f.width && p.height == f.height && p.scroll == f.scroll && p.hscroll == f.hscroll &&
           p.embedFonts == f.embedFonts && p.wordWrap == f.wordWrap && p.multiline == f.multiline;
}

void AddRect(raster::Path& path, float x0, float y0, float x1, float y1) {
    if (x1 <= x0 || y1 <= y0)
        return;
    path.MoveTo({x0, y0});
    path.LineTo({x1, y0});
    path.LineTo({x1, y1});
    path.LineTo({x0, y1});
    path.Close();
}

// Half a pixel rounds down, as the reference places field boxes.
float SnapPixel(double v) {
    return float(std::ceil(v - 0.5));
}

void BuildGlyphRuns(TextFieldPaths& p, const TextField& f) {
    PlaceGlyphs(f, p.glyphs);
    p.runCount = 0;
    uint32_t color = 0;
    for (const PlacedGlyph& g : p.glyphs) {
        if (p.runCount == 0 || g.color != color) {
            if (p.runs.size() <= p.runCount) {
                p.runs.emplace_back();
                p.runColors.push_back(0);
            }
            p.runs[p.runCount].Clear();
            p.runColors[p.runCount] = color = g.color;
            ++p.runCount;
        }
        raster::Path& path = p.runs[p.runCount - 1];
        const raster::Matrix gm{g.scale, 0, 0, g.scale, g.x, g.y};
        for (const movie::ShapeDraw& d : g.font->glyphs[g.glyph].draws)
            AppendOutline(path, d.outline, true, &gm);
        if (g.underline) {
            // A line under the glyph's advance, a twentieth of the size below the baseline.
            const double size = g.scale * g.font->EmSquare();
            const double thick = std::max(20.0, std::round(size / 20));
            AddRect(path, float(g.x), float(g.y + size / 16), float(g.x + g.advance), float(g.y + size / 16 + thick));
        }
    }
    p.text = f.text;
    p.formats = f.formats;
    p.xMin = f.xMin;
    p.yMin = f.yMin;
    p.width = f.width;
    p.height = f.height;
    p.scroll = f.scroll;
    p.hscroll = f.hscroll;
    p.embedFonts = f.embedFonts;
    p.wordWrap = f.wordWrap;
    p.multiline = f.multiline;
    p.built = true;
    p.box.Clear();
    AddRect(p.box, float(f.xMin), float(f.yMin), float(f.xMin + f.width), float(f.yMin + f.height));
}

raster::Color DeviceColor(uint32_t rgb) {
    return {uint8_t(rgb >> 16), uint8_t(rgb >> 8), uint8_t(rgb), 255};
}

// The reference draws glyphs in a colour scaled by 255/256, cut toward zero, full channels
// kept full.
uint8_t GlyphChannel(uint32_t c) {
    c &= 0xFF;
    return uint8_t(c == 255 ? 255 : c * 255 / 256);
}

raster::Color GlyphColor(uint32_t rgb) {
    return {GlyphChannel(rgb >> 16), GlyphChannel(rgb >> 8), GlyphChannel(rgb), 255};
}

}  // namespace

void Player::Impl::EmitTextField(raster::DrawList& list, const DisplayObject& o, const raster::Matrix& m,
                                 const raster::ColorTransform& cx, bool inMask) {
    const TextField& f = *o.textField;
    if (!o.textPaths)
        o.textPaths = std::make_shared<TextFieldPaths>();
    TextFieldPaths& p = *o.textPaths;
    if (!SameLayout(p, f))
        BuildGlyphRuns(p, f);

    // The box in device pixels, its edges at whole pixels.
    const raster::Rect device =
        raster::TransformRect(m, {float(f.xMin), float(f.yMin), float(f.xMin + f.width), float(f.yMin + f.height)});
    const float x0 = SnapPixel(device.xMin), y0 = SnapPixel(device.yMin);
    const float x1 = SnapPixel(device.xMax), y1 = SnapPixel(device.yMax);
    const raster::Matrix identity;
    if (inMask) {
        // A field in a mask's shape masks by its box.
        p.background.Clear();
        AddRect(p.background, x0, y0, x1, y1);
        list.Fill(p.background, identity, raster::FillRule::NonZero, raster::Paint::Solid({0, 0, 0, 255}), cx);
        return;
    }
    if (f.background) {
        p.background.Clear();
        AddRect(p.background, x0, y0, x1, y1);
        list.Fill(p.background, identity, raster::FillRule::NonZero,
                  raster::Paint::Solid(DeviceColor(f.backgroundColor)), cx);
    }
    if (p.runCount > 0) {
        list.BeginMask();
        list.Fill(p.box, m, raster::FillRule::NonZero, raster::Paint::Solid({0, 0, 0, 255}), raster::ColorTransform{});
        list.EndMaskShape();
        for (size_t i = 0; i < p.runCount; ++i)
            list.Fill(p.runs[i], m, raster::FillRule::NonZero, raster::Paint::Solid(GlyphColor(p.runColors[i])), cx);
        list.PopMask();
    }
    if (f.border) {
        // The top and left edges run the box's full length; the right and bottom ones stop a
        // pixel short of the far corner.
        p.border.Clear();
        AddRect(p.border, x0, y0, x1 + 1, y0 + 1);
        AddRect(p.border, x0, y0 + 1, x0 + 1, y1 + 1);
        AddRect(p.border, x1, y0 + 1, x1 + 1, y1);
        AddRect(p.border, x0 + 1, y1, x1, y1 + 1);
        list.Fill(p.border, identity, raster::FillRule::NonZero, raster::Paint::Solid(DeviceColor(f.borderColor)), cx);
    }
}

}  // namespace playback
