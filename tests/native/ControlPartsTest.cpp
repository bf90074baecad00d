// The control's portable parts: stage layout, timeline, movie document.
#include "ControlSamples.h"

#include "control/MovieDocument.h"
#include "control/StageLayout.h"
#include "control/Timeline.h"

#include <gtest/gtest.h>

using control::PlaceStage;
using control::ScaleMode;
using control::StageRect;

namespace {

struct LayoutCase {
    const char* name;
    int32_t stageWidth, stageHeight, windowWidth, windowHeight;
    ScaleMode mode;
    StageRect expected;
};

void PrintTo(const LayoutCase& c, std::ostream* out) {
    *out << c.name;
}

class StageLayoutTest : public testing::TestWithParam<LayoutCase> {};

TEST_P(StageLayoutTest, PlacesTheStage) {
    const LayoutCase& c = GetParam();
    EXPECT_EQ(PlaceStage(c.stageWidth, c.stageHeight, c.windowWidth, c.windowHeight, c.mode), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, StageLayoutTest,
    testing::Values(
        // 400 x 300 stage (4:3).
        LayoutCase{"ShowAllWideWindow", 400, 300, 800, 300, ScaleMode::ShowAll, {200, 0, 600, 300}},
        LayoutCase{"ShowAllTallWindow", 400, 300, 400, 600, ScaleMode::ShowAll, {0, 150, 400, 450}},
        LayoutCase{"ShowAllSameAspect", 400, 300, 800, 600, ScaleMode::ShowAll, {0, 0, 800, 600}},
        LayoutCase{"ShowAllRoundsToNearest", 3, 2, 100, 10, ScaleMode::ShowAll, {42, 0, 57, 10}},
        LayoutCase{"NoBorderWideWindow", 400, 300, 800, 300, ScaleMode::NoBorder, {0, -150, 800, 450}},
        LayoutCase{"NoBorderTallWindow", 400, 300, 400, 600, ScaleMode::NoBorder, {-200, 0, 600, 600}},
        LayoutCase{"ExactFit", 400, 300, 123, 456, ScaleMode::ExactFit, {0, 0, 123, 456}},
        LayoutCase{"NoScaleBiggerWindow", 400, 300, 600, 500, ScaleMode::NoScale, {100, 100, 500, 400}},
        LayoutCase{"NoScaleSmallerWindow", 400, 300, 200, 100, ScaleMode::NoScale, {-100, -100, 300, 200}},
        LayoutCase{"EmptyStage", 0, 300, 400, 300, ScaleMode::ShowAll, {200, 150, 200, 150}},
        LayoutCase{"NegativeStage", -5, 300, 400, 300, ScaleMode::ExactFit, {200, 150, 200, 150}},
        LayoutCase{"EmptyWindow", 400, 300, 0, 0, ScaleMode::ShowAll, {0, 0, 0, 0}},
        LayoutCase{"NegativeWindowIsEmpty", 400, 300, -10, -10, ScaleMode::ShowAll, {0, 0, 0, 0}},
        // An extreme aspect ratio scaled to cover the window stays inside 32-bit coordinates.
        LayoutCase{"NoBorderExtremeAspect",
                   1,
                   100000000,
                   1000,
                   1000,
                   ScaleMode::NoBorder,
                   {0, 500 - (1 << 27), 1000, 500 + (1 << 27)}}),
    [](const testing::TestParamInfo<LayoutCase>& info) { return std::string(info.param.name); });

TEST(ScaleModeText, NamesInAnyCaseOtherwiseShowAll) {
    const std::pair<std::u16string, ScaleMode> cases[] = {
        {u"ShowAll", ScaleMode::ShowAll},   {u"showall", ScaleMode::ShowAll},   {u"NoBorder", ScaleMode::NoBorder},
        {u"NOBORDER", ScaleMode::NoBorder}, {u"ExactFit", ScaleMode::ExactFit}, {u"exactfit", ScaleMode::ExactFit},
        {u"NoScale", ScaleMode::NoScale},   {u"noScale", ScaleMode::NoScale},   {u"", ScaleMode::ShowAll},
        {u"NoBorders", ScaleMode::ShowAll}, {u"Exact Fit", ScaleMode::ShowAll},
    };
    for (const auto& [text, mode] : cases) {
        EXPECT_EQ(control::ScaleModeFromText(text), mode) << std::string(text.begin(), text.end());
    }
}

TEST(StageLayout, ScaleModeTextsReadBack) {
    for (ScaleMode mode : {ScaleMode::ShowAll, ScaleMode::NoBorder, ScaleMode::ExactFit, ScaleMode::NoScale})
        EXPECT_EQ(control::ScaleModeFromText(control::ScaleModeText(mode)), mode);
}

TEST(StageLayout, QualityTextsNameTheEngineQuality) {
    const std::pair<std::u16string, raster::Quality> cases[] = {
        {u"Low", raster::Quality::Low},   {u"autolow", raster::Quality::Low},   {u"MEDIUM", raster::Quality::Medium},
        {u"High", raster::Quality::High}, {u"AutoHigh", raster::Quality::High}, {u"best", raster::Quality::Best},
        {u"", raster::Quality::High},     {u"lowest", raster::Quality::High},
    };
    for (const auto& [text, quality] : cases) {
        EXPECT_EQ(control::QualityFromText(text), quality) << std::string(text.begin(), text.end());
    }
}

TEST(StageLayout, AlignmentLettersInAnyOrderAndCase) {
    const std::pair<std::u16string, uint8_t> cases[] = {
        {u"", playback::kAlignCentre},
        {u"L", playback::kAlignLeft},
        {u"tr", playback::kAlignTop | playback::kAlignRight},
        {u"BL", playback::kAlignBottom | playback::kAlignLeft},
        {u"x-t!", playback::kAlignTop},
        {u"LTRB", playback::kAlignLeft | playback::kAlignTop | playback::kAlignRight | playback::kAlignBottom},
    };
    for (const auto& [text, align] : cases) {
        EXPECT_EQ(control::AlignmentFromText(text), align) << std::string(text.begin(), text.end());
        EXPECT_EQ(control::AlignmentFromText(control::AlignmentText(align)), align);
    }
    EXPECT_EQ(control::AlignmentText(playback::kAlignBottom | playback::kAlignLeft), u"LB");
}

TEST(FrameClock, KeepsItsScheduleOneFramePerTickAndSkipsWhenBehind) {
    control::FrameClock clock;
    clock.Start(1000, 40);
    EXPECT_EQ(clock.TickMs(), 20u);
    // Ticks at uneven times: frames are due at 1000, 1040, 1080, ... whatever the ticks' lateness.
    struct Tick {
        uint64_t now;
        bool due;
    };
    const Tick ticks[] = {
        {1000, true},  {1015, false}, {1039, false}, {1047, true},
        {1062, false}, {1081, true},  {1118, false}, {1121, true},  // on schedule again: 1120 was due
        {1400, true},                                               // far behind: one frame, then from now on
        {1420, false}, {1440, true},  {1441, false},
    };
    for (const Tick& t : ticks)
        EXPECT_EQ(clock.FrameDue(t.now), t.due) << t.now;
}

TEST(FrameClock, TicksNoFasterThanTheSystemTimer) {
    control::FrameClock clock;
    clock.Start(0, 10);
    EXPECT_EQ(clock.TickMs(), 10u);
    clock.Start(0, 0);  // a zero interval is taken as 1 ms: every tick runs a frame
    EXPECT_TRUE(clock.FrameDue(0));
    EXPECT_TRUE(clock.FrameDue(10));
}

TEST(Timeline, EntersFrameZeroFirstThenAdvancesAndLoops) {
    control::Timeline timeline;
    timeline.Reset(3);
    EXPECT_EQ(timeline.CurrentFrame(), 0u);
    std::vector<uint32_t> entered;
    for (int i = 0; i < 7; ++i)
        entered.push_back(timeline.Advance().value());
    EXPECT_EQ(entered, (std::vector<uint32_t>{0, 1, 2, 0, 1, 2, 0}));
    EXPECT_EQ(timeline.FrameCount(), 3u);
}

TEST(Timeline, OneFrameStaysOnItAndNoFramesPlaysNothing) {
    control::Timeline timeline;
    timeline.Reset(1);
    EXPECT_EQ(timeline.Advance(), 0u);
    EXPECT_EQ(timeline.Advance(), 0u);
    timeline.Reset(0);
    EXPECT_EQ(timeline.Advance(), std::nullopt);
    EXPECT_EQ(timeline.CurrentFrame(), 0u);
}

TEST(Timeline, ResetStartsOver) {
    control::Timeline timeline;
    timeline.Reset(5);
    timeline.Advance();
    timeline.Advance();
    EXPECT_EQ(timeline.CurrentFrame(), 1u);
    timeline.Reset(5);
    EXPECT_EQ(timeline.CurrentFrame(), 0u);
    EXPECT_EQ(timeline.Advance(), 0u);
}

TEST(FrameInterval, FollowsTheRateWithinTheTimerLimits) {
    const std::pair<double, uint32_t> cases[] = {
        {12.0, 83}, {24.0, 42},   {30.0, 33},   {50.0, 20},    {0.0, 83},
        {-3.0, 83}, {1000.0, 10}, {255.99, 10}, {0.01, 60000}, {0.5, 2000},
    };
    for (const auto& [rate, interval] : cases)
        EXPECT_EQ(control::FrameIntervalMs(rate), interval) << rate;
}

// --- Movie document -----------------------------------------------------------------------------

std::optional<control::MovieDocument> Parse(const std::vector<uint8_t>& bytes, std::string* problem = nullptr) {
    return control::ParseMovie(bytes.data(), bytes.size(), problem);
}

class MovieDocumentTest : public testing::TestWithParam<bool> {};  // compressed or not

TEST_P(MovieDocumentTest, CarriesStageBackgroundFramesAndCommands) {
    movie::SwfSpecimen specimen = controltest::Specimen(320, 240, 0x12, 0x34, 0x56, 5, 25.0);
    specimen.compressed = GetParam();
    specimen.fsCommands = {{0, "start", "now"}, {3, "middle", "a b"}, {3, "second", ""}, {4, "last", "x"}};
    const auto document = Parse(movie::BuildSwf(specimen));
    ASSERT_TRUE(document);
    EXPECT_EQ(document->StageWidth(), 320);
    EXPECT_EQ(document->StageHeight(), 240);
    EXPECT_DOUBLE_EQ(document->header.FramesPerSecond(), 25.0);
    EXPECT_EQ(document->background, (movie::Rgb{0x12, 0x34, 0x56}));
    EXPECT_EQ(document->frameCount, 5u);
    ASSERT_EQ(document->CommandsAt(3).size(), 2u);
    EXPECT_EQ(document->CommandsAt(3)[0].command, u"middle");
    EXPECT_EQ(document->CommandsAt(3)[0].args, u"a b");
    EXPECT_EQ(document->CommandsAt(3)[1].command, u"second");
    EXPECT_EQ(document->CommandsAt(3)[1].args, u"");
    EXPECT_EQ(document->CommandsAt(0).size(), 1u);
    EXPECT_TRUE(document->CommandsAt(1).empty());
    EXPECT_EQ(document->CommandsAt(4)[0].command, u"last");
    EXPECT_TRUE(document->CommandsAt(5).empty());
    EXPECT_EQ(document->image.size(), document->header.fileLength);
}

INSTANTIATE_TEST_SUITE_P(PlainAndCompressed, MovieDocumentTest, testing::Bool());

TEST(MovieDocument, TextsAreUtf8FromVersion6AndLatin1Before) {
    movie::SwfSpecimen specimen = controltest::Specimen(100, 100, 0, 0, 0);
    specimen.fsCommands = {{0,
                            "gr\xC3\xBC\xC3\x9F"
                            "e",
                            "\xE6\x97\xA5\xE6\x9C\xAC"}};
    specimen.version = 8;
    auto document = Parse(movie::BuildSwf(specimen));
    ASSERT_TRUE(document);
    EXPECT_EQ(document->commands.at(0).command, u"gr\u00FC\u00DFe");
    EXPECT_EQ(document->commands.at(0).args, u"\u65E5\u672C");

    specimen.version = 5;
    document = Parse(movie::BuildSwf(specimen));
    ASSERT_TRUE(document);
    EXPECT_EQ(document->commands.at(0).command, u"gr\u00C3\u00BC\u00C3\u009Fe");
}

TEST(MovieDocument, UnplayableBytesGiveNoDocumentAndAReason) {
    std::vector<uint8_t> good = movie::BuildSwf(controltest::Specimen(100, 100, 1, 2, 3, 4));
    movie::SwfSpecimen compressedSpecimen = controltest::Specimen(100, 100, 1, 2, 3, 400);
    compressedSpecimen.compressed = true;
    std::vector<uint8_t> compressed = movie::BuildSwf(compressedSpecimen);

    const std::pair<const char*, std::vector<uint8_t>> cases[] = {
        {"empty", {}},
        {"text", {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'}},
        {"truncated plain", std::vector<uint8_t>(good.begin(), good.end() - 3)},
        {"truncated compressed", std::vector<uint8_t>(compressed.begin(), compressed.begin() + compressed.size() / 2)},
        {"header only", std::vector<uint8_t>(good.begin(), good.begin() + 8)},
    };
    for (const auto& [name, bytes] : cases) {
        std::string problem;
        EXPECT_FALSE(Parse(bytes, &problem)) << name;
        EXPECT_FALSE(problem.empty()) << name;
    }
}

TEST(MovieDocument, BrokenTagListKeepsTheFramesBeforeTheBreak) {
    std::vector<uint8_t> bytes = movie::BuildSwf(controltest::Specimen(100, 100, 9, 8, 7, 6));
    // The End tag (last two bytes) becomes a ShowFrame header claiming 0x3E bytes that are not there.
    bytes[bytes.size() - 2] = 0x7E;
    bytes[bytes.size() - 1] = 0x00;
    const auto document = Parse(bytes);
    ASSERT_TRUE(document);
    EXPECT_EQ(document->frameCount, 6u);
    EXPECT_EQ(document->background, (movie::Rgb{9, 8, 7}));
}

TEST(MovieDocument, MovieWithoutShowFrameHasOneFrame) {
    std::vector<uint8_t> bytes = movie::BuildSwf(controltest::Specimen(100, 100, 9, 8, 7, 0));
    const auto document = Parse(bytes);
    ASSERT_TRUE(document);
    EXPECT_EQ(document->frameCount, 1u);
}

}  // namespace
