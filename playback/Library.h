// One loaded movie's dictionary with the drawing-ready forms of its characters: each shape's
// outlines become raster paths and paints once, on first use, and stay for the player's life.
#pragma once

#include "movie/Movie.h"
#include "raster/Paint.h"
#include "raster/Path.h"
#include "raster/Stroke.h"

#include <map>
#include <memory>
#include <set>

namespace playback {

struct CachedDraw {
    bool stroke = false;
    raster::FillRule rule = raster::FillRule::EvenOdd;
    raster::Path path;
    raster::Paint paint;
    raster::StrokeStyle strokeStyle;
    std::unique_ptr<raster::Gradient> gradient;  // the paint points here
    bool skip = false;                           // a bitmap fill whose bitmap is missing
};

struct CachedShape {
    std::vector<CachedDraw> draws;
    raster::Rect bounds;  // twips, strokes included (the shape's stored bounds)
};

// A shape of one rectangle, 0..width x 0..height twips, filled with `image` (unrepeated) through
// `imageToShape`: how bitmaps that scripts attach and video frames show.
void MakeImageRectangle(CachedShape& shape, float width, float height, std::shared_ptr<const raster::Image> image,
                        const raster::Matrix& imageToShape, bool smooth);

// What scripts draw into a clip with the drawing API: fills and lines as draws, in the order
// drawn (a fill beneath the lines drawn while it is open), and the pen.
struct ScriptDrawing {
    static constexpr size_t kNone = size_t(-1);
    CachedShape shape;
    raster::Point pen{0, 0};
    size_t fill = kNone;  // the open fill's draw
    raster::Point fillStart{0, 0};
    bool lining = false;  // a line style is set
    raster::StrokeStyle lineStyle;
    raster::Color lineColor;
    size_t line = kNone;  // the draw the current line goes into
    size_t points = 0;    // added to the paths so far
};

struct Library {
    std::shared_ptr<const movie::Movie> movie;
    // Ids this movie imports: where the character really lives.
    std::map<uint16_t, std::pair<Library*, uint16_t>> imported;
    std::set<uint16_t> initActionsRun;

    // The character `id` means here, and the library (and id) that defines it.
    const movie::Character* Find(uint16_t id, Library** owner, uint16_t* ownId);
    const CachedShape* Shape(uint16_t id);
    const CachedShape* MorphAt(const movie::MorphShapeDef& morph, uint16_t ratio);
    std::shared_ptr<const raster::Image> Image(uint16_t id);
    // Between frames (never while a draw list refers to the caches): drops morph frames when
    // too many have piled up.
    void TrimCaches();

private:
    std::map<uint16_t, std::unique_ptr<CachedShape>> m_shapes;
    std::map<uint16_t, std::shared_ptr<const raster::Image>> m_images;
    struct MorphKey {
        uint16_t id, ratio;
        bool operator<(const MorphKey& o) const { return id != o.id ? id < o.id : ratio < o.ratio; }
    };
    std::map<MorphKey, std::unique_ptr<CachedShape>> m_morphs;

    std::unique_ptr<CachedShape> Build(const movie::ShapeGeometry& geometry, const std::vector<movie::FillStyle>& fills,
                                       const std::vector<movie::LineStyle>& lines, bool nonZero,
                                       const movie::TwipsRect& bounds);
    void SetPaint(CachedDraw& draw, const movie::FillStyle& fill);
    // StaticText.cpp
    std::unique_ptr<CachedShape> BuildText(const movie::StaticTextDef& text);
};

// Appends an outline to a path, its points mapped by `map` when one is given. `keepClose` false:
// closed polylines stay open (line styles with the no-close flag get caps).
void AppendOutline(raster::Path& path, const movie::Outline& o, bool keepClose = true,
                   const raster::Matrix* map = nullptr);
raster::Matrix ToRaster(const movie::Matrix2D& m);
raster::ColorTransform ToRaster(const movie::CxForm& c);
raster::Color ToRaster(movie::Rgba c);

}  // namespace playback
