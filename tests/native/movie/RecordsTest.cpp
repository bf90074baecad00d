// The bit reader and the basic records, read from bytes written by hand.
#include "movie/BitReader.h"
#include "movie/Records.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using movie::BitReader;

TEST(BitReader, ReadsFieldsAcrossBytesHighBitFirst) {
    const uint8_t bytes[] = {0b10110011, 0b01000000};
    BitReader r(bytes, sizeof bytes);
    EXPECT_EQ(r.UBits(3), 0b101u);
    EXPECT_EQ(r.SBits(5), -13);  // 10011
    EXPECT_EQ(r.UBits(2), 0b01u);
    EXPECT_TRUE(r.Ok());
}

TEST(BitReader, ReadingPastTheEndFailsAndStaysFailed) {
    const uint8_t bytes[] = {0xFF, 0x01};
    BitReader r(bytes, sizeof bytes);
    EXPECT_EQ(r.U16(), 0x01FF);
    EXPECT_EQ(r.U8(), 0);
    EXPECT_FALSE(r.Ok());
    const uint8_t more[] = {0x12};
    BitReader s(more, 1);
    EXPECT_EQ(s.UBits(9), 0u);
    EXPECT_FALSE(s.Ok());
}

TEST(BitReader, TextWithoutTerminatorFails) {
    const uint8_t bytes[] = {'a', 'b'};
    BitReader r(bytes, sizeof bytes);
    EXPECT_EQ(r.CString(), "ab");
    EXPECT_FALSE(r.Ok());
}

TEST(BitReader, ByteReadsStartOnTheNextWholeByte) {
    const uint8_t bytes[] = {0b11100000, 0x2A};
    BitReader r(bytes, sizeof bytes);
    EXPECT_EQ(r.UBits(3), 7u);
    EXPECT_EQ(r.U8(), 0x2A);
}

TEST(Records, StageRectOfAUsualMovie) {
    // 550 x 400 pixels: 15-bit fields 0, 11000, 0, 8000.
    const uint8_t bytes[] = {0x78, 0x00, 0x05, 0x5F, 0x00, 0x00, 0x0F, 0xA0, 0x00};
    BitReader r(bytes, sizeof bytes);
    const movie::TwipsRect rect = movie::ReadRect(r);
    EXPECT_TRUE(r.Ok());
    EXPECT_EQ(rect, (movie::TwipsRect{0, 11000, 0, 8000}));
    EXPECT_EQ(r.Position(), sizeof bytes);
}

TEST(Records, MatrixWithScaleRotateAndTranslate) {
    // HasScale, 18 bits: 1.5 (0x18000), -0.5 (0x38000 in 18 bits); HasRotate, 17 bits: 0.25
    // (0x04000), -0.25; translate 7 bits: -20, 40.
    std::vector<uint8_t> bits;
    uint64_t acc = 0;
    unsigned n = 0;
    auto put = [&](uint32_t v, unsigned width) {
        for (unsigned i = width; i-- > 0;) {
            acc = acc << 1 | (v >> i & 1);
            if (++n == 8) {
                bits.push_back(uint8_t(acc));
                acc = 0;
                n = 0;
            }
        }
    };
    put(1, 1), put(18, 5), put(0x18000, 18), put(0x38000, 18);
    put(1, 1), put(17, 5), put(0x04000, 17), put(0x1C000, 17);
    put(7, 5), put(uint32_t(-20) & 0x7F, 7), put(40, 7);
    if (n)
        bits.push_back(uint8_t(acc << (8 - n)));
    BitReader r(bits.data(), bits.size());
    const movie::Matrix2D m = movie::ReadMatrix(r);
    EXPECT_TRUE(r.Ok());
    EXPECT_DOUBLE_EQ(m.a, 1.5);
    EXPECT_DOUBLE_EQ(m.d, -0.5);
    EXPECT_DOUBLE_EQ(m.b, 0.25);
    EXPECT_DOUBLE_EQ(m.c, -0.25);
    EXPECT_DOUBLE_EQ(m.tx, -20);
    EXPECT_DOUBLE_EQ(m.ty, 40);
}

TEST(Records, ColourTransformWithAndWithoutAlpha) {
    // HasAdd, HasMult, 10-bit fields: mul 256, 128, 0, (alpha 64); add -10, 20, 255, (alpha 5).
    auto build = [](bool alpha) {
        std::vector<uint8_t> out;
        uint64_t acc = 0;
        unsigned n = 0;
        auto put = [&](uint32_t v, unsigned width) {
            for (unsigned i = width; i-- > 0;) {
                acc = acc << 1 | (v >> i & 1);
                if (++n == 8) {
                    out.push_back(uint8_t(acc));
                    acc = 0;
                    n = 0;
                }
            }
        };
        put(1, 1), put(1, 1), put(10, 4);
        put(256, 10), put(128, 10), put(0, 10);
        if (alpha)
            put(64, 10);
        put(uint32_t(-10) & 0x3FF, 10), put(20, 10), put(255, 10);
        if (alpha)
            put(5, 10);
        if (n)
            out.push_back(uint8_t(acc << (8 - n)));
        return out;
    };
    for (bool alpha : {false, true}) {
        const auto bytes = build(alpha);
        BitReader r(bytes.data(), bytes.size());
        const movie::CxForm c = movie::ReadCxForm(r, alpha);
        EXPECT_TRUE(r.Ok());
        EXPECT_EQ(r.Position(), bytes.size());
        EXPECT_EQ(c.rMul, 256);
        EXPECT_EQ(c.gMul, 128);
        EXPECT_EQ(c.bMul, 0);
        EXPECT_EQ(c.aMul, alpha ? 64 : 256);
        EXPECT_EQ(c.rAdd, -10);
        EXPECT_EQ(c.gAdd, 20);
        EXPECT_EQ(c.bAdd, 255);
        EXPECT_EQ(c.aAdd, alpha ? 5 : 0);
    }
}

TEST(Records, ColoursInTheirByteOrders) {
    const uint8_t bytes[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    BitReader r(bytes, sizeof bytes);
    EXPECT_EQ(movie::ReadRgb(r), (movie::Rgba{1, 2, 3, 255}));
    EXPECT_EQ(movie::ReadRgba(r), (movie::Rgba{4, 5, 6, 7}));
    EXPECT_EQ(movie::ReadArgb(r), (movie::Rgba{9, 10, 11, 8}));
}

}  // namespace
