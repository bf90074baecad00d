// Static text (DefineText) made drawable: every glyph's outline from its font, placed at the
// pen position and scaled from font units to the record's height, under the text's matrix. One
// fill per record, in the record's colour.
#include "Library.h"

namespace playback {
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
                    AppendOutline(draw.path, d.outline, true, &m);
            }
            x += glyph.advance;
        }
        shape->draws.push_back(std::move(draw));
    }
    return shape;
}

}  // namespace playback
