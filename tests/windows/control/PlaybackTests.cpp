// The control hosted in a window: activation and teardown, the painted stage for each scale
// mode, frame advance, FSCommand events, and movies that cannot be played.
#include "TestContainer.h"
#include "TestMovies.h"

#include "MovieBytes.h"
#include "control/MovieControlIds.h"
#include "control/StageColours.h"
#include "movie/SwfHeader.h"
#include "platform/GdiScopes.h"
#include "platform/Handles.h"

#include <gtest/gtest.h>

using controltest::FsCall;
using controltest::HostedControl;
using controltest::PumpUntil;
using controltest::ScratchFolder;
using controltest::Specimen;

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr uint32_t kWaitMs = 5000;

std::unique_ptr<HostedControl> Host(int width, int height, const std::vector<uint8_t>* stream = nullptr) {
    HostedControl::Options options;
    options.site = {0, 0, width, height};
    options.hostClient = {width, height};
    options.stream = stream;
    return HostedControl::Create(options);
}

TEST(Activation, FollowsTheSiteAndCreatesAChildWindowAtItsRectangle) {
    HostedControl::Options options;
    options.hostClient = {500, 400};
    options.site = {10, 20, 310, 220};
    options.stream = &controltest::PlayerPropertyStream();
    auto hosted = HostedControl::Create(options);
    ASSERT_TRUE(hosted);

    EXPECT_EQ(hosted->Log(), (controltest::SiteLog{"OnInPlaceActivate", "GetWindow", "GetWindowContext"}));
    HWND stage = hosted->StageWindow();
    ASSERT_NE(stage, nullptr);
    EXPECT_EQ(GetParent(stage), hosted->HostWindow());
    EXPECT_TRUE(IsWindowVisible(stage));
    EXPECT_TRUE(GetWindowLongW(stage, GWL_STYLE) & WS_CHILD);
    RECT rect{};
    GetWindowRect(stage, &rect);
    MapWindowPoints(nullptr, hosted->HostWindow(), reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_EQ(rect.left, 10);
    EXPECT_EQ(rect.top, 20);
    EXPECT_EQ(rect.right, 310);
    EXPECT_EQ(rect.bottom, 220);

    // The host moves the control.
    auto inPlace = ComRef<IOleObject>(hosted->Object()).As<IOleInPlaceObject>(IID_IOleInPlaceObject);
    RECT moved{50, 60, 450, 360};
    ASSERT_EQ(inPlace->SetObjectRects(&moved, &moved), S_OK);
    GetWindowRect(stage, &rect);
    MapWindowPoints(nullptr, hosted->HostWindow(), reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_EQ(rect.left, 50);
    EXPECT_EQ(rect.top, 60);
    EXPECT_EQ(rect.right, 450);
    EXPECT_EQ(rect.bottom, 360);
}

// A host moving the control sets the new extent first and then the rectangles (as the player's
// framework does): the control keeps the extent and takes the rectangle, without calling back.
TEST(Activation, ExtentWhileActiveIsKeptAndTheSitesRectangleRules) {
    auto hosted = Host(400, 300);
    ASSERT_TRUE(hosted);
    const size_t siteCalls = hosted->Log().size();
    SIZEL extent{controltest::HimetricFromPixels(200, true), controltest::HimetricFromPixels(100, false)};
    ASSERT_EQ(hosted->Object()->SetExtent(DVASPECT_CONTENT, &extent), S_OK);
    EXPECT_EQ(hosted->Log().size(), siteCalls);
    SIZEL back{};
    ASSERT_EQ(hosted->Object()->GetExtent(DVASPECT_CONTENT, &back), S_OK);
    EXPECT_EQ(back.cx, extent.cx);
    EXPECT_EQ(back.cy, extent.cy);
    RECT client{};
    GetClientRect(hosted->StageWindow(), &client);
    EXPECT_EQ(client.right, 400);

    auto inPlace = ComRef<IOleObject>(hosted->Object()).As<IOleInPlaceObject>(IID_IOleInPlaceObject);
    RECT moved{30, 40, 230, 140};
    RECT clip{0, 0, 400, 300};
    ASSERT_EQ(inPlace->SetObjectRects(&moved, &clip), S_OK);
    RECT rect{};
    GetWindowRect(hosted->StageWindow(), &rect);
    MapWindowPoints(nullptr, hosted->HostWindow(), reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_EQ(rect.left, 30);
    EXPECT_EQ(rect.top, 40);
    EXPECT_EQ(rect.right, 230);
    EXPECT_EQ(rect.bottom, 140);
}

TEST(Activation, TeardownDestroysTheWindowAndTellsTheSite) {
    auto hosted = Host(300, 200);
    ASSERT_TRUE(hosted);
    HWND stage = hosted->StageWindow();
    ASSERT_TRUE(IsWindow(stage));
    hosted->Deactivate();
    EXPECT_FALSE(IsWindow(stage));
    EXPECT_EQ(hosted->Log().back(), "OnInPlaceDeactivate");
    EXPECT_EQ(hosted->StageWindow(), nullptr);
    ComRef<IOleClientSite> site;
    ASSERT_EQ(hosted->Object()->GetClientSite(site.put()), S_OK);
    EXPECT_FALSE(site);
}

TEST(Activation, HostWindowDestroyedFirstLeavesNoDanglingWindow) {
    auto hosted = Host(300, 200);
    ASSERT_TRUE(hosted);
    HWND stage = hosted->StageWindow();
    DestroyWindow(hosted->HostWindow());  // takes the child with it
    EXPECT_FALSE(IsWindow(stage));
    EXPECT_EQ(hosted->StageWindow(), nullptr);
    hosted->Deactivate();  // must not touch the destroyed window
}

// --- Painting -----------------------------------------------------------------------------------

constexpr COLORREF kPaintBackground = RGB(0x20, 0x80, 0xC0);
constexpr COLORREF kPaintStage = RGB(0xE0, 0x40, 0x10);
constexpr COLORREF kPaintOffStage = RGB(0x10, 0xC0, 0x30);

// A movie whose stage is covered by one rectangle of kPaintStage on a kPaintBackground
// background, with a strip of kPaintOffStage drawn left of the stage, 100 pixels wide.
std::vector<uint8_t> PaintedStage(int width, int height) {
    using namespace moviebytes;
    const int32_t w = width * 20, h = height * 20;
    return Movie({Background(GetRValue(kPaintBackground), GetGValue(kPaintBackground), GetBValue(kPaintBackground)),
                  RectShape(1, {{0, 0, w, h, GetRValue(kPaintStage), GetGValue(kPaintStage), GetBValue(kPaintStage)}}),
                  RectShape(2, {{-2000, 0, 0, h, GetRValue(kPaintOffStage), GetGValue(kPaintOffStage),
                                 GetBValue(kPaintOffStage)}}),
                  Place(1, 1), Place(2, 2), ShowFrame()},
                 width, height);
}

enum class Where { Stage, Background, OffStage };

struct Probe {
    int x, y;
    Where where;  // what the movie shows there: its stage, its background or what it drew off stage
};

COLORREF ExpectedAt(const Probe& probe) {
    switch (probe.where) {
    case Where::Stage:
        return kPaintStage;
    case Where::OffStage:
        return kPaintOffStage;
    case Where::Background:
        break;
    }
    return kPaintBackground;
}

struct PaintCase {
    const char* name;
    std::u16string scale;
    int stageWidth, stageHeight, windowWidth, windowHeight;
    std::vector<Probe> probes;
};

void PrintTo(const PaintCase& c, std::ostream* out) {
    *out << c.name;
}

class StagePaintTest : public testing::TestWithParam<PaintCase> {};

// Around the stage the window shows the background colour and what the movie draws there, never
// bands of another colour.
TEST_P(StagePaintTest, ShowsTheStageWhereTheScaleModePutsItAndTheMovieAroundIt) {
    const PaintCase& c = GetParam();
    const std::vector<uint8_t> stream = controltest::PropertyStreamWithScale(c.scale);
    ScratchFolder folder;
    const std::wstring path = folder.Write(L"stage.swf", PaintedStage(c.stageWidth, c.stageHeight));
    auto hosted = Host(c.windowWidth, c.windowHeight, &stream);
    ASSERT_TRUE(hosted);
    ASSERT_EQ(hosted->PutMovie(path), S_OK);
    ASSERT_EQ(hosted->TotalFrames(), 1u);
    ASSERT_TRUE(
        PumpUntil([&] { return hosted->StagePixel(c.windowWidth / 2, c.windowHeight / 2) == kPaintStage; }, kWaitMs));

    for (const Probe& probe : c.probes) {
        EXPECT_EQ(hosted->StagePixel(probe.x, probe.y), ExpectedAt(probe)) << "at " << probe.x << "," << probe.y;
    }
}

constexpr Where S = Where::Stage, B = Where::Background, O = Where::OffStage;

INSTANTIATE_TEST_SUITE_P(
    ScaleModes, StagePaintTest,
    testing::Values(
        // 400 x 300 stage in a 600 x 300 window: the stage is 400 wide at x 100..500, the strip
        // left of it at 0..100.
        PaintCase{"ShowAllWide",
                  u"ShowAll",
                  400,
                  300,
                  600,
                  300,
                  {{300, 150, S}, {5, 150, O}, {595, 150, B}, {99, 10, O}, {100, 10, S}, {499, 290, S}, {500, 290, B}}},
        // 400 x 300 stage in a 400 x 500 window: the background 100 above and below.
        PaintCase{"ShowAllTall",
                  u"ShowAll",
                  400,
                  300,
                  400,
                  500,
                  {{200, 250, S}, {200, 5, B}, {200, 495, B}, {10, 99, B}, {10, 100, S}, {390, 399, S}, {390, 400, B}}},
        PaintCase{"ExactFit", u"ExactFit", 400, 300, 600, 300, {{300, 150, S}, {1, 1, S}, {598, 298, S}}},
        PaintCase{"NoBorder", u"noborder", 400, 300, 600, 300, {{300, 150, S}, {1, 1, S}, {598, 298, S}}},
        // At its own size the stage covers x 100..500, y 50..350 of a 600 x 400 window.
        PaintCase{"NoScale",
                  u"NoScale",
                  400,
                  300,
                  600,
                  400,
                  {{300, 200, S},
                   {99, 200, O},
                   {5, 200, O},
                   {100, 200, S},
                   {300, 49, B},
                   {300, 50, S},
                   {499, 349, S},
                   {500, 349, B},
                   {499, 350, B}}}),
    [](const testing::TestParamInfo<PaintCase>& info) { return std::string(info.param.name); });

TEST(StagePaint, WithoutAMovieTheStageIsEmpty) {
    auto hosted = Host(320, 200, &controltest::PlayerPropertyStream());
    ASSERT_TRUE(hosted);
    for (POINT p : {POINT{160, 100}, POINT{1, 1}, POINT{318, 198}}) {
        EXPECT_EQ(hosted->StagePixel(p.x, p.y), control::kEmptyStageColour);
    }
}

TEST(StagePaint, MovieWithoutBackgroundTagShowsWhite) {
    std::vector<uint8_t> bytes = movie::BuildSwf(Specimen(100, 100, 0, 0, 0));
    // The first tag is SetBackgroundColor (header word 0x0243, three colour bytes): make it an
    // unknown tag 500 of the same length.
    const auto header = movie::ReadSwfHeader(bytes.data(), bytes.size());
    ASSERT_TRUE(header);
    const size_t tag = header->headerLength;
    ASSERT_EQ(bytes[tag], 0x43);
    ASSERT_EQ(bytes[tag + 1], 0x02);
    const uint16_t unknown = uint16_t(500 << 6 | 3);
    bytes[tag] = uint8_t(unknown);
    bytes[tag + 1] = uint8_t(unknown >> 8);
    ScratchFolder folder;
    auto hosted = Host(200, 100, &controltest::PlayerPropertyStream());
    ASSERT_TRUE(hosted);
    ASSERT_EQ(hosted->PutMovie(folder.Write(L"plain.swf", bytes)), S_OK);
    ASSERT_EQ(hosted->TotalFrames(), 1u);
    EXPECT_EQ(hosted->StagePixel(100, 50), kWhite);
    EXPECT_EQ(hosted->StagePixel(5, 50), kWhite);  // around the stage too
}

TEST(StagePaint, PrintWindowCapturesTheStage) {
    ScratchFolder folder;
    const std::wstring path = folder.Write(L"print.swf", PaintedStage(100, 100));
    auto hosted = Host(300, 100, &controltest::PlayerPropertyStream());
    ASSERT_TRUE(hosted);
    ASSERT_EQ(hosted->PutMovie(path), S_OK);
    ASSERT_TRUE(PumpUntil([&] { return hosted->StagePixel(150, 50) == kPaintStage; }, kWaitMs));

    WindowDc screen(nullptr);
    UniqueMemoryDc memory(CreateCompatibleDC(screen.get()));
    UniqueGdiObject bitmap(CreateCompatibleBitmap(screen.get(), 300, 100));
    ASSERT_TRUE(memory && bitmap);
    SelectedObject selected(memory.get(), bitmap.get());
    ASSERT_TRUE(PrintWindow(hosted->StageWindow(), memory.get(), PW_CLIENTONLY));
    EXPECT_EQ(GetPixel(memory.get(), 150, 50), kPaintStage);
    EXPECT_EQ(GetPixel(memory.get(), 20, 50), kPaintOffStage);
    EXPECT_EQ(GetPixel(memory.get(), 280, 50), kPaintBackground);
}

TEST(StagePaint, ResizedWindowIsLaidOutAgain) {
    ScratchFolder folder;
    const std::wstring path = folder.Write(L"stage.swf", PaintedStage(200, 200));
    auto hosted = Host(200, 200, &controltest::PlayerPropertyStream());
    ASSERT_TRUE(hosted);
    ASSERT_EQ(hosted->PutMovie(path), S_OK);
    ASSERT_TRUE(PumpUntil([&] { return hosted->StagePixel(5, 100) == kPaintStage; }, kWaitMs));
    SetWindowPos(hosted->HostWindow(), nullptr, 0, 0, 400, 200, SWP_NOMOVE | SWP_NOZORDER);
    auto inPlace = ComRef<IOleObject>(hosted->Object()).As<IOleInPlaceObject>(IID_IOleInPlaceObject);
    RECT wider{0, 0, 400, 200};
    ASSERT_EQ(inPlace->SetObjectRects(&wider, &wider), S_OK);
    // The stage now sits at x 100..300, the strip drawn left of it at 0..100.
    EXPECT_EQ(hosted->StagePixel(5, 100), kPaintOffStage);
    EXPECT_EQ(hosted->StagePixel(200, 100), kPaintStage);
    EXPECT_EQ(hosted->StagePixel(395, 100), kPaintBackground);
}

// --- Playback -----------------------------------------------------------------------------------

TEST(Playback, FramesAdvanceAtTheMoviesRate) {
    ScratchFolder folder;
    const std::wstring path = folder.Write(L"long.swf", movie::BuildSwf(Specimen(100, 100, 1, 2, 3, 1000, 50.0)));
    auto hosted = Host(100, 100);
    ASSERT_TRUE(hosted);
    ASSERT_EQ(hosted->PutMovie(path), S_OK);
    EXPECT_EQ(hosted->TotalFrames(), 1000u);
    EXPECT_EQ(hosted->FrameNum(), 0u);
    uint32_t last = 0;
    bool increasing = true;
    EXPECT_TRUE(PumpUntil(
        [&] {
            const uint32_t now = hosted->FrameNum();
            increasing = increasing && now >= last;
            last = now;
            return now >= 5;
        },
        kWaitMs));
    EXPECT_TRUE(increasing);
    EXPECT_LT(last, 1000u);
}

struct EventCase {
    const char* name;
    bool compressed;
};

void PrintTo(const EventCase& c, std::ostream* out) {
    *out << c.name;
}

class FsCommandTest : public testing::TestWithParam<EventCase> {};

TEST_P(FsCommandTest, FiresTheMoviesCommandsInOrderWithTwoTexts) {
    movie::SwfSpecimen specimen = Specimen(100, 100, 0, 0, 0, 4, 50.0);
    specimen.compressed = GetParam().compressed;
    specimen.fsCommands = {{0, "first", "a b"}, {2, "second", ""}, {2, "third", "x=1;y=2"}};
    ScratchFolder folder;
    const std::wstring path = folder.Write(L"commands.swf", movie::BuildSwf(specimen));
    auto hosted = Host(100, 100, &controltest::PlayerPropertyStream());
    ASSERT_TRUE(hosted);
    ASSERT_EQ(hosted->PutMovie(path), S_OK);
    EXPECT_TRUE(hosted->Events().empty());  // nothing fires inside the host's own call

    ASSERT_TRUE(PumpUntil([&] { return hosted->Events().size() >= 3; }, kWaitMs));
    const std::vector<FsCall>& events = hosted->Events();
    const std::pair<const wchar_t*, const wchar_t*> expected[] = {
        {L"first", L"a b"}, {L"second", L""}, {L"third", L"x=1;y=2"}};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(events[i].id, DISPID_MOVIE_FSCOMMAND);
        EXPECT_EQ(events[i].argumentCount, 2u);
        EXPECT_EQ(events[i].commandType, VT_BSTR);
        EXPECT_EQ(events[i].argsType, VT_BSTR);
        EXPECT_EQ(events[i].command, expected[i].first);
        EXPECT_EQ(events[i].args, expected[i].second);
    }
}

INSTANTIATE_TEST_SUITE_P(PlainAndCompressed, FsCommandTest,
                         testing::Values(EventCase{"Plain", false}, EventCase{"Compressed", true}),
                         [](const testing::TestParamInfo<EventCase>& info) { return std::string(info.param.name); });

TEST(Playback, TheMovieLoopsAndItsFirstFrameFiresAgain) {
    movie::SwfSpecimen specimen = Specimen(100, 100, 0, 0, 0, 3, 50.0);
    specimen.fsCommands = {{0, "loop", "start"}};
    ScratchFolder folder;
    const std::wstring path = folder.Write(L"loop.swf", movie::BuildSwf(specimen));
    auto hosted = Host(100, 100);
    ASSERT_TRUE(hosted);
    ASSERT_EQ(hosted->PutMovie(path), S_OK);
    ASSERT_TRUE(PumpUntil([&] { return hosted->Events().size() >= 3; }, kWaitMs));
    for (const FsCall& call : hosted->Events())
        EXPECT_EQ(call.command, L"loop");
    EXPECT_LT(hosted->FrameNum(), 3u);
}

TEST(Playback, UnicodeTextsArriveIntact) {
    movie::SwfSpecimen specimen = Specimen(100, 100, 0, 0, 0, 2, 50.0);
    specimen.version = 8;
    specimen.fsCommands = {{1,
                            "gr\xC3\xBC\xC3\x9F"
                            "e",
                            "\xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x8E\xAC"}};
    ScratchFolder folder;
    const std::wstring path = folder.Write(L"unicode.swf", movie::BuildSwf(specimen));
    auto hosted = Host(100, 100);
    ASSERT_TRUE(hosted);
    ASSERT_EQ(hosted->PutMovie(path), S_OK);
    ASSERT_TRUE(PumpUntil([&] { return !hosted->Events().empty(); }, kWaitMs));
    EXPECT_EQ(hosted->Events()[0].command, L"gr\u00FC\u00DFe");
    EXPECT_EQ(hosted->Events()[0].args, L"\u65E5\u672C \U0001F3AC");
}

TEST(Playback, FrozenEventsAreNotDelivered) {
    movie::SwfSpecimen specimen = Specimen(100, 100, 0, 0, 0, 2, 50.0);
    specimen.fsCommands = {{0, "tick", ""}};
    ScratchFolder folder;
    const std::wstring path = folder.Write(L"freeze.swf", movie::BuildSwf(specimen));
    auto hosted = Host(100, 100);
    ASSERT_TRUE(hosted);
    auto control = ComRef<IOleObject>(hosted->Object()).As<IOleControl>(IID_IOleControl);
    ASSERT_EQ(control->FreezeEvents(TRUE), S_OK);
    ASSERT_EQ(hosted->PutMovie(path), S_OK);
    // Frames go on while frozen: wait for the playhead to pass frame 0 twice.
    int wraps = 0;
    uint32_t previous = 0;
    EXPECT_TRUE(PumpUntil(
        [&] {
            const uint32_t now = hosted->FrameNum();
            if (now < previous)
                ++wraps;
            previous = now;
            return wraps >= 2;
        },
        kWaitMs));
    EXPECT_TRUE(hosted->Events().empty());
    ASSERT_EQ(control->FreezeEvents(FALSE), S_OK);
    EXPECT_TRUE(PumpUntil([&] { return !hosted->Events().empty(); }, kWaitMs));
}

TEST(Playback, MovieSetBeforeActivationPlaysOnceActive) {
    ScratchFolder folder;
    movie::SwfSpecimen specimen = Specimen(100, 100, 0x40, 0x40, 0x40, 10, 50.0);
    specimen.fsCommands = {{1, "early", "bird"}};
    HostedControl::Options options;
    options.site = {0, 0, 100, 100};
    options.hostClient = {100, 100};
    options.movieBeforeActivation = folder.Write(L"early.swf", movie::BuildSwf(specimen));
    auto hosted = HostedControl::Create(options);
    ASSERT_TRUE(hosted);
    EXPECT_EQ(hosted->TotalFrames(), 10u);
    EXPECT_EQ(hosted->StagePixel(50, 50), RGB(0x40, 0x40, 0x40));
    ASSERT_TRUE(PumpUntil([&] { return !hosted->Events().empty(); }, kWaitMs));
    EXPECT_EQ(hosted->Events()[0].command, L"early");
    EXPECT_EQ(hosted->Events()[0].args, L"bird");
}

TEST(Playback, AnotherMovieReplacesTheFirst) {
    ScratchFolder folder;
    const std::wstring first = folder.Write(L"first.swf", movie::BuildSwf(Specimen(100, 100, 0xFF, 0, 0, 300, 50.0)));
    const std::wstring second = folder.Write(L"second.swf", movie::BuildSwf(Specimen(100, 100, 0, 0xFF, 0, 7, 50.0)));
    auto hosted = Host(100, 100);
    ASSERT_TRUE(hosted);
    ASSERT_EQ(hosted->PutMovie(first), S_OK);
    ASSERT_TRUE(PumpUntil([&] { return hosted->FrameNum() >= 8; }, kWaitMs));
    ASSERT_EQ(hosted->PutMovie(second), S_OK);
    EXPECT_EQ(hosted->TotalFrames(), 7u);
    EXPECT_EQ(hosted->FrameNum(), 0u);
    EXPECT_EQ(hosted->StagePixel(50, 50), RGB(0, 0xFF, 0));
}

TEST(Playback, SinkMayChangeTheMovieOrDeactivateFromInsideAnEvent) {
    movie::SwfSpecimen specimen = Specimen(100, 100, 0, 0, 0, 2, 50.0);
    specimen.fsCommands = {{0, "one", ""}, {0, "two", ""}};
    ScratchFolder folder;
    const std::wstring path = folder.Write(L"reenter.swf", movie::BuildSwf(specimen));
    const std::wstring other = folder.Write(L"other.swf", movie::BuildSwf(Specimen(100, 100, 0, 0, 0, 9, 50.0)));

    auto hosted = Host(100, 100);
    ASSERT_TRUE(hosted);
    hosted->OnEvent([&](const FsCall&) { hosted->PutMovie(other); });
    ASSERT_EQ(hosted->PutMovie(path), S_OK);
    ASSERT_TRUE(PumpUntil([&] { return !hosted->Events().empty(); }, kWaitMs));
    // The new movie has moved on past its first frames: the replaced movie's frame is over.
    ASSERT_TRUE(PumpUntil([&] { return hosted->FrameNum() >= 2; }, kWaitMs));
    // The second call of the replaced movie's frame is not delivered.
    EXPECT_EQ(hosted->Events().size(), 1u);
    EXPECT_EQ(hosted->TotalFrames(), 9u);

    auto second = Host(100, 100);
    ASSERT_TRUE(second);
    second->OnEvent([&](const FsCall&) { second->Deactivate(); });
    ASSERT_EQ(second->PutMovie(path), S_OK);
    ASSERT_TRUE(PumpUntil([&] { return !second->Events().empty(); }, kWaitMs));
    controltest::PumpFor(100);
    EXPECT_EQ(second->StageWindow(), nullptr);
}

// --- Movies that cannot be played ---------------------------------------------------------------

struct BadMovie {
    const char* name;
    std::function<std::wstring(const ScratchFolder&)> make;  // gives the path to hand over
};

std::vector<uint8_t> Truncated(std::vector<uint8_t> bytes, size_t keep) {
    bytes.resize(std::min(keep, bytes.size()));
    return bytes;
}

std::vector<uint8_t> CompressedMovie() {
    movie::SwfSpecimen specimen = Specimen(200, 100, 0xFF, 0, 0, 500, 50.0);
    specimen.compressed = true;
    return movie::BuildSwf(specimen);
}

const BadMovie kBadMovies[] = {
    {"MissingFile", [](const ScratchFolder& f) { return f.PathOf(L"missing.swf"); }},
    {"MissingFolder", [](const ScratchFolder& f) { return f.PathOf(L"no\\such\\folder\\movie.swf"); }},
    {"EmptyPath", [](const ScratchFolder&) { return std::wstring(); }},
    {"FolderPath", [](const ScratchFolder& f) { return f.Path(); }},
    {"EmptyFile", [](const ScratchFolder& f) { return f.Write(L"empty.swf", {}); }},
    {"Garbage",
     [](const ScratchFolder& f) {
         std::vector<uint8_t> bytes(5000);
         for (size_t i = 0; i < bytes.size(); ++i)
             bytes[i] = uint8_t(i * 37 + 11);
         return f.Write(L"garbage.swf", bytes);
     }},
    {"TruncatedCompressed",
     [](const ScratchFolder& f) {
         const std::vector<uint8_t> bytes = CompressedMovie();
         return f.Write(L"cut.swf", Truncated(bytes, bytes.size() / 2));
     }},
    {"CompressedHeaderOnly",
     [](const ScratchFolder& f) { return f.Write(L"cut8.swf", Truncated(CompressedMovie(), 8)); }},
    {"DamagedCompressed",
     [](const ScratchFolder& f) {
         std::vector<uint8_t> bytes = CompressedMovie();
         for (size_t i = 12; i < bytes.size(); i += 3)
             bytes[i] ^= 0x5A;
         return f.Write(L"damaged.swf", bytes);
     }},
    {"FileOver256MiB",
     [](const ScratchFolder& f) {
         // Sparse: a valid movie at the start, the rest of the 257 MiB never written.
         const std::wstring path = f.Write(L"big.swf", movie::BuildSwf(Specimen(200, 100, 0xFF, 0, 0)));
         UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
         LARGE_INTEGER size;
         size.QuadPart = (int64_t(257) << 20);
         SetFilePointerEx(file.get(), size, nullptr, FILE_BEGIN);
         SetEndOfFile(file.get());
         return path;
     }},
};

void PrintTo(const BadMovie& c, std::ostream* out) {
    *out << c.name;
}

class BadMovieTest : public testing::TestWithParam<BadMovie> {};

TEST_P(BadMovieTest, GivesAnEmptyStageAndTheControlPlaysOn) {
    ScratchFolder folder;
    const std::wstring path = GetParam().make(folder);
    auto hosted = Host(200, 100, &controltest::PlayerPropertyStream());
    ASSERT_TRUE(hosted);
    EXPECT_EQ(hosted->PutMovie(path), S_OK);
    // A good movie in a second control measures the time that passed: it has played frames of
    // its own, so the bad one would have had its ticks too.
    auto clock = Host(50, 50);
    ASSERT_TRUE(clock);
    ASSERT_EQ(clock->PutMovie(folder.Write(L"clock.swf", movie::BuildSwf(Specimen(50, 50, 0, 0, 0, 20, 50.0)))), S_OK);
    ASSERT_TRUE(PumpUntil([&] { return clock->FrameNum() >= 3; }, kWaitMs));
    EXPECT_EQ(hosted->TotalFrames(), 0u);
    EXPECT_EQ(hosted->FrameNum(), 0u);
    EXPECT_EQ(hosted->GetText(DISPID_MOVIE_MOVIE), path);
    EXPECT_EQ(hosted->StagePixel(100, 50), control::kEmptyStageColour);
    EXPECT_EQ(hosted->StagePixel(2, 2), control::kEmptyStageColour);
    EXPECT_TRUE(hosted->Events().empty());

    // A good movie afterwards plays as usual.
    const std::wstring good = folder.Write(L"good.swf", movie::BuildSwf(Specimen(200, 100, 0, 0, 0xFF, 20, 50.0)));
    ASSERT_EQ(hosted->PutMovie(good), S_OK);
    EXPECT_EQ(hosted->TotalFrames(), 20u);
    EXPECT_EQ(hosted->StagePixel(100, 50), RGB(0, 0, 0xFF));
    EXPECT_TRUE(PumpUntil([&] { return hosted->FrameNum() >= 2; }, kWaitMs));
}

INSTANTIATE_TEST_SUITE_P(Movies, BadMovieTest, testing::ValuesIn(kBadMovies),
                         [](const testing::TestParamInfo<BadMovie>& info) { return std::string(info.param.name); });

// Movies broken after their header play what can be read of them.
struct BrokenMovie {
    const char* name;
    std::function<std::wstring(const ScratchFolder&)> make;
    uint32_t frames;  // what is left to play
};

void PrintTo(const BrokenMovie& c, std::ostream* out) {
    *out << c.name;
}

const BrokenMovie kBrokenMovies[] = {
    {"TruncatedPlain",
     [](const ScratchFolder& f) {
         const std::vector<uint8_t> bytes = movie::BuildSwf(Specimen(200, 100, 0xFF, 0, 0, 5, 50.0));
         return f.Write(L"cutplain.swf", Truncated(bytes, bytes.size() - 1));  // without its End tag
     },
     5},
    {"HugeClaimedLength",
     [](const ScratchFolder& f) {
         std::vector<uint8_t> bytes = CompressedMovie();
         bytes[4] = bytes[5] = bytes[6] = 0xFF;
         bytes[7] = 0x7F;  // claims about 2 GiB uncompressed; the stream ends long before
         return f.Write(L"huge-claim.swf", bytes);
     },
     500},
};

class BrokenMovieTest : public testing::TestWithParam<BrokenMovie> {};

TEST_P(BrokenMovieTest, PlaysWhatCanBeRead) {
    ScratchFolder folder;
    auto hosted = Host(200, 100, &controltest::PlayerPropertyStream());
    ASSERT_TRUE(hosted);
    ASSERT_EQ(hosted->PutMovie(GetParam().make(folder)), S_OK);
    EXPECT_EQ(hosted->TotalFrames(), GetParam().frames);
    EXPECT_EQ(hosted->StagePixel(100, 50), RGB(0xFF, 0, 0));
    EXPECT_TRUE(PumpUntil([&] { return hosted->FrameNum() >= 2; }, kWaitMs));
}

INSTANTIATE_TEST_SUITE_P(Movies, BrokenMovieTest, testing::ValuesIn(kBrokenMovies),
                         [](const testing::TestParamInfo<BrokenMovie>& info) { return std::string(info.param.name); });

}  // namespace
