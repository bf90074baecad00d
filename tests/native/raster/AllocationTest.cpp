// A steady scene allocates nothing per frame: after a first frame has grown the renderer's
// buffers, drawing the same list again (fills, strokes, gradients, bitmaps, masks, layers)
// makes no heap allocation. Counted by replacing the global allocation functions.
#include "Canvas.h"
#include "raster/DrawList.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<bool> counting{false};
std::atomic<long> allocations{0};
}  // namespace

// The replacements pair malloc with free; GCC cannot see that through the operators it is
// told to replace, and warns of a mismatch.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t n) {
    if (counting.load(std::memory_order_relaxed))
        allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(n == 0 ? 1 : n))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
#pragma GCC diagnostic pop

using namespace raster;

TEST(Renderer, SteadySceneAllocatesNothingPerFrame) {
    Path star;
    star.MoveTo({50, 5});
    star.LineTo({80, 95});
    star.LineTo({5, 35});
    star.LineTo({95, 35});
    star.LineTo({20, 95});
    star.Close();
    Path curve;
    curve.MoveTo({10, 10});
    curve.QuadTo({90, 0}, {90, 90});
    curve.CubicTo({50, 120}, {20, 50}, {10, 90});
    const Path square = rastertest::RectPath(0, 0, 100, 100);
    Gradient g;
    g.kind = Gradient::Kind::Focal;
    g.focal = 0.3f;
    g.stops = {{0, {255, 0, 0, 255}}, {255, {0, 0, 255, 128}}};
    g.matrix = Matrix::Translate(50, 50) * Matrix::Scale(40, 40);
    Paint gradient;
    gradient.kind = Paint::Kind::Gradient;
    gradient.gradient = &g;
    auto img = std::make_shared<Image>();
    img->width = img->height = 2;
    img->pixels = {0xFF000000, 0xFFFFFFFF, 0x80808080, 0xFF00FF00};
    Paint bitmap;
    bitmap.kind = Paint::Kind::Bitmap;
    bitmap.bitmap.image = img;
    bitmap.bitmap.matrix = Matrix::Scale(7, 7);
    bitmap.bitmap.smooth = true;
    StrokeStyle st;
    st.width = 6;

    DrawList list;
    list.Fill(square, {}, FillRule::EvenOdd, gradient, ColorTransform{});
    list.BeginMask();
    list.Fill(star, {}, FillRule::NonZero, Paint::Solid({0, 0, 0, 255}), ColorTransform{});
    list.EndMaskShape();
    list.PushLayer({BlendMode::Multiply, {}, {}});
    list.Fill(square, {}, FillRule::EvenOdd, bitmap, ColorTransform{});
    list.Stroke(curve, {}, st, Paint::Solid({0, 90, 200, 200}), ColorTransform{});
    list.PopLayer();
    list.PopMask();

    rastertest::Canvas c(100, 100);
    for (Quality q : {Quality::Low, Quality::High})
        c.Render(list, q);  // grows the buffers
    allocations = 0;
    counting = true;
    for (Quality q : {Quality::Low, Quality::High})
        c.Render(list, q);
    counting = false;
    EXPECT_EQ(allocations.load(), 0);
}

TEST(Renderer, FilteredLayerAllocatesNothingPerFrame) {
    const Path square = rastertest::RectPath(20, 20, 60, 60);
    Filter filters[3];
    filters[0].kind = FilterKind::Blur;
    filters[0].blurX = filters[0].blurY = 6;
    filters[0].passes = 2;
    filters[1].kind = FilterKind::Shadow;
    filters[1].blurX = filters[1].blurY = 5;
    filters[1].dx = 4;
    filters[1].dy = 4;
    filters[1].colors[0] = {0, 0, 0, 0};
    filters[1].colors[1] = {0, 0, 0, 255};
    filters[1].ratios[1] = 255;
    filters[1].stopCount = 2;
    filters[2] = filters[1];
    filters[2].kind = FilterKind::Bevel;
    LayerOptions options;
    options.filters = {filters, 3};
    DrawList list;
    list.PushLayer(options);
    list.Fill(square, {}, FillRule::NonZero, Paint::Solid({200, 0, 0, 255}), ColorTransform{});
    list.PopLayer();

    rastertest::Canvas c(100, 100);
    c.Render(list, Quality::High);  // grows the buffers
    allocations = 0;
    counting = true;
    c.Render(list, Quality::High);
    counting = false;
    EXPECT_EQ(allocations.load(), 0);
    EXPECT_NE(c.At(70, 70), 0xFFFFFFFFu) << "the shadow falls beyond the square";
}
