// The frame's draw list: the display tree in depth order with matrices and colour transforms
// multiplied down, masks by clip depth (a mask's own drawing between BeginMask and
// EndMaskShape, PopMask after the last depth it covers), blend modes as layers over the
// object's bounds, and opaque backgrounds beneath their objects.
#include "playback/TextField.h"
#include "AttachedBitmap.h"
#include "PlayerImpl.h"
#include "VideoPlayback.h"

#include <algorithm>
#include <cmath>

namespace playback {
namespace {

constexpr uint8_t kBlendLayer = 2;
constexpr uint8_t kBlendAlpha = 11;
constexpr uint8_t kBlendErase = 12;
constexpr uint8_t kBlendLast = 14;

raster::BlendMode ToBlend(uint8_t mode) {
    // The file's 2 (layer) to 14 (hardlight) follow the drawing library's order from Layer on.
    if (mode < kBlendLayer || mode > kBlendLast)
        return raster::BlendMode::Normal;
    return raster::BlendMode(mode - 1);
}

raster::Color DeviceColor(const movie::Rgba& c) {
    return {c.r, c.g, c.b, c.a};
}

// The stops of a glow's colour by amount (transparent to the colour) or of a bevel's
// (highlight, transparent, shadow), or the gradient filters' own.
void SetStops(raster::Filter& out, const movie::FilterDef& f) {
    out.stopCount = 0;
    auto add = [&out](raster::Color c, uint8_t ratio) {
        if (out.stopCount < raster::Filter::kMaxStops) {
            out.colors[out.stopCount] = c;
            out.ratios[out.stopCount++] = ratio;
        }
    };
    const raster::Color none{0, 0, 0, 0};
    switch (f.kind) {
    case movie::FilterKind::DropShadow:
    case movie::FilterKind::Glow:
        add(none, 0);
        add(f.colors.empty() ? raster::Color{} : DeviceColor(f.colors[0].color), 255);
        break;
    case movie::FilterKind::Bevel:
        add(f.colors.size() > 0 ? DeviceColor(f.colors[0].color) : none, 0);
        add(none, 128);
        add(f.colors.size() > 1 ? DeviceColor(f.colors[1].color) : none, 255);
        break;
    default:
        for (const movie::GradientStop& s : f.colors)
            add(DeviceColor(s.color), s.ratio);
        break;
    }
}

// A filter in device pixels: its sizes follow the object's scale on the stage.
bool ToDevice(const movie::FilterDef& f, float sx, float sy, raster::Filter& out) {
    out = raster::Filter{};
    out.blurX = static_cast<float>(f.blurX) * sx;
    out.blurY = static_cast<float>(f.blurY) * sy;
    out.passes = f.passes;
    out.strength = static_cast<float>(f.strength);
    out.inner = f.inner;
    out.knockout = f.knockout;
    out.compositeSource = f.compositeSource;
    out.onTop = f.onTop;
    out.dx = static_cast<float>(std::cos(f.angle) * f.distance) * sx;
    out.dy = static_cast<float>(std::sin(f.angle) * f.distance) * sy;
    switch (f.kind) {
    case movie::FilterKind::Blur:
        out.kind = raster::FilterKind::Blur;
        return true;
    case movie::FilterKind::DropShadow:
    case movie::FilterKind::Glow:
    case movie::FilterKind::GradientGlow:
        out.kind = raster::FilterKind::Shadow;
        SetStops(out, f);
        return true;
    case movie::FilterKind::Bevel:
    case movie::FilterKind::GradientBevel:
        out.kind = raster::FilterKind::Bevel;
        SetStops(out, f);
        return true;
    case movie::FilterKind::ColorMatrix:
        if (f.matrix.size() < 20)
            return false;
        out.kind = raster::FilterKind::ColorMatrix;
        std::copy(f.matrix.begin(), f.matrix.begin() + 20, out.colorMatrix.begin());
        return true;
    case movie::FilterKind::Convolution:
        if (f.matrix.size() < size_t(f.matrixX) * f.matrixY)
            return false;
        out.kind = raster::FilterKind::Convolution;
        out.matrix = f.matrix.data();
        out.matrixX = f.matrixX;
        out.matrixY = f.matrixY;
        out.divisor = f.divisor;
        out.bias = f.bias;
        out.defaultColor = DeviceColor(f.defaultColor);
        out.clamp = f.clamp;
        out.preserveAlpha = f.preserveAlpha;
        return true;
    case movie::FilterKind::DisplacementMap:
        return false;  // needs the script's map bitmap
    }
    return false;
}

// The object's filters in device pixels, into its own list (kept between frames). Filter sizes
// are stage pixels: they follow the stage's scale, not the object's own.
raster::FilterList DeviceFilters(const DisplayObject& o, const raster::Matrix& m) {
    // The matrix maps twips to device pixels.
    const float sx = static_cast<float>(std::hypot(m.a, m.b) * 20.0);
    const float sy = static_cast<float>(std::hypot(m.c, m.d) * 20.0);
    o.deviceFilters.resize(o.filters.size());
    int n = 0;
    for (const movie::FilterDef& f : o.filters)
        if (ToDevice(f, sx, sy, o.deviceFilters[size_t(n)]))
            ++n;
    return {o.deviceFilters.data(), n};
}

}  // namespace

void Player::BuildDrawList(raster::DrawList& list, int32_t w, int32_t h) {
    list.Clear();
    SetWindowSize(w, h);
    m_impl->Emit(list, *m_root, m_impl->stageMatrix, raster::ColorTransform{}, false, false);
    for (const auto& [level, root] : m_impl->levels)
        m_impl->Emit(list, *root, m_impl->stageMatrix, raster::ColorTransform{}, false, false);
    m_impl->EmitFocusRect(list);
}

const CachedShape* Player::Impl::ShapeOf(const DisplayObject& o) const {
    if (o.bitmap)
        return AttachedBitmapShape(*o.bitmap);
    if (o.kind == ObjectKind::Shape)
        return o.shape;
    if (o.kind == ObjectKind::Morph && o.morph)
        return o.library->MorphAt(*o.morph, o.ratio);
    if (o.kind == ObjectKind::Video && o.video)
        return o.video->Shape();
    if (o.drawing && !o.drawing->shape.draws.empty())
        return &o.drawing->shape;
    return nullptr;
}

void Player::Impl::Bounds(const DisplayObject& o, const raster::Matrix& m, raster::Rect& out) const {
    if (const CachedShape* shape = ShapeOf(o))
        out = out.Union(raster::TransformRect(m, shape->bounds));
    if (o.textField) {
        const TextField& t = *o.textField;
        const raster::Rect box{float(t.xMin), float(t.yMin), float(t.xMin + t.width), float(t.yMin + t.height)};
        out = out.Union(raster::TransformRect(m, box));
    }
    if (!o.IsContainer())
        return;
    for (const auto& c : o.children) {
        if (c->visible || c->clipDepth)
            Bounds(*c, m * c->matrix, out);
    }
}

void Player::Impl::EmitShape(raster::DrawList& list, const CachedShape& shape, const raster::Matrix& m,
                             const raster::ColorTransform& cx, bool inMask) {
    for (const CachedDraw& d : shape.draws) {
        if (d.stroke) {
            if (inMask)
                continue;  // a mask is the area of its fills
            list.Stroke(d.path, m, d.strokeStyle, d.paint, cx);
        } else {
            list.Fill(d.path, m, d.rule, d.paint, cx);
        }
    }
}

void Player::Impl::EmitBackground(raster::DrawList& list, const DisplayObject& o, const raster::Matrix& m,
                                  const raster::ColorTransform& cx) {
    raster::Rect local;
    Bounds(o, raster::Matrix{}, local);
    if (local.Empty())
        return;
    raster::Path& path = o.backgroundPath;
    path.Clear();
    path.MoveTo({local.xMin, local.yMin});
    path.LineTo({local.xMax, local.yMin});
    path.LineTo({local.xMax, local.yMax});
    path.LineTo({local.xMin, local.yMax});
    path.Close();
    list.Fill(path, m, raster::FillRule::NonZero, raster::Paint::Solid(*o.opaqueBackground), cx);
}

void Player::Impl::Emit(raster::DrawList& list, const DisplayObject& o, const raster::Matrix& parentM,
                        const raster::ColorTransform& parentCx, bool inMask, bool inLayer) {
    if (!o.visible && !inMask)
        return;
    // Alpha and erase act on the layer of an enclosing group; with none, there is nothing for
    // them to act on and the object shows nothing.
    if (!inMask && !inLayer && (o.blendMode == kBlendAlpha || o.blendMode == kBlendErase))
        return;
    if (o.kind == ObjectKind::Video && o.video)
        o.video->ShowFrame(o.ratio);
    raster::Matrix m = parentM * o.matrix;
    if (!inMask && !o.filters.empty()) {
        // A filtered object is drawn into a bitmap of its own, placed at whole pixels.
        m.tx = std::floor(m.tx);
        m.ty = std::floor(m.ty);
    }
    const raster::ColorTransform cx = parentCx * o.cxform;
    const raster::FilterList filters =
        inMask || o.filters.empty() ? raster::FilterList{} : DeviceFilters(o, stageMatrix);
    const bool layer = !inMask && ((o.blendMode >= kBlendLayer && o.blendMode <= kBlendLast) || !filters.Empty());
    if (layer) {
        raster::LayerOptions options;
        options.blend = ToBlend(o.blendMode);
        options.cxform = cx;
        options.filters = filters;
        Bounds(o, m, options.bounds);
        if (options.bounds.Empty())
            return;  // draws nothing
        // Whole pixels, no wider: alpha and erase layers act on every pixel of their bounds.
        // Filters reach further by what they add.
        float gx = 0, gy = 0;
        for (int i = 0; i < filters.count; ++i) {
            gx += filters.filters[i].GrowX();
            gy += filters.filters[i].GrowY();
        }
        options.bounds = {std::floor(options.bounds.xMin - gx), std::floor(options.bounds.yMin - gy),
                          std::ceil(options.bounds.xMax + gx), std::ceil(options.bounds.yMax + gy)};
        list.PushLayer(options);
    }
    // A layer's contents draw untransformed; the layer takes the colour transform as a whole.
    const raster::ColorTransform contentCx = layer ? raster::ColorTransform{} : cx;
    if (o.opaqueBackground && !inMask)
        EmitBackground(list, o, m, contentCx);
    if (const CachedShape* shape = ShapeOf(o))
        EmitShape(list, *shape, m, contentCx, inMask);
    if (o.textField)
        EmitTextField(list, o, m, contentCx, inMask);
    if (o.IsContainer())
        EmitChildren(list, o.children, m, contentCx, inMask, inLayer || layer);
    if (layer)
        list.PopLayer();
}

namespace {

// Ends the layer of a mask's objects, which the mask then cuts, and the mask.
void CloseMask(raster::DrawList& list) {
    list.PopLayer();
    list.PopMask();
}

}  // namespace

void Player::Impl::EmitChildren(raster::DrawList& list, const std::vector<std::unique_ptr<DisplayObject>>& children,
                                const raster::Matrix& m, const raster::ColorTransform& cx, bool inMask, bool inLayer) {
    std::array<int32_t, kMaxOpenMasks> openMasks;  // the clip depth each open mask covers up to
    size_t open = 0;
    for (const auto& child : children) {
        while (open > 0 && child->depth > openMasks[open - 1]) {
            CloseMask(list);
            --open;
        }
        if (child->clipDepth > 0) {
            if (inMask || open == kMaxOpenMasks)
                continue;  // masks inside a mask's shape draw nothing
            list.BeginMask();
            Emit(list, *child, m, cx, true, inLayer);
            list.EndMaskShape();
            // The masked objects are composited together first and the mask cuts the result,
            // so at a soft mask edge the lower ones do not show through the upper ones.
            list.PushLayer({raster::BlendMode::Normal, {}, {}});
            openMasks[open++] = child->clipDepth;
            continue;
        }
        Emit(list, *child, m, cx, inMask, inLayer);
    }
    while (open > 0) {
        CloseMask(list);
        --open;
    }
}

}  // namespace playback
