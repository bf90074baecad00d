// The filter records: each type's fields where the file puts them, and lists that cannot be
// read as a whole give nothing.
#include "MovieBytes.h"
#include "movie/Filter.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using moviebytes::BitWriter;

void Rgba(BitWriter& w, uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    w.U8(r);
    w.U8(g);
    w.U8(b);
    w.U8(a);
}

void Float(BitWriter& w, float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    w.U32(bits);
}

std::optional<movie::FilterDef> Read(const BitWriter& w) {
    movie::BitReader r(w.out.data(), w.out.size());
    auto f = movie::ReadFilter(r);
    if (f) {
        EXPECT_EQ(r.Remaining(), 0u) << "the whole record is read";
    }
    return f;
}

TEST(FilterRecord, DropShadowFields) {
    BitWriter w;
    w.U8(0);
    Rgba(w, 10, 20, 30, 200);
    w.U32(0x50000);         // blur x 5
    w.U32(0x18000);         // blur y 1.5
    w.U32(0x10000);         // angle 1 radian
    w.U32(0xFFF10000);      // distance -15
    w.U16(0x0180);          // strength 1.5
    w.U8(0x80 | 0x20 | 3);  // inner, composite source, 3 passes
    const auto f = Read(w);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->kind, movie::FilterKind::DropShadow);
    ASSERT_EQ(f->colors.size(), 1u);
    EXPECT_EQ(f->colors[0].color, (movie::Rgba{10, 20, 30, 200}));
    EXPECT_EQ(f->blurX, 5.0);
    EXPECT_EQ(f->blurY, 1.5);
    EXPECT_EQ(f->angle, 1.0);
    EXPECT_EQ(f->distance, -15.0);
    EXPECT_EQ(f->strength, 1.5);
    EXPECT_TRUE(f->inner);
    EXPECT_FALSE(f->knockout);
    EXPECT_TRUE(f->compositeSource);
    EXPECT_EQ(f->passes, 3);
}

TEST(FilterRecord, BevelTakesOneBitOfThePassesForOnTop) {
    BitWriter w;
    w.U8(3);
    Rgba(w, 255, 255, 255, 255);  // highlight
    Rgba(w, 0, 0, 0, 255);        // shadow
    for (int i = 0; i < 4; ++i)
        w.U32(0x40000);
    w.U16(0x100);
    w.U8(0x40 | 0x10 | 2);  // knockout, on top, 2 passes
    const auto f = Read(w);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->kind, movie::FilterKind::Bevel);
    ASSERT_EQ(f->colors.size(), 2u);
    EXPECT_EQ(f->colors[0].color, (movie::Rgba{255, 255, 255, 255})) << "highlight first";
    EXPECT_EQ(f->colors[1].color, (movie::Rgba{0, 0, 0, 255}));
    EXPECT_TRUE(f->onTop);
    EXPECT_TRUE(f->knockout);
    EXPECT_FALSE(f->compositeSource);
    EXPECT_EQ(f->passes, 2);
}

TEST(FilterRecord, GradientGlowStopsConvolutionAndColourMatrix) {
    BitWriter glow;
    glow.U8(4);
    glow.U8(2);
    Rgba(glow, 255, 0, 0, 0);
    Rgba(glow, 0, 0, 255, 255);
    glow.U8(0);
    glow.U8(255);
    for (int i = 0; i < 4; ++i)
        glow.U32(0x20000);
    glow.U16(0x200);
    glow.U8(0x20 | 1);
    const auto g = Read(glow);
    ASSERT_TRUE(g);
    EXPECT_EQ(g->kind, movie::FilterKind::GradientGlow);
    ASSERT_EQ(g->colors.size(), 2u);
    EXPECT_EQ(g->colors[1].color, (movie::Rgba{0, 0, 255, 255}));
    EXPECT_EQ(g->colors[1].ratio, 255);
    EXPECT_EQ(g->strength, 2.0);

    BitWriter conv;
    conv.U8(5);
    conv.U8(3);
    conv.U8(1);
    Float(conv, 2.0f);  // divisor
    Float(conv, 0.5f);  // bias
    for (float k : {1.0f, -2.0f, 1.0f})
        Float(conv, k);
    Rgba(conv, 1, 2, 3, 4);
    conv.U8(0x01);  // preserve alpha, no clamp
    const auto c = Read(conv);
    ASSERT_TRUE(c);
    EXPECT_EQ(c->kind, movie::FilterKind::Convolution);
    EXPECT_EQ(c->matrix, (std::vector<float>{1.0f, -2.0f, 1.0f}));
    EXPECT_EQ(c->divisor, 2.0f);
    EXPECT_EQ(c->bias, 0.5f);
    EXPECT_EQ(c->defaultColor, (movie::Rgba{1, 2, 3, 4}));
    EXPECT_FALSE(c->clamp);
    EXPECT_TRUE(c->preserveAlpha);

    BitWriter matrix;
    matrix.U8(6);
    for (int i = 0; i < 20; ++i)
        Float(matrix, float(i));
    const auto m = Read(matrix);
    ASSERT_TRUE(m);
    ASSERT_EQ(m->matrix.size(), 20u);
    EXPECT_EQ(m->matrix[19], 19.0f);
}

TEST(FilterRecord, UnknownOrShortRecordsSpoilTheList) {
    struct Case {
        const char* what;
        moviebytes::Bytes bytes;
    };
    const Case cases[] = {
        {"unknown type", {1, 9}},
        {"blur cut short", {1, 1, 0, 0, 0}},
        {"gradient with more stops than bytes", {1, 4, 200, 0, 0, 0, 0}},
        {"convolution matrix past the end", {1, 5, 255, 255, 0, 0, 128, 63, 0, 0, 0, 0}},
        {"second of two missing", {2, 1, 0, 0, 1, 0, 0, 0, 1, 0, 8}},
    };
    for (const Case& c : cases) {
        movie::BitReader r(c.bytes.data(), c.bytes.size());
        EXPECT_TRUE(movie::ReadFilterList(r).empty()) << c.what;
        EXPECT_FALSE(r.Ok()) << c.what;
    }
    const moviebytes::Bytes one = {1, 1, 0, 0, 1, 0, 0, 0, 1, 0, 8};
    movie::BitReader r(one.data(), one.size());
    EXPECT_EQ(movie::ReadFilterList(r).size(), 1u);
    EXPECT_TRUE(r.Ok());
}

}  // namespace
