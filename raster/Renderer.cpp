// Plays a draw list: geometry (flatten or stroke), coverage (the rasteriser), paint and
// compositing, with a stack of isolated layers and a stack of coverage masks. Everything the
// renderer needs between frames is kept in State and reused.
#include "raster/Renderer.h"

#include "CoverageRasterizer.h"
#include "Flatten.h"
#include "GradientRamp.h"
#include "LayerBlend.h"
#include "LayerFilter.h"
#include "PaintFetch.h"
#include "PixelMath.h"
#include "SpanBlit.h"
#include "Stroker.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace raster {

namespace {

// A surface-sized buffer kept in a pool; all zero whenever it is in the pool.
template <class T>
struct PoolBuffer {
    std::vector<T> data;
};

template <class T>
class BufferPool {
public:
    // A zeroed buffer of `size` elements; buffers are only reallocated when the size changes.
    PoolBuffer<T>* Take(size_t size) {
        PoolBuffer<T>* b;
        if (m_free.empty()) {
            m_all.push_back(std::make_unique<PoolBuffer<T>>());
            b = m_all.back().get();
        } else {
            b = m_free.back();
            m_free.pop_back();
        }
        if (b->data.size() != size)
            b->data.assign(size, T{});
        return b;
    }
    // Back to the pool: the caller has zeroed what it wrote.
    void Give(PoolBuffer<T>* b) { m_free.push_back(b); }

private:
    std::vector<std::unique_ptr<PoolBuffer<T>>> m_all;
    std::vector<PoolBuffer<T>*> m_free;
};

struct LayerFrame {
    uint32_t* pixels = nullptr;
    int stride = 0;
    PoolBuffer<uint32_t>* buffer = nullptr;  // null for the target surface itself
    BlendMode blend = BlendMode::Normal;
    ColorTransform cxform;  // applied to the layer when it is composited
    FilterList filters;     // applied before the colour transform
    IntRect clip;           // where draws into this layer may land
    IntRect dirty;          // what has been drawn into it
    size_t maskDepth = 0;
};

struct MaskFrame {
    PoolBuffer<uint8_t>* buffer = nullptr;
    bool building = true;
    IntRect dirty;   // what was written while building (zeroed at the end)
    IntRect bounds;  // where the mask's coverage may be non-zero once built
};

}  // namespace

struct Renderer::State {
    CoverageRasterizer rasterizer;
    Contours contours;
    Stroker stroker;
    RampCache ramps;
    std::vector<uint32_t> paintRow;
    std::vector<uint8_t> maskedRow;
    BufferPool<uint32_t> layerPool;
    BufferPool<uint8_t> maskPool;
    LayerFilter filter;
    std::vector<LayerFrame> layers;
    std::vector<MaskFrame> masks;

    Surface target;
    IntRect surfaceRect;
    int samples = 4;  // sample points per pixel side
    bool smoothing = true;

    void Begin(const Surface& s, const RenderOptions& o);
    void Finish();
    void Draw(const DrawCommand& c);
    void BeginMask();
    void EndMaskShape();
    void PopMask();
    void PushLayer(const LayerOptions& o);
    void PopLayer();

    size_t PixelCount() const { return static_cast<size_t>(target.width) * static_cast<size_t>(target.height); }
    // The innermost built mask among masks[from..]: a draw in a layer is clipped by the masks
    // begun inside that layer; the masks outside it clip the layer when it is composited.
    const MaskFrame* ActiveMask(size_t from) const {
        for (size_t i = masks.size(); i-- > from;)
            if (!masks[i].building)
                return &masks[i];
        return nullptr;
    }
    MaskFrame* BuildingMask() { return !masks.empty() && masks.back().building ? &masks.back() : nullptr; }
    bool BuildPaint(const DrawCommand& c, SpanPaint& paint, PaintContext& pc);
};

namespace {

// Parks a pixel buffer's region back at zero before it returns to the pool.
template <class T>
void ZeroRegion(T* data, int stride, const IntRect& r) {
    if (r.Empty())
        return;
    for (int y = r.y0; y < r.y1; ++y)
        std::memset(data + static_cast<size_t>(y) * stride + r.x0, 0, sizeof(T) * static_cast<size_t>(r.Width()));
}

}  // namespace

void Renderer::State::Begin(const Surface& s, const RenderOptions& o) {
    target = s;
    surfaceRect = {0, 0, s.width, s.height};
    samples = o.quality == Quality::Low ? 1 : o.quality == Quality::Medium ? 2 : 4;
    smoothing = o.quality == Quality::High || o.quality == Quality::Best;
    layers.clear();
    masks.clear();
    LayerFrame root;
    root.pixels = s.pixels;
    root.stride = s.stride;
    root.clip = surfaceRect;
    layers.push_back(root);
    if (paintRow.size() < static_cast<size_t>(s.width) + 2)
        paintRow.resize(static_cast<size_t>(s.width) + 2);
    if (maskedRow.size() < static_cast<size_t>(s.width) + 2)
        maskedRow.resize(static_cast<size_t>(s.width) + 2);
}

void Renderer::State::Finish() {
    // A list that leaves layers or masks open still ends with everything composited and
    // every pooled buffer returned clean.
    while (layers.size() > 1)
        PopLayer();
    while (!masks.empty())
        PopMask();
}

bool Renderer::State::BuildPaint(const DrawCommand& c, SpanPaint& paint, PaintContext& pc) {
    switch (c.paint.kind) {
    case Paint::Kind::Solid: {
        const Color col = c.cxform.IsIdentity() ? c.paint.color : c.cxform.Apply(c.paint.color);
        paint.solid = Premultiply(col);
        paint.fetch = nullptr;
        return paint.solid != 0;
    }
    case Paint::Kind::Gradient: {
        const Gradient* g = c.paint.gradient;
        if (g == nullptr)
            return false;
        pc.inverse = c.matrix * g->matrix;
        if (!pc.inverse.Invert())
            return false;
        pc.ramp = ramps.Get(*g, c.cxform);
        pc.focal = std::clamp(g->focal, -0.98f, 0.98f);
        const Gradient::Kind kind =
            g->kind == Gradient::Kind::Focal && pc.focal == 0.0f ? Gradient::Kind::Radial : g->kind;
        paint.fetch = ChooseGradientFetch(kind, g->spread);
        return paint.fetch != nullptr;
    }
    case Paint::Kind::Bitmap: {
        const Image* img = c.paint.bitmap.image.get();
        if (img == nullptr || img->width <= 0 || img->height <= 0 ||
            img->pixels.size() < static_cast<size_t>(img->width) * static_cast<size_t>(img->height))
            return false;
        pc.inverse = c.matrix * c.paint.bitmap.matrix;
        if (!pc.inverse.Invert())
            return false;
        pc.image = img;
        pc.cxform = c.cxform;
        paint.fetch =
            ChooseBitmapFetch(c.paint.bitmap.repeat, c.paint.bitmap.smooth && smoothing, !c.cxform.IsIdentity());
        return true;
    }
    }
    return false;
}

void Renderer::State::Draw(const DrawCommand& c) {
    if (c.path == nullptr || c.path->Empty())
        return;
    contours.Clear();
    if (c.kind == DrawCommand::Kind::Fill) {
        FlattenPath(*c.path, c.matrix, kPixelTolerance, contours);
    } else {
        stroker.Stroke(*c.path, c.matrix, c.stroke, DeviceStrokeWidth(c.stroke, c.matrix), kPixelTolerance, contours);
    }
    if (contours.points.empty())
        return;
    const FillRule rule = c.kind == DrawCommand::Kind::Fill ? c.fillRule : FillRule::NonZero;

    if (MaskFrame* building = BuildingMask()) {
        // A mask's shapes add to its coverage; their colour does not matter.
        const IntRect box = PixelsTouched(contours.Bounds(), layers.back().clip);
        if (box.Empty())
            return;
        rasterizer.Begin(box, samples);
        rasterizer.AddContours(contours);
        uint8_t* mask = building->buffer->data.data();
        const int stride = target.width;
        rasterizer.Sweep(rule, [&](int y, int x0, int x1, uint8_t* cov) {
            UnionCoverageRow(mask + static_cast<size_t>(y) * stride + x0, cov, x1 - x0);
        });
        building->dirty = building->dirty.Union(box);
        return;
    }

    LayerFrame& layer = layers.back();
    const MaskFrame* mask = ActiveMask(layer.maskDepth);
    IntRect clip = layer.clip;
    if (mask != nullptr)
        clip = clip.Intersect(mask->bounds);
    const IntRect box = PixelsTouched(contours.Bounds(), clip);
    if (box.Empty())
        return;

    SpanPaint paint;
    PaintContext pc;
    if (!BuildPaint(c, paint, pc))
        return;
    paint.context = &pc;
    paint.row = paintRow.data();

    rasterizer.Begin(box, samples);
    rasterizer.AddContours(contours);
    const uint8_t* maskPixels = mask != nullptr ? mask->buffer->data.data() : nullptr;
    const int maskStride = target.width;
    uint32_t* pixels = layer.pixels;
    const int stride = layer.stride;
    rasterizer.Sweep(rule, [&](int y, int x0, int x1, uint8_t* cov) {
        if (maskPixels != nullptr)
            MultiplyCoverageRow(cov, maskPixels + static_cast<size_t>(y) * maskStride + x0, x1 - x0);
        BlitRow(paint, pixels + static_cast<size_t>(y) * stride, x0, x1, y, cov);
    });
    layer.dirty = layer.dirty.Union(box);
}

void Renderer::State::BeginMask() {
    MaskFrame m;
    m.buffer = maskPool.Take(PixelCount());
    masks.push_back(m);
}

void Renderer::State::EndMaskShape() {
    MaskFrame* m = BuildingMask();
    if (m == nullptr)
        return;
    m->building = false;
    m->bounds = m->dirty.Intersect(surfaceRect);
    // Nested masks intersect: the new mask only lets through what the enclosing one does.
    const MaskFrame* outer = nullptr;
    for (size_t i = masks.size() - 1; i-- > layers.back().maskDepth;) {
        if (!masks[i].building) {
            outer = &masks[i];
            break;
        }
    }
    if (outer != nullptr) {
        m->bounds = m->bounds.Intersect(outer->bounds);
        uint8_t* inner = m->buffer->data.data();
        const uint8_t* o = outer->buffer->data.data();
        const int stride = target.width;
        for (int y = m->bounds.y0; y < m->bounds.y1; ++y) {
            const size_t row = static_cast<size_t>(y) * stride + m->bounds.x0;
            MultiplyCoverageRow(inner + row, o + row, m->bounds.Width());
        }
    }
}

void Renderer::State::PopMask() {
    if (masks.empty())
        return;
    MaskFrame& m = masks.back();
    ZeroRegion(m.buffer->data.data(), target.width, m.dirty);
    maskPool.Give(m.buffer);
    masks.pop_back();
}

void Renderer::State::PushLayer(const LayerOptions& o) {
    LayerFrame f;
    f.buffer = layerPool.Take(PixelCount());
    f.pixels = f.buffer->data.data();
    f.stride = target.width;
    f.blend = o.blend;
    f.cxform = o.cxform;
    f.filters = o.filters;
    f.clip = layers.back().clip;
    if (const MaskFrame* outer = ActiveMask(layers.back().maskDepth))
        f.clip = f.clip.Intersect(outer->bounds);
    if (!o.bounds.Empty())
        f.clip = f.clip.Intersect(PixelsTouched(o.bounds, surfaceRect));
    f.maskDepth = masks.size();
    layers.push_back(f);
}

void Renderer::State::PopLayer() {
    if (layers.size() <= 1)
        return;
    // Masks begun inside the layer end with it.
    while (masks.size() > layers.back().maskDepth)
        PopMask();
    LayerFrame top = layers.back();
    layers.pop_back();
    if (!top.filters.Empty()) {
        const IntRect area = LayerFilter::Reach(top.dirty, top.filters, top.clip);
        filter.Apply(top.pixels, top.stride, area, top.filters);
        top.dirty = area;
    }
    LayerFrame& below = layers.back();
    const bool belowIsLayer = layers.size() > 1;
    const MaskFrame* mask = ActiveMask(below.maskDepth);

    // Every mode leaves the layer below alone where the source drew nothing (alpha too).
    IntRect region = top.dirty;
    const bool actsBelow = belowIsLayer && (top.blend == BlendMode::Alpha || top.blend == BlendMode::Erase);
    if (mask != nullptr)
        region = region.Intersect(mask->bounds);
    region = region.Intersect(below.clip);

    if (!top.cxform.IsIdentity())
        TransformLayer(top.pixels, top.stride, top.dirty.Intersect(region), top.cxform);
    const CompositeRowFn composite = ChooseComposite(top.blend, belowIsLayer, mask != nullptr);
    for (int y = region.y0; y < region.y1; ++y) {
        const size_t off = static_cast<size_t>(y) * top.stride + region.x0;
        const uint8_t* m =
            mask != nullptr ? mask->buffer->data.data() + static_cast<size_t>(y) * target.width + region.x0 : nullptr;
        composite(below.pixels + static_cast<size_t>(y) * below.stride + region.x0, top.pixels + off, m,
                  region.Width());
    }
    if (!actsBelow)
        below.dirty = below.dirty.Union(region);
    ZeroRegion(top.pixels, top.stride, top.dirty);
    layerPool.Give(top.buffer);
}

Renderer::Renderer() : m_state(std::make_unique<State>()) {}
Renderer::~Renderer() = default;

void Renderer::Render(const DrawList& list, const Surface& target, const RenderOptions& options) {
    if (target.pixels == nullptr || target.width <= 0 || target.height <= 0 || target.stride < target.width)
        return;
    State& s = *m_state;
    s.Begin(target, options);
    for (const DrawCommand& c : list.Commands()) {
        switch (c.kind) {
        case DrawCommand::Kind::Fill:
        case DrawCommand::Kind::Stroke:
            s.Draw(c);
            break;
        case DrawCommand::Kind::BeginMask:
            s.BeginMask();
            break;
        case DrawCommand::Kind::EndMaskShape:
            s.EndMaskShape();
            break;
        case DrawCommand::Kind::PopMask:
            s.PopMask();
            break;
        case DrawCommand::Kind::PushLayer:
            s.PushLayer(c.layer);
            break;
        case DrawCommand::Kind::PopLayer:
            s.PopLayer();
            break;
        }
    }
    s.Finish();
}

void Clear(const Surface& target, Color color) {
    if (target.pixels == nullptr || target.width <= 0 || target.height <= 0 || target.stride < target.width)
        return;
    const uint32_t p = Premultiply(color);
    for (int y = 0; y < target.height; ++y) {
        uint32_t* row = target.pixels + static_cast<size_t>(y) * target.stride;
        std::fill(row, row + target.width, p);
    }
}

}  // namespace raster
