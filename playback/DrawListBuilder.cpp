// The frame's draw list: the display tree in depth order with matrices and colour transforms
// multiplied down, masks by clip depth (a mask's own drawing between BeginMask and
// EndMaskShape, PopMask after the last depth it covers), and blend modes as layers.
#include "PlayerImpl.h"

namespace playback {
namespace {

raster::BlendMode ToBlend(uint8_t mode) {
    // The file's 2 (layer) to 14 (hardlight) follow the drawing library's order from Layer on.
    if (mode < 2 || mode > 14) return raster::BlendMode::Normal;
    return raster::BlendMode(mode - 1);
}

}  // namespace

void Player::BuildDrawList(raster::DrawList& list, int32_t w, int32_t h) {
    list.Clear();
    SetWindowSize(w, h);
    impl_->Emit(list, *root_, impl_->stageMatrix, raster::ColorTransform{}, false);
}

const CachedShape* Player::Impl::ShapeOf(const DisplayObject& o) const {
    if (o.kind == ObjectKind::Shape) return o.shape;
    if (o.kind == ObjectKind::Morph && o.morph) return o.library->MorphAt(*o.morph, o.ratio);
    return nullptr;
}

void Player::Impl::EmitShape(raster::DrawList& list, const CachedShape& shape, const raster::Matrix& m,
                             const raster::ColorTransform& cx, bool inMask) {
    for (const CachedDraw& d : shape.draws) {
        if (d.stroke) {
            if (inMask) continue;  // a mask is the area of its fills
            list.Stroke(d.path, m, d.strokeStyle, d.paint, cx);
        } else {
            list.Fill(d.path, m, d.rule, d.paint, cx);
        }
    }
}

void Player::Impl::Emit(raster::DrawList& list, const DisplayObject& o, const raster::Matrix& parentM,
                        const raster::ColorTransform& parentCx, bool inMask) {
    if (!o.visible && !inMask) return;
    const raster::Matrix m = parentM * o.matrix;
    const raster::ColorTransform cx = parentCx * o.cxform;
    const bool layer = !inMask && o.blendMode >= 2 && o.blendMode <= 14;
    if (layer) {
        raster::LayerOptions options;
        options.blend = ToBlend(o.blendMode);
        list.PushLayer(options);
    }
    if (const CachedShape* shape = ShapeOf(o)) EmitShape(list, *shape, m, cx, inMask);
    if (o.IsContainer()) EmitChildren(list, o.children, m, cx, inMask);
    if (layer) list.PopLayer();
}

void Player::Impl::EmitChildren(raster::DrawList& list, const std::vector<std::unique_ptr<DisplayObject>>& children,
                                const raster::Matrix& m, const raster::ColorTransform& cx, bool inMask) {
    std::array<int32_t, kMaxOpenMasks> openMasks;  // the clip depth each open mask covers up to
    size_t open = 0;
    for (const auto& child : children) {
        while (open > 0 && child->depth > openMasks[open - 1]) {
            list.PopMask();
            --open;
        }
        if (child->clipDepth > 0) {
            if (inMask || open == kMaxOpenMasks) continue;  // masks inside a mask's shape draw nothing
            list.BeginMask();
            Emit(list, *child, m, cx, true);
            list.EndMaskShape();
            openMasks[open++] = child->clipDepth;
            continue;
        }
        Emit(list, *child, m, cx, inMask);
    }
    while (open > 0) {
        list.PopMask();
        --open;
    }
}

}  // namespace playback
