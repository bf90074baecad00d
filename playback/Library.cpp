#include "Library.h"

namespace playback {
namespace {

// Morph shapes animate through many ratios; past this many cached ratios of one library the
// cache starts over.
constexpr size_t kMaxCachedMorphFrames = 512;
// Imports may chain; a loop of imports ends here.
constexpr int kMaxImportHops = 8;

raster::Cap ToCap(uint8_t c) {
    return c == 1 ? raster::Cap::None : c == 2 ? raster::Cap::Square : raster::Cap::Round;
}
raster::Join ToJoin(uint8_t j) {
    return j == 1 ? raster::Join::Bevel : j == 2 ? raster::Join::Miter : raster::Join::Round;
}

}  // namespace

void AppendOutline(raster::Path& path, const movie::Outline& o, bool keepClose, const raster::Matrix* map) {
    auto at = [&](size_t i) {
        const raster::Point p{o.points[i].x, o.points[i].y};
        return map ? map->Apply(p) : p;
    };
    path.SetWholeUnitCurves(true);  // outlines are in twips
    size_t pi = 0;
    for (movie::Outline::Verb v : o.verbs) {
        switch (v) {
        case movie::Outline::Verb::Move:
            path.MoveTo(at(pi++));
            break;
        case movie::Outline::Verb::Line:
            path.LineTo(at(pi++));
            break;
        case movie::Outline::Verb::Quad:
            path.QuadTo(at(pi), at(pi + 1));
            pi += 2;
            break;
        case movie::Outline::Verb::Close:
            if (keepClose)
                path.Close();
            break;
        }
    }
}

raster::Matrix ToRaster(const movie::Matrix2D& m) {
    return {m.a, m.b, m.c, m.d, m.tx, m.ty};
}
raster::ColorTransform ToRaster(const movie::CxForm& c) {
    return {c.rMul, c.gMul, c.bMul, c.aMul, c.rAdd, c.gAdd, c.bAdd, c.aAdd};
}
raster::Color ToRaster(movie::Rgba c) {
    return {c.r, c.g, c.b, c.a};
}

const movie::Character* Library::Find(uint16_t id, Library** owner, uint16_t* ownId) {
    Library* lib = this;
    for (int hop = 0; hop < kMaxImportHops; ++hop) {
        auto imp = lib->imported.find(id);
        if (imp != lib->imported.end()) {
            lib = imp->second.first;
            id = imp->second.second;
            continue;
        }
        auto it = lib->movie->dictionary.find(id);
        if (it == lib->movie->dictionary.end())
            return nullptr;
        *owner = lib;
        *ownId = id;
        return &it->second;
    }
    return nullptr;
}

std::shared_ptr<const raster::Image> Library::Image(uint16_t id) {
    auto cached = m_images.find(id);
    if (cached != m_images.end())
        return cached->second;
    Library* owner = nullptr;
    uint16_t ownId = 0;
    const movie::Character* c = Find(id, &owner, &ownId);
    std::shared_ptr<const raster::Image> image;
    if (c) {
        if (auto* bmp = std::get_if<std::shared_ptr<const movie::DecodedBitmap>>(c)) {
            // Same pixel layout: the words are handed over as they are.
            auto img = std::make_shared<raster::Image>();
            img->width = (*bmp)->width;
            img->height = (*bmp)->height;
            img->pixels = (*bmp)->pixels;
            image = std::move(img);
        }
    }
    m_images.emplace(id, image);
    return image;
}

void Library::SetPaint(CachedDraw& draw, const movie::FillStyle& fill) {
    using Kind = movie::FillStyle::Kind;
    switch (fill.kind) {
    case Kind::Solid:
        draw.paint = raster::Paint::Solid(ToRaster(fill.color));
        break;
    case Kind::Linear:
    case Kind::Radial:
    case Kind::Focal: {
        auto g = std::make_unique<raster::Gradient>();
        g->kind = fill.kind == Kind::Linear   ? raster::Gradient::Kind::Linear
                  : fill.kind == Kind::Radial ? raster::Gradient::Kind::Radial
                                              : raster::Gradient::Kind::Focal;
        g->spread = fill.gradient.spread == 1   ? raster::Spread::Reflect
                    : fill.gradient.spread == 2 ? raster::Spread::Repeat
                                                : raster::Spread::Pad;
        g->interpolation =
            fill.gradient.interpolation == 1 ? raster::Interpolation::LinearRgb : raster::Interpolation::Rgb;
        g->focal = fill.gradient.focal;
        for (const movie::GradientStopDef& s : fill.gradient.stops)
            g->stops.push_back({s.ratio, ToRaster(s.color)});
        if (g->stops.empty())
            g->stops.push_back({0, {0, 0, 0, 0}});
        // The gradient square spans -16384..16384 twips before the fill's matrix.
        g->matrix = ToRaster(fill.matrix) * raster::Matrix::Scale(16384, 16384);
        draw.paint.kind = raster::Paint::Kind::Gradient;
        draw.paint.gradient = g.get();
        draw.gradient = std::move(g);
        break;
    }
    case Kind::Bitmap: {
        auto image = Image(fill.bitmapId);
        if (!image || image->width <= 0) {
            draw.skip = true;
            break;
        }
        draw.paint.kind = raster::Paint::Kind::Bitmap;
        draw.paint.bitmap.image = std::move(image);
        draw.paint.bitmap.matrix = ToRaster(fill.matrix);
        draw.paint.bitmap.repeat = fill.bitmapRepeat;
        draw.paint.bitmap.smooth = fill.bitmapSmooth;
        break;
    }
    }
}

std::unique_ptr<CachedShape> Library::Build(const movie::ShapeGeometry& geometry,
                                            const std::vector<movie::FillStyle>& fills,
                                            const std::vector<movie::LineStyle>& lines, bool nonZero,
                                            const movie::TwipsRect& bounds) {
    auto shape = std::make_unique<CachedShape>();
    shape->bounds = {float(bounds.xMin), float(bounds.yMin), float(bounds.xMax), float(bounds.yMax)};
    shape->draws.reserve(geometry.draws.size());
    for (const movie::ShapeDraw& d : geometry.draws) {
        CachedDraw draw;
        draw.stroke = d.stroke;
        draw.rule = nonZero ? raster::FillRule::NonZero : raster::FillRule::EvenOdd;
        const bool noClose = d.stroke && d.style < lines.size() && lines[d.style].noClose;
        AppendOutline(draw.path, d.outline, !noClose);
        if (!d.stroke) {
            if (d.style >= fills.size())
                continue;
            SetPaint(draw, fills[d.style]);
        } else {
            if (d.style >= lines.size())
                continue;
            const movie::LineStyle& ls = lines[d.style];
            if (ls.hasFill)
                SetPaint(draw, ls.fill);
            else
                draw.paint = raster::Paint::Solid(ToRaster(ls.color));
            // A line that no matrix scales is as wide as its twips make pixels.
            draw.strokeStyle.width = ls.noHScale && ls.noVScale ? float(ls.width) / 20.0f : float(ls.width);
            draw.strokeStyle.startCap = ToCap(ls.startCap);
            draw.strokeStyle.endCap = ToCap(ls.endCap);
            draw.strokeStyle.join = ToJoin(ls.join);
            draw.strokeStyle.miterLimit = ls.miterLimit;
            draw.strokeStyle.scaleX = !ls.noHScale;
            draw.strokeStyle.scaleY = !ls.noVScale;
            draw.strokeStyle.pixelHinting = ls.pixelHinting;
        }
        if (draw.skip)
            continue;
        shape->draws.push_back(std::move(draw));
    }
    return shape;
}

const CachedShape* Library::Shape(uint16_t id) {
    auto cached = m_shapes.find(id);
    if (cached != m_shapes.end())
        return cached->second.get();
    Library* owner = nullptr;
    uint16_t ownId = 0;
    const movie::Character* c = Find(id, &owner, &ownId);
    std::unique_ptr<CachedShape> built;
    if (c) {
        if (auto* s = std::get_if<std::shared_ptr<const movie::ShapeDef>>(c)) {
            built = owner == this ? Build((*s)->geometry, (*s)->fills, (*s)->lines, (*s)->nonZeroWinding, (*s)->bounds)
                                  : nullptr;
            if (owner != this)
                return owner->Shape(ownId);
        } else if (auto* t = std::get_if<std::shared_ptr<const movie::StaticTextDef>>(c)) {
            if (owner != this)
                return owner->Shape(ownId);
            built = BuildText(**t);
        }
    }
    const CachedShape* result = built.get();
    m_shapes.emplace(id, std::move(built));
    return result;
}

void Library::TrimCaches() {
    if (m_morphs.size() >= kMaxCachedMorphFrames)
        m_morphs.clear();
}

const CachedShape* Library::MorphAt(const movie::MorphShapeDef& morph, uint16_t ratio) {
    const MorphKey key{morph.id, ratio};
    auto cached = m_morphs.find(key);
    if (cached != m_morphs.end())
        return cached->second.get();
    movie::MorphFrame frame = movie::InterpolateMorph(morph, ratio);
    auto built = Build(frame.geometry, frame.fills, frame.lines, false, frame.bounds);
    const CachedShape* result = built.get();
    m_morphs.emplace(key, std::move(built));
    return result;
}

void MakeImageRectangle(CachedShape& shape, float width, float height, std::shared_ptr<const raster::Image> image,
                        const raster::Matrix& imageToShape, bool smooth) {
    shape.bounds = {0, 0, width, height};
    CachedDraw& draw = shape.draws.emplace_back();
    draw.rule = raster::FillRule::NonZero;
    draw.path.MoveTo({0, 0});
    draw.path.LineTo({width, 0});
    draw.path.LineTo({width, height});
    draw.path.LineTo({0, height});
    draw.path.Close();
    draw.paint.kind = raster::Paint::Kind::Bitmap;
    draw.paint.bitmap.image = std::move(image);
    draw.paint.bitmap.matrix = imageToShape;
    draw.paint.bitmap.repeat = false;
    draw.paint.bitmap.smooth = smooth;
}

}  // namespace playback
