// The control driven by its host while a movie plays: the timeline methods, the settings put
// through the dispatch interface, the mouse on a button, and a movie the engine does not run.
#include "TestContainer.h"
#include "TestMovies.h"

#include "MovieBytes.h"
#include "control/MovieControlIds.h"
#include "movie/SwfHeader.h"
#include "platform/GdiScopes.h"
#include "platform/OleScopes.h"

#include <gtest/gtest.h>

using controltest::HostedControl;
using controltest::PumpUntil;
using controltest::ScratchFolder;

namespace {

constexpr uint32_t kWaitMs = 5000;
constexpr COLORREF kBackground = RGB(0xF0, 0xF0, 0xE0);
constexpr COLORREF kRed = RGB(0xFF, 0, 0);
constexpr COLORREF kGreen = RGB(0, 0xFF, 0);

std::unique_ptr<HostedControl> Host(int width, int height) {
    HostedControl::Options options;
    options.site = {0, 0, width, height};
    options.hostClient = {width, height};
    options.stream = &controltest::PlayerPropertyStream();
    return HostedControl::Create(options);
}

moviebytes::Bytes BackgroundTag() {
    return moviebytes::Background(GetRValue(kBackground), GetGValue(kBackground), GetBValue(kBackground));
}

// A 100 x 100 stage of 30 frames at 50 a second: a red square over the stage for frames 0 to 9,
// a green one from frame 10 on.
std::vector<uint8_t> TwoColourMovie() {
    using namespace moviebytes;
    std::vector<Bytes> tags = {BackgroundTag(), RectShape(1, {{0, 0, 2000, 2000, 0xFF, 0, 0}}),
                               RectShape(2, {{0, 0, 2000, 2000, 0, 0xFF, 0}}), Place(1, 1)};
    for (int frame = 0; frame < 30; ++frame) {
        if (frame == 10) {
            tags.push_back(Remove(1));
            tags.push_back(Place(1, 2));
        }
        tags.push_back(ShowFrame());
    }
    std::vector<uint8_t> bytes = Movie(tags, 100, 100, 6, 30);
    // The frame rate (8.8 fixed point) comes before the frame count, at the end of the header.
    const auto header = movie::ReadSwfHeader(bytes.data(), bytes.size());
    bytes.at(header.value().headerLength - 3) = 50;
    return bytes;
}

HRESULT Invoke(HostedControl& hosted, DISPID id, WORD flags, std::vector<VARIANTARG> arguments,
               VARIANT* result = nullptr) {
    DISPID named = DISPID_PROPERTYPUT;
    const bool put = flags == DISPATCH_PROPERTYPUT;
    DISPPARAMS params{arguments.empty() ? nullptr : arguments.data(), put ? &named : nullptr, UINT(arguments.size()),
                      put ? 1u : 0u};
    return hosted.Dispatch()->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, nullptr, nullptr);
}

VARIANTARG Integer(LONG value) {
    VARIANTARG v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = value;
    return v;
}

VARIANTARG Flag(bool value) {
    VARIANTARG v;
    VariantInit(&v);
    v.vt = VT_BOOL;
    v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}

HRESULT Call(HostedControl& hosted, DISPID id, std::vector<VARIANTARG> arguments = {}) {
    return Invoke(hosted, id, DISPATCH_METHOD, std::move(arguments));
}

HRESULT PutText(HostedControl& hosted, DISPID id, const wchar_t* text) {
    UniqueBstr value(SysAllocString(text));
    VARIANTARG v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = value.get();
    return Invoke(hosted, id, DISPATCH_PROPERTYPUT, {v});
}

int32_t CallForInteger(HostedControl& hosted, DISPID id) {
    ScopedVariant result;
    EXPECT_EQ(Invoke(hosted, id, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {}, result.get()), S_OK);
    return result->vt == VT_I4 ? result->lVal : -1;
}

bool CallForFlag(HostedControl& hosted, DISPID id) {
    ScopedVariant result;
    EXPECT_EQ(Invoke(hosted, id, DISPATCH_METHOD, {}, result.get()), S_OK);
    EXPECT_EQ(result->vt, VT_BOOL);
    return result->vt == VT_BOOL && result->boolVal != VARIANT_FALSE;
}

TEST(HostCalls, GotoFrameStopsThereAndPlayGoesOn) {
    ScratchFolder folder;
    auto hosted = Host(100, 100);
    ASSERT_TRUE(hosted);
    ASSERT_EQ(hosted->PutMovie(folder.Write(L"two.swf", TwoColourMovie())), S_OK);
    ASSERT_EQ(hosted->TotalFrames(), 30u);
    ASSERT_TRUE(PumpUntil([&] { return hosted->StagePixel(50, 50) == kRed; }, kWaitMs));

    ASSERT_EQ(Call(*hosted, DISPID_MOVIE_GOTOFRAME, {Integer(12)}), S_OK);
    EXPECT_EQ(CallForInteger(*hosted, DISPID_MOVIE_CURRENTFRAME), 12);
    EXPECT_FALSE(CallForFlag(*hosted, DISPID_MOVIE_ISPLAYING));
    EXPECT_EQ(hosted->StagePixel(50, 50), kGreen);
    controltest::PumpFor(200);  // ten frame periods: a stopped timeline stays
    EXPECT_EQ(hosted->FrameNum(), 12u);

    ASSERT_EQ(Call(*hosted, DISPID_MOVIE_BACK), S_OK);
    EXPECT_EQ(hosted->FrameNum(), 11u);
    ASSERT_EQ(Call(*hosted, DISPID_MOVIE_REWIND), S_OK);
    EXPECT_EQ(hosted->FrameNum(), 0u);
    EXPECT_EQ(hosted->StagePixel(50, 50), kRed);
    ASSERT_EQ(Call(*hosted, DISPID_MOVIE_FORWARD), S_OK);
    EXPECT_EQ(hosted->FrameNum(), 1u);

    ASSERT_EQ(Call(*hosted, DISPID_MOVIE_PLAY), S_OK);
    EXPECT_TRUE(CallForFlag(*hosted, DISPID_MOVIE_ISPLAYING));
    EXPECT_TRUE(PumpUntil([&] { return hosted->FrameNum() >= 10; }, kWaitMs));
    EXPECT_TRUE(PumpUntil([&] { return hosted->StagePixel(50, 50) == kGreen; }, kWaitMs));

    ASSERT_EQ(Call(*hosted, DISPID_MOVIE_STOP), S_OK);
    const uint32_t stopped = hosted->FrameNum();
    controltest::PumpFor(200);
    EXPECT_EQ(hosted->FrameNum(), stopped);

    // The Playing property and FrameNum put do the same.
    ASSERT_EQ(Invoke(*hosted, DISPID_MOVIE_FRAMENUM, DISPATCH_PROPERTYPUT, {Integer(4)}), S_OK);
    EXPECT_EQ(hosted->FrameNum(), 4u);
    ASSERT_EQ(Invoke(*hosted, DISPID_MOVIE_PLAYING, DISPATCH_PROPERTYPUT, {Flag(true)}), S_OK);
    EXPECT_TRUE(PumpUntil([&] { return hosted->FrameNum() > 4; }, kWaitMs));
}

TEST(HostCalls, WithoutLoopTheMovieStopsAtItsLastFrame) {
    ScratchFolder folder;
    auto hosted = Host(100, 100);
    ASSERT_TRUE(hosted);
    ASSERT_EQ(Invoke(*hosted, DISPID_MOVIE_LOOP, DISPATCH_PROPERTYPUT, {Flag(false)}), S_OK);
    ASSERT_EQ(hosted->PutMovie(folder.Write(L"two.swf", TwoColourMovie())), S_OK);
    ASSERT_TRUE(PumpUntil([&] { return hosted->FrameNum() == 29; }, kWaitMs));
    controltest::PumpFor(200);  // it would have started over by now
    EXPECT_EQ(hosted->FrameNum(), 29u);
    ScopedVariant loop;
    ASSERT_EQ(Invoke(*hosted, DISPID_MOVIE_LOOP, DISPATCH_PROPERTYGET, {}, loop.get()), S_OK);
    EXPECT_EQ(loop->vt, VT_BOOL);
    EXPECT_EQ(loop->boolVal, VARIANT_FALSE);
}

// The stage (100 x 100, red) in a 300 x 100 window: where it goes for each setting.
struct PlacementCase {
    const char* name;
    std::function<HRESULT(HostedControl&)> set;
    int redX;         // a column showing the stage
    int backgroundX;  // a column showing the background, or -1 where none does
};

void PrintTo(const PlacementCase& c, std::ostream* out) {
    *out << c.name;
}

class PlacementTest : public testing::TestWithParam<PlacementCase> {};

TEST_P(PlacementTest, SettingsPutByTheHostMoveTheStage) {
    using namespace moviebytes;
    ScratchFolder folder;
    auto hosted = Host(300, 100);
    ASSERT_TRUE(hosted);
    const std::vector<uint8_t> bytes =
        Movie({BackgroundTag(), RectShape(1, {{0, 0, 2000, 2000, 0xFF, 0, 0}}), Place(1, 1), ShowFrame()});
    ASSERT_EQ(hosted->PutMovie(folder.Write(L"square.swf", bytes)), S_OK);
    ASSERT_TRUE(PumpUntil([&] { return hosted->StagePixel(150, 50) == kRed; }, kWaitMs));
    ASSERT_EQ(GetParam().set(*hosted), S_OK);
    EXPECT_EQ(hosted->StagePixel(GetParam().redX, 50), kRed);
    if (GetParam().backgroundX >= 0) {
        EXPECT_EQ(hosted->StagePixel(GetParam().backgroundX, 50), kBackground);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Settings, PlacementTest,
    testing::Values(PlacementCase{"ScaleModeExactFit",
                                  [](HostedControl& h) {
                                      return Invoke(h, DISPID_MOVIE_SCALEMODE, DISPATCH_PROPERTYPUT, {Integer(2)});
                                  },
                                  20, -1},
                    PlacementCase{"ScaleNoScaleAlignedLeft",
                                  [](HostedControl& h) {
                                      const HRESULT hr = PutText(h, DISPID_MOVIE_SCALE, L"noscale");
                                      return FAILED(hr) ? hr : PutText(h, DISPID_MOVIE_SALIGN, L"l");
                                  },
                                  20, 150},
                    PlacementCase{"AlignModeRight",
                                  [](HostedControl& h) {
                                      return Invoke(h, DISPID_MOVIE_ALIGNMODE, DISPATCH_PROPERTYPUT, {Integer(2)});
                                  },
                                  250, 150}),
    [](const testing::TestParamInfo<PlacementCase>& info) { return std::string(info.param.name); });

TEST(HostCalls, LowQualityDrawsWithoutAntiAliasing) {
    using namespace moviebytes;
    ScratchFolder folder;
    auto hosted = Host(100, 100);
    ASSERT_TRUE(hosted);
    // A red square 50 pixels wide placed 0.3 pixels to the right: its right edge covers a
    // quarter of column 50.
    const std::vector<uint8_t> bytes =
        Movie({BackgroundTag(), RectShape(1, {{0, 0, 1000, 1000, 0xFF, 0, 0}}), Place(1, 1, 6, 0), ShowFrame()});
    ASSERT_EQ(hosted->PutMovie(folder.Write(L"edge.swf", bytes)), S_OK);
    ASSERT_TRUE(PumpUntil([&] { return hosted->StagePixel(25, 25) == kRed; }, kWaitMs));
    const COLORREF high = hosted->StagePixel(50, 25);
    EXPECT_NE(high, kRed);
    EXPECT_NE(high, kBackground);  // a blend of both

    ASSERT_EQ(PutText(*hosted, DISPID_MOVIE_QUALITY, L"Low"), S_OK);
    EXPECT_EQ(hosted->GetText(DISPID_MOVIE_QUALITY), L"Low");
    EXPECT_EQ(hosted->StagePixel(50, 25), kBackground);
    EXPECT_EQ(hosted->StagePixel(0, 25), kRed);
}

// A button over the top left quarter of the stage whose release sends fscommand("clicked").
std::vector<uint8_t> ButtonMovie() {
    using namespace moviebytes;
    const Bytes click = ActionGetUrl("FSCommand:clicked", "yes");
    return Movie({BackgroundTag(), RectShape(1, {{0, 0, 1000, 1000, 0xFF, 0, 0}}),
                  DefineButton2(2, {{0x0F, 1, 1}}, {{0x0008, click}}), Place(1, 2), ShowFrame()});
}

TEST(Mouse, ButtonsShowTheHandAndAClickFiresTheirCommand) {
    ScratchFolder folder;
    auto hosted = Host(100, 100);
    ASSERT_TRUE(hosted);
    ASSERT_EQ(hosted->PutMovie(folder.Write(L"button.swf", ButtonMovie())), S_OK);
    ASSERT_TRUE(PumpUntil([&] { return hosted->StagePixel(20, 20) == kRed; }, kWaitMs));
    HWND stage = hosted->StageWindow();
    const HCURSOR hand = LoadCursorW(nullptr, IDC_HAND), arrow = LoadCursorW(nullptr, IDC_ARROW);

    SendMessageW(stage, WM_MOUSEMOVE, 0, MAKELPARAM(80, 80));
    SendMessageW(stage, WM_SETCURSOR, WPARAM(stage), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), arrow);
    SendMessageW(stage, WM_MOUSEMOVE, 0, MAKELPARAM(20, 20));
    SendMessageW(stage, WM_SETCURSOR, WPARAM(stage), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), hand);

    SendMessageW(stage, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
    EXPECT_TRUE(hosted->Events().empty());  // a button acts on its release
    SendMessageW(stage, WM_LBUTTONUP, 0, MAKELPARAM(20, 20));
    ASSERT_EQ(hosted->Events().size(), 1u);
    EXPECT_EQ(hosted->Events()[0].command, L"clicked");
    EXPECT_EQ(hosted->Events()[0].args, L"yes");

    // Taking the capture on the press ends the window's leave tracking with a leave message:
    // the press goes on, and its release is still a click.
    SendMessageW(stage, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
    ASSERT_EQ(GetCapture(), stage);
    SendMessageW(stage, WM_MOUSELEAVE, 0, 0);
    SendMessageW(stage, WM_LBUTTONUP, 0, MAKELPARAM(20, 20));
    EXPECT_EQ(GetCapture(), nullptr);
    ASSERT_EQ(hosted->Events().size(), 2u);

    // The pointer leaving the window takes it off the button.
    SendMessageW(stage, WM_MOUSELEAVE, 0, 0);
    SendMessageW(stage, WM_SETCURSOR, WPARAM(stage), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), arrow);

    // Pressed on the button, released away from it: no click.
    SendMessageW(stage, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
    SendMessageW(stage, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(80, 80));
    SendMessageW(stage, WM_LBUTTONUP, 0, MAKELPARAM(80, 80));
    EXPECT_EQ(hosted->Events().size(), 2u);
}

// A sink that answers a button's command by ending the control's activation: the click's
// message is over before the window goes, and nothing of the control is touched after.
TEST(Mouse, ASinkMayDeactivateTheControlFromAClick) {
    ScratchFolder folder;
    auto hosted = Host(100, 100);
    ASSERT_TRUE(hosted);
    hosted->OnEvent([&](const controltest::FsCall&) { hosted->Deactivate(); });
    ASSERT_EQ(hosted->PutMovie(folder.Write(L"button.swf", ButtonMovie())), S_OK);
    ASSERT_TRUE(PumpUntil([&] { return hosted->StagePixel(20, 20) == kRed; }, kWaitMs));
    HWND stage = hosted->StageWindow();
    SendMessageW(stage, WM_MOUSEMOVE, 0, MAKELPARAM(20, 20));
    SendMessageW(stage, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
    SendMessageW(stage, WM_LBUTTONUP, 0, MAKELPARAM(20, 20));
    ASSERT_EQ(hosted->Events().size(), 1u);
    EXPECT_FALSE(IsWindow(stage));
    EXPECT_EQ(hosted->StageWindow(), nullptr);
    controltest::PumpFor(100);  // messages still posted to the window go nowhere
}

// A red square and a clip whose key events send fscommand("down", Key.getCode() + "," +
// Key.getAscii()) and fscommand("up", Key.getCode()).
std::vector<uint8_t> KeyMovie() {
    using namespace moviebytes;
    const Bytes down =
        Concat({ActionPushString("FSCommand:down"), ActionCallMethod("Key", "getCode"), ActionPushString(","),
                ActionAdd(), ActionCallMethod("Key", "getAscii"), ActionAdd(), ActionGetUrlFromStack()});
    const Bytes up =
        Concat({ActionPushString("FSCommand:up"), ActionCallMethod("Key", "getCode"), ActionGetUrlFromStack()});
    return Movie({BackgroundTag(), RectShape(1, {{0, 0, 1000, 1000, 0xFF, 0, 0}}), DefineSprite(2, 1, {ShowFrame()}),
                  Place(1, 1), PlaceWithClipEvents(2, 2, {{0x40, down}, {0x80, up}}), ShowFrame()});
}

TEST(Keys, KeysReachTheMovieWithTheCharacterTheyTyped) {
    ScratchFolder folder;
    auto hosted = Host(100, 100);
    ASSERT_TRUE(hosted);
    ASSERT_EQ(hosted->PutMovie(folder.Write(L"keys.swf", KeyMovie())), S_OK);
    ASSERT_TRUE(PumpUntil([&] { return hosted->StagePixel(20, 20) == kRed; }, kWaitMs));
    HWND stage = hosted->StageWindow();

    // TranslateMessage posts the character before the key's message is handled.
    PostMessageW(stage, WM_CHAR, 'a', 1);
    SendMessageW(stage, WM_KEYDOWN, 'A', 1);
    SendMessageW(stage, WM_KEYUP, 'A', 0xC0000001);
    SendMessageW(stage, WM_KEYDOWN, VK_LEFT, 1);  // types nothing
    const auto& events = hosted->Events();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].command, L"down");
    EXPECT_EQ(events[0].args, L"65,97");
    EXPECT_EQ(events[1].command, L"up");
    EXPECT_EQ(events[1].args, L"65");
    EXPECT_EQ(events[2].args, L"37,0");
    MSG left{};
    EXPECT_FALSE(PeekMessageW(&left, stage, WM_CHAR, WM_CHAR, PM_NOREMOVE));  // taken with its key

    // In a dialog the movie gets arrows, Tab and characters; Enter and Escape end the dialog.
    const LRESULT wants = SendMessageW(stage, WM_GETDLGCODE, 0, 0);
    EXPECT_EQ(wants & (DLGC_WANTARROWS | DLGC_WANTTAB | DLGC_WANTCHARS),
              DLGC_WANTARROWS | DLGC_WANTTAB | DLGC_WANTCHARS);
    EXPECT_EQ(wants & DLGC_WANTALLKEYS, 0);
}

// Movies with ActionScript 3 code: marked by FileAttributes, or carrying DoABC code only.
struct ScriptCase {
    const char* name;
    moviebytes::Bytes tag;
};

void PrintTo(const ScriptCase& c, std::ostream* out) {
    *out << c.name;
}

class ScriptNoticeTest : public testing::TestWithParam<ScriptCase> {};

TEST_P(ScriptNoticeTest, TheStageSaysTheMovieNeedsActionScript3) {
    using namespace moviebytes;
    ScratchFolder folder;
    auto hosted = Host(400, 200);
    ASSERT_TRUE(hosted);
    std::vector<uint8_t> bytes = Movie({GetParam().tag, BackgroundTag(), ShowFrame(), ShowFrame()}, 400, 200, 9, 2);
    ASSERT_EQ(hosted->PutMovie(folder.Write(L"as3.swf", bytes)), S_OK);
    // Text in black on the light background, in the middle of the stage; the corners stay clear.
    ASSERT_EQ(hosted->StagePixel(2, 2), kBackground);  // painted now
    int dark = 0;
    WindowDc dc(hosted->StageWindow());
    for (int y = 70; y < 130; ++y) {
        for (int x = 0; x < 400; x += 2) {
            const COLORREF c = GetPixel(dc.get(), x, y);
            dark += GetRValue(c) < 0x80 && GetGValue(c) < 0x80 && GetBValue(c) < 0x80;
        }
    }
    EXPECT_GT(dark, 20);
    EXPECT_EQ(hosted->StagePixel(2, 2), kBackground);
    EXPECT_EQ(hosted->StagePixel(397, 197), kBackground);
    controltest::PumpFor(300);  // the movie is shown, not played
    EXPECT_EQ(hosted->FrameNum(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Movies, ScriptNoticeTest,
                         testing::Values(ScriptCase{"FileAttributes", moviebytes::Tag(69, {0x08, 0, 0, 0})},
                                         ScriptCase{"DoAbc", moviebytes::Tag(82, {1, 0, 0, 0, 0, 0x10, 0, 0x2E, 0})}),
                         [](const testing::TestParamInfo<ScriptCase>& info) { return std::string(info.param.name); });

}  // namespace
