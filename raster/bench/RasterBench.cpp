// raster-bench: draws a few representative scenes at 800 x 600 and prints milliseconds per
// frame (Clear + Render), median and fastest of the measured frames, at high and low quality.
// Times are the thread's CPU time, which other programs sharing the machine disturb less than
// the wall clock.
//   raster-bench [frames [scene-name-part [png-folder]]]
// With a folder, each scene's high-quality frame is also written there as scene-N.png.
#include "raster/DrawList.h"
#include "raster/Renderer.h"

#include <algorithm>
#include <ctime>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

using namespace raster;

namespace {

constexpr int kWidth = 800, kHeight = 600;

// A fixed pseudo-random sequence, so every run draws the same scenes.
struct Lcg {
    uint32_t s = 12345;
    float Next() {
        s = s * 1664525u + 1013904223u;
        return static_cast<float>(s >> 8) / 16777216.0f;
    }
};

Path Circle(float cx, float cy, float r) {
    const float k = 0.5522847f * r;
    Path p;
    p.MoveTo({cx + r, cy});
    p.CubicTo({cx + r, cy + k}, {cx + k, cy + r}, {cx, cy + r});
    p.CubicTo({cx - k, cy + r}, {cx - r, cy + k}, {cx - r, cy});
    p.CubicTo({cx - r, cy - k}, {cx - k, cy - r}, {cx, cy - r});
    p.CubicTo({cx + k, cy - r}, {cx + r, cy - k}, {cx + r, cy});
    p.Close();
    return p;
}

Path Rect(float x0, float y0, float x1, float y1) {
    Path p;
    p.MoveTo({x0, y0});
    p.LineTo({x1, y0});
    p.LineTo({x1, y1});
    p.LineTo({x0, y1});
    p.Close();
    return p;
}

Path Star(float cx, float cy, float r) {
    Path p;
    for (int i = 0; i < 5; ++i) {
        const double a = -3.14159265 / 2 + i * 4 * 3.14159265 / 5;
        const Point pt{static_cast<float>(cx + r * std::cos(a)), static_cast<float>(cy + r * std::sin(a))};
        if (i == 0)
            p.MoveTo(pt);
        else
            p.LineTo(pt);
    }
    p.Close();
    return p;
}

// Everything a scene's draw list points at.
struct Scene {
    std::string name;
    std::vector<Path> paths;
    std::vector<std::unique_ptr<Gradient>> gradients;
    DrawList list;
};

Color RandomColor(Lcg& r, uint8_t alpha) {
    return {static_cast<uint8_t>(r.Next() * 255), static_cast<uint8_t>(r.Next() * 255),
            static_cast<uint8_t>(r.Next() * 255), alpha};
}

// Shapes are built in twips, as a movie's are, and drawn through a twips-to-pixels matrix.
const Matrix kTwips = Matrix::Scale(0.05, 0.05);

void SmallShapes(Scene& s) {
    s.name = "2000 small shapes";
    Lcg r;
    for (int i = 0; i < 2000; ++i) {
        const float x = r.Next() * kWidth * 20, y = r.Next() * kHeight * 20, size = 40 + r.Next() * 300;
        s.paths.push_back(i % 2 ? Circle(x, y, size) : Rect(x, y, x + size * 1.5f, y + size));
    }
    for (const Path& p : s.paths)
        s.list.Fill(p, kTwips, FillRule::EvenOdd, Paint::Solid(RandomColor(r, r.Next() < 0.5f ? 255 : 160)), {});
}

void BigSolids(Scene& s) {
    s.name = "10 full-size solids";
    // Backgrounds and large panels: the fill rate of the sweep and the blit. Every other one
    // is translucent.
    Lcg r;
    for (int i = 0; i < 10; ++i)
        s.paths.push_back(Rect(-200 + i * 7.3f, -100 + i * 3.1f, kWidth * 20 + 150, kHeight * 20 + 90));
    for (int i = 0; i < 10; ++i)
        s.list.Fill(s.paths[i], kTwips, FillRule::NonZero, Paint::Solid(RandomColor(r, i % 2 ? 255 : 128)), {});
}

void SmallGradients(Scene& s) {
    s.name = "1000 small gradient shapes";
    // Buttons and highlights: 1000 shapes sharing 50 gradients (a movie's instances of a few
    // shape definitions), half of them in linear RGB.
    Lcg r;
    for (int i = 0; i < 50; ++i) {
        auto g = std::make_unique<Gradient>();
        g->kind = i % 3 == 0 ? Gradient::Kind::Linear : Gradient::Kind::Radial;
        g->interpolation = i % 2 ? Interpolation::LinearRgb : Interpolation::Rgb;
        g->stops = {{0, RandomColor(r, 255)}, {160, RandomColor(r, 200)}, {255, RandomColor(r, 255)}};
        s.gradients.push_back(std::move(g));
    }
    std::vector<Matrix> places;
    for (int i = 0; i < 1000; ++i) {
        const float x = r.Next() * kWidth * 20, y = r.Next() * kHeight * 20, size = 100 + r.Next() * 300;
        s.paths.push_back(Circle(0, 0, 1));
        places.push_back(kTwips * Matrix::Translate(x, y) * Matrix::Scale(size, size));
    }
    for (size_t i = 0; i < s.paths.size(); ++i) {
        Paint p;
        p.kind = Paint::Kind::Gradient;
        p.gradient = s.gradients[i % s.gradients.size()].get();
        s.list.Fill(s.paths[i], places[i], FillRule::EvenOdd, p, {});
    }
}

void BigGradients(Scene& s) {
    s.name = "4 full-size gradients";
    s.paths.push_back(Rect(0, 0, kWidth * 20, kHeight * 20));
    const Gradient::Kind kinds[] = {Gradient::Kind::Linear, Gradient::Kind::Radial, Gradient::Kind::Focal,
                                    Gradient::Kind::Linear};
    const Spread spreads[] = {Spread::Pad, Spread::Reflect, Spread::Pad, Spread::Repeat};
    for (int i = 0; i < 4; ++i) {
        auto g = std::make_unique<Gradient>();
        g->kind = kinds[i];
        g->spread = spreads[i];
        g->focal = 0.6f;
        g->interpolation = i == 3 ? Interpolation::LinearRgb : Interpolation::Rgb;
        g->stops = {
            {0, {255, 0, 0, 255}}, {128, {0, 255, 0, i == 0 ? uint8_t(255) : uint8_t(140)}}, {255, {0, 0, 255, 200}}};
        g->matrix = Matrix::Translate(8000, 6000) * Matrix{4000 * std::cos(i * 0.7),
                                                           4000 * std::sin(i * 0.7),
                                                           -3000 * std::sin(i * 0.7),
                                                           3000 * std::cos(i * 0.7),
                                                           0,
                                                           0};
        Paint p;
        p.kind = Paint::Kind::Gradient;
        p.gradient = g.get();
        s.list.Fill(s.paths[0], kTwips, FillRule::EvenOdd, p, {});
        s.gradients.push_back(std::move(g));
    }
}

void BitmapFill(Scene& s, bool smooth) {
    s.name = smooth ? "full-size bitmap, smoothed" : "full-size bitmap, nearest";
    auto img = std::make_shared<Image>();
    img->width = img->height = 256;
    img->pixels.resize(256 * 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x)
            img->pixels[y * 256 + x] = 0xFF000000u | (static_cast<uint32_t>(x) << 16) |
                                       (static_cast<uint32_t>(y) << 8) | static_cast<uint32_t>((x ^ y) & 0xFF);
    s.paths.push_back(Rect(0, 0, kWidth * 20, kHeight * 20));
    Paint p;
    p.kind = Paint::Kind::Bitmap;
    p.bitmap.image = img;
    // Bitmap fills in twips: 20 twips per image pixel, then rotated and enlarged a little.
    p.bitmap.matrix = Matrix{
        20 * 1.3 * std::cos(0.3), 20 * 1.3 * std::sin(0.3), -20 * 1.3 * std::sin(0.3), 20 * 1.3 * std::cos(0.3), 0, 0};
    p.bitmap.repeat = true;
    p.bitmap.smooth = smooth;
    s.list.Fill(s.paths[0], kTwips, FillRule::EvenOdd, p, {});
}

void Strokes(Scene& s) {
    s.name = "300 curved strokes";
    Lcg r;
    for (int i = 0; i < 300; ++i) {
        Path p;
        float x = r.Next() * kWidth * 20, y = r.Next() * kHeight * 20;
        p.MoveTo({x, y});
        for (int k = 0; k < 4; ++k) {
            const float cx = x + (r.Next() - 0.5f) * 4000, cy = y + (r.Next() - 0.5f) * 4000;
            x += (r.Next() - 0.5f) * 4000;
            y += (r.Next() - 0.5f) * 4000;
            p.QuadTo({cx, cy}, {x, y});
        }
        s.paths.push_back(std::move(p));
    }
    for (size_t i = 0; i < s.paths.size(); ++i) {
        StrokeStyle st;
        st.width = i % 5 == 0 ? 0 : 20 + r.Next() * 140;
        st.join = i % 3 == 0 ? Join::Round : i % 3 == 1 ? Join::Miter : Join::Bevel;
        s.list.Stroke(s.paths[i], kTwips, st, Paint::Solid(RandomColor(r, 255)), {});
    }
}

void MaskedLayer(Scene& s) {
    s.name = "masked multiply layer";
    Lcg r;
    s.paths.push_back(Rect(0, 0, kWidth * 20, kHeight * 20));
    s.paths.push_back(Star(8000, 6000, 5800));
    for (int i = 0; i < 200; ++i) {
        const float x = r.Next() * kWidth * 20, y = r.Next() * kHeight * 20;
        s.paths.push_back(Circle(x, y, 300 + r.Next() * 1500));
    }
    s.list.Fill(s.paths[0], kTwips, FillRule::EvenOdd, Paint::Solid({230, 220, 200, 255}), {});
    s.list.BeginMask();
    s.list.Fill(s.paths[1], kTwips, FillRule::NonZero, Paint::Solid({0, 0, 0, 255}), {});
    s.list.EndMaskShape();
    s.list.PushLayer({BlendMode::Multiply, {}, {}});
    for (size_t i = 2; i < s.paths.size(); ++i)
        s.list.Fill(s.paths[i], kTwips, FillRule::EvenOdd, Paint::Solid(RandomColor(r, 200)), {});
    s.list.PopLayer();
    s.list.PopMask();
}

double ThreadMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

struct Timing {
    double median, fastest;
};

Timing Measure(Renderer& renderer, const Scene& scene, Quality q, std::vector<uint32_t>& pixels, int frames) {
    const Surface surface{pixels.data(), kWidth, kHeight, kWidth};
    RenderOptions options;
    options.quality = q;
    std::vector<double> ms;
    for (int i = 0; i < frames + 3; ++i) {
        const double t0 = ThreadMs();
        Clear(surface, {255, 255, 255, 255});
        renderer.Render(scene.list, surface, options);
        const double t1 = ThreadMs();
        if (i >= 3)
            ms.push_back(t1 - t0);  // after warm-up
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.front()};
}

// Writes the premultiplied pixels as an RGBA PNG (straight colour).
void WritePng(const std::string& path, const std::vector<uint32_t>& pixels) {
    std::vector<uint8_t> rgba(pixels.size() * 4);
    for (size_t i = 0; i < pixels.size(); ++i) {
        const uint32_t p = pixels[i], a = p >> 24;
        auto un = [a](uint32_t c) {
            return static_cast<uint8_t>(a == 0 ? 0 : std::min<uint32_t>(255, (c * 255 + a / 2) / a));
        };
        rgba[i * 4 + 0] = un((p >> 16) & 0xFF);
        rgba[i * 4 + 1] = un((p >> 8) & 0xFF);
        rgba[i * 4 + 2] = un(p & 0xFF);
        rgba[i * 4 + 3] = static_cast<uint8_t>(a);
    }
    stbi_write_png(path.c_str(), kWidth, kHeight, 4, rgba.data(), kWidth * 4);
}

}  // namespace

int main(int argc, char** argv) {
    const int frames = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
    std::vector<std::unique_ptr<Scene>> scenes;
    auto add = [&](auto build) {
        scenes.push_back(std::make_unique<Scene>());
        build(*scenes.back());
    };
    add(SmallShapes);
    add(BigSolids);
    add(SmallGradients);
    add(BigGradients);
    add([](Scene& s) { BitmapFill(s, false); });
    add([](Scene& s) { BitmapFill(s, true); });
    add(Strokes);
    add(MaskedLayer);

    Renderer renderer;
    std::vector<uint32_t> pixels(static_cast<size_t>(kWidth) * kHeight);
    std::printf("raster-bench: %dx%d, %d frames per scene (Clear + Render), CPU ms per frame: median (fastest)\n",
                kWidth, kHeight, frames);
    std::printf("%-28s %14s %14s\n", "scene", "high median", "low median");
    const std::string only = argc > 2 ? argv[2] : "";
    for (const auto& s : scenes) {
        if (s->name.find(only) == std::string::npos)
            continue;
        const Timing high = Measure(renderer, *s, Quality::High, pixels, frames);
        const Timing low = Measure(renderer, *s, Quality::Low, pixels, frames);
        std::printf("%-28s %8.2f (%4.2f) %8.2f (%4.2f)\n", s->name.c_str(), high.median, high.fastest, low.median,
                    low.fastest);
        if (argc > 3) {
            Measure(renderer, *s, Quality::High, pixels, 1);
            WritePng(std::string(argv[3]) + "/scene-" + std::to_string(&s - scenes.data()) + ".png", pixels);
        }
    }
    return 0;
}
