// Static text on hand-made movies: DefineFont2 and DefineFont3 glyphs placed by DefineText
// records (pen position carried between glyphs and records, size from the em square, colour per
// record), drawn through the player and the rasteriser.
#include "Canvas.h"
#include "MovieBytes.h"
#include "playback/Player.h"

#include <gtest/gtest.h>

namespace {

using namespace moviebytes;

// A glyph square of `side` font units standing on the baseline: (0, -side) to (side, 0).
Bytes SquareGlyph(int32_t side) {
    BitWriter w;
    w.Bits(1, 4);  // fill bits
    w.Bits(0, 4);  // line bits
    StyleChange(w, 0, -side, -1, 1, -1, 1);
    StraightEdge(w, side, 0);
    StraightEdge(w, 0, side);
    StraightEdge(w, -side, 0);
    StraightEdge(w, 0, -side);
    w.Bits(0, 6);
    w.Align();
    return w.out;
}

// DefineFont2 (version 2) or DefineFont3 (version 3): glyph 0 a full em square, glyph 1 half of
// one, codes 'A' and 'B', no layout.
Bytes Font(uint16_t id, int version) {
    const int32_t em = version == 3 ? 20480 : 1024;
    const Bytes glyphs[2] = {SquareGlyph(em), SquareGlyph(em / 2)};
    BitWriter w;
    w.U16(id);
    w.U8(0x04);  // wide codes
    w.U8(0);     // language
    w.U8(4);
    for (char c : std::string("Test"))
        w.U8(uint8_t(c));
    w.U16(2);
    const uint16_t first = 6;  // two offsets and the code table offset
    w.U16(first);
    w.U16(uint16_t(first + glyphs[0].size()));
    w.U16(uint16_t(first + glyphs[0].size() + glyphs[1].size()));
    w.Raw(glyphs[0]);
    w.Raw(glyphs[1]);
    w.U16('A');
    w.U16('B');
    return Tag(version == 3 ? 75 : 48, w.out);
}

// Two records: red glyphs 0 and 1 at 10 px from (0, 20 px), the second 20 px on; then blue
// glyph 0 at (10 px, 50 px). GlyphBits 1, AdvanceBits 10.
Bytes Text(uint16_t id, uint16_t fontId) {
    BitWriter w;
    w.U16(id);
    Rect(w, 0, 2000, 0, 2000);
    TranslateMatrix(w, 0, 0);
    w.U8(1);
    w.U8(10);
    w.U8(0x8F);  // record with font, colour, x and y
    w.U16(fontId);
    for (uint8_t c : {255, 0, 0})
        w.U8(c);
    w.U16(0);    // x
    w.U16(400);  // y: the baseline
    w.U16(200);  // height
    w.U8(2);
    w.Bits(0, 1);
    w.SBits(400, 10);
    w.Bits(1, 1);
    w.SBits(200, 10);
    w.Align();
    w.U8(0x87);  // colour, x and y; the font carries on
    for (uint8_t c : {0, 0, 255})
        w.U8(c);
    w.U16(200);
    w.U16(1000);
    w.U8(1);
    w.Bits(0, 1);
    w.SBits(200, 10);
    w.Align();
    w.U8(0);
    return Tag(11, w.out);
}

class StaticText : public ::testing::TestWithParam<int> {};

TEST_P(StaticText, GlyphsSitOnTheirBaselinesAtTheirSizeAndColour) {
    const Bytes file = Movie({Background(255, 255, 255), Font(1, GetParam()), Text(2, 1), Place(1, 2), ShowFrame()});
    auto read = movie::ReadMovie(file.data(), file.size());
    ASSERT_TRUE(read);
    EXPECT_EQ(read->brokenTags, 0u);
    playback::Player player(std::make_shared<const movie::Movie>(std::move(*read)));
    player.AdvanceFrame();
    raster::DrawList list;
    player.BuildDrawList(list, 100, 100);
    rastertest::Canvas canvas(100, 100);
    canvas.Render(list, raster::Quality::Low);
    const uint32_t white = 0xFFFFFFFF, red = 0xFFFF0000, blue = 0xFF0000FF;
    const struct {
        int x, y;
        uint32_t want;
    } probes[] = {
        {5, 15, red},     // glyph 0: 10 px square above the baseline at 20 px
        {5, 25, white},   // below the baseline
        {22, 17, red},    // glyph 1, half the size, 20 px on
        {22, 12, white},  // above its top
        {32, 15, white},  // past glyph 1: the pen stopped there
        {15, 45, blue},   // the second record, at its own position and colour
        {5, 45, white},
    };
    for (const auto& p : probes)
        EXPECT_EQ(canvas.At(p.x, p.y), p.want) << p.x << "," << p.y;
}

INSTANTIATE_TEST_SUITE_P(FontVersions, StaticText, ::testing::Values(2, 3));

TEST(StaticTextRead, GlyphsCodesAndRecordsOfACutShortText) {
    Bytes text = Text(2, 1);
    const Bytes file = Movie({Font(1, 2), text, ShowFrame()});
    auto read = movie::ReadMovie(file.data(), file.size());
    ASSERT_TRUE(read);
    const auto& font = *std::get<std::shared_ptr<const movie::FontDef>>(read->dictionary.at(1));
    EXPECT_EQ(font.name, "Test");
    ASSERT_EQ(font.glyphs.size(), 2u);
    EXPECT_EQ(font.codes, (std::vector<uint16_t>{'A', 'B'}));
    const auto& def = *std::get<std::shared_ptr<const movie::StaticTextDef>>(read->dictionary.at(2));
    ASSERT_EQ(def.records.size(), 2u);
    EXPECT_EQ(def.records[1].fontId, 1);  // carried on
    EXPECT_EQ(def.records[1].height, 200);
    EXPECT_EQ(def.records[0].glyphs[1].index, 1u);
    EXPECT_EQ(def.records[0].glyphs[1].advance, 200);

    // Cut inside the second record: the first stays, the tag counts as broken.
    text.resize(text.size() - 4);
    text[0] = uint8_t((11 << 6) | (text.size() - 2));
    const Bytes cut = Movie({Font(1, 2), text, ShowFrame()});
    read = movie::ReadMovie(cut.data(), cut.size());
    ASSERT_TRUE(read);
    EXPECT_EQ(read->brokenTags, 1u);
    const auto& kept = *std::get<std::shared_ptr<const movie::StaticTextDef>>(read->dictionary.at(2));
    EXPECT_EQ(kept.records.size(), 1u);
}

}  // namespace
