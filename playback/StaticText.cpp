// Static text (DefineText) made drawable: every glyph's outline from its font, placed at the
// pen position and scaled from font units to the record's height, under the text's matrix. One
// fill per record, in the record's colour.
#include "Library.h"

namespace playback {
namespace {

// Appends `o` with every point mapped by `m`.
void AppendMapped(raster::Path& path, const movie::Outline& o, const raster::Matrix& m) {
    size_t pi = 0;
    auto at = [&](size_t i) { return m.Apply(raster::Point{o.points[i].x, o.points[i].y}); };
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
            path.Close();
            break;
        }
    }
}

}  // namespace

std::unique_ptr<CachedShape> Library::BuildText(const movie::StaticTextDef& text) {
    auto shape = std::make_unique<CachedShape>();
    shape->bounds = {float(text.bounds.xMin), float(text.bounds.yMin), float(text.bounds.xMax),
                     float(text.bounds.yMax)};
    const raster::Matrix textMatrix = ToRaster(text.matrix);
    for (const movie::TextRecordDef& record : text.records) {
        Library* owner = nullptr;
        uint16_t ownId = 0;
        const movie::Character* c = Find(record.fontId, &owner, &ownId);
        const auto* font = c ? std::get_if<std::shared_ptr<const movie::FontDef>>(c) : nullptr;
        if (!font || record.glyphs.empty())
            continue;
        CachedDraw draw;
        draw.rule = raster::FillRule::NonZero;
        draw.paint = raster::Paint::Solid(ToRaster(record.color));
        const double scale = record.height / double((*font)->EmSquare());
        double x = record.x;
        for (const movie::TextGlyph& glyph : record.glyphs) {
            if (glyph.index < (*font)->glyphs.size()) {
                const raster::Matrix m = textMatrix * raster::Matrix{scale, 0, 0, scale, x, double(record.y)};
                for (const movie::ShapeDraw& d : (*font)->glyphs[glyph.index].draws)
                    AppendMapped(draw.path, d.outline, m);
            }
            x += glyph.advance;
        }
        shape->draws.push_back(std::move(draw));
    }
    return shape;
}

}  // namespace playback
