// The interpreter plugged into playback: frame scripts that move and drive named clips, clip
// events placed with a clip and set by scripts, clips scripts make and remove, init actions,
// fscommand reaching the player's handler and trace lines reaching the sink, on movies made by
// hand.
#include <gtest/gtest.h>

#include <cmath>

#include <functional>
#include <map>
#include <optional>

#include "MovieBytes.h"
#include "ScriptedSample.h"
#include "TestHost.h"
#include "playback/Player.h"
#include "playback/TextEditing.h"
#include "script/PlayerScripts.h"

namespace script {
namespace {

using moviebytes::Bytes;
using test::Asm;

struct Played {
    std::unique_ptr<playback::Player> player;
    std::unique_ptr<PlayerScripts> scripts;
    std::vector<std::string> lines;     // trace lines
    std::vector<std::string> commands;  // fscommand texts
    void Frames(int n) {
        for (int i = 0; i < n; ++i)
            player->AdvanceFrame();
    }
    playback::DisplayObject* Child(const std::string& name) { return player->Stage().ChildNamed(name); }
};

// Plays `file`; the files it may load are `beside` (name to bytes).
std::unique_ptr<Played> Play(const Bytes& file, std::map<std::string, Bytes> beside = {}) {
    auto m = movie::ReadMovie(file.data(), file.size());
    EXPECT_TRUE(m);
    auto p = std::make_unique<Played>();
    playback::ResourceLoader loader = [files = std::move(beside)](const std::string& url) -> std::optional<Bytes> {
        auto it = files.find(url);
        return it == files.end() ? std::nullopt : std::optional<Bytes>(it->second);
    };
    p->player = std::make_unique<playback::Player>(std::make_shared<const movie::Movie>(std::move(*m)), loader);
    p->player->SetFsCommandHandler(
        [c = &p->commands](const std::string& cmd, const std::string& args) { c->push_back(cmd + ":" + args); });
    p->scripts =
        std::make_unique<PlayerScripts>(*p->player, [l = &p->lines](const std::string& s) { l->push_back(s); });
    return p;
}

Bytes Code(const Asm& a) {
    return a.bytes;
}

// An anonymous function (pushed as a value) whose body is `body`.
Asm& Function(Asm& a, const Asm& body) {
    const uint16_t size = uint16_t(body.bytes.size());
    a.Record(0x9B, {0, 0, 0, uint8_t(size), uint8_t(size >> 8)});
    a.bytes.insert(a.bytes.end(), body.bytes.begin(), body.bytes.end());
    return a;
}

// name.member = value (a number).
Asm& SetMember(Asm& a, const std::string& name, const std::string& member, double value) {
    return a.PushStr(name).Op(0x1C).PushStr(member).PushNum(value).Op(0x4F);
}
// trace(name.member)
Asm& TraceMember(Asm& a, const std::string& name, const std::string& member) {
    return a.PushStr(name).Op(0x1C).PushStr(member).Op(0x4E).Trace();
}
// name.method(arg) with one text argument, result dropped.
Asm& CallMethod(Asm& a, const std::string& name, const std::string& method, const std::string& arg) {
    return a.PushStr(arg).PushNum(1).PushStr(name).Op(0x1C).PushStr(method).Op(0x52).Op(0x17);
}
Asm Traced(const std::string& text) {
    Asm a;
    a.PushStr(text).Trace();
    return a;
}

// PlaceObject2 of a named sprite with clip event handlers (format 6 event words).
Bytes PlaceWithEvents(uint16_t depth, uint16_t id, const std::string& name,
                      const std::vector<std::pair<uint32_t, Asm>>& handlers) {
    std::vector<moviebytes::ClipEvent> events;
    for (const auto& [flags, code] : handlers)
        events.push_back({flags, code.bytes});
    return moviebytes::PlaceWithClipEvents(depth, id, events, name);
}

Bytes DoInitAction(uint16_t sprite, const Asm& code) {
    moviebytes::BitWriter w;
    w.U16(sprite);
    w.Raw(code.bytes);
    w.U8(0);
    return moviebytes::Tag(59, w.out);
}

const Bytes kBoxShape = moviebytes::RectShape(1, {{0, 0, 200, 200, 255, 0, 0}});
Bytes BoxSprite(uint16_t id = 2) {
    return moviebytes::DefineSprite(id, 1, {moviebytes::Place(1, 1), moviebytes::ShowFrame()});
}

TEST(PlayerScripts, AFrameScriptMovesANamedClipAndReadsItBack) {
    Asm a;
    SetMember(a, "box", "_x", 50);
    SetMember(a, "box", "_alpha", 50);
    TraceMember(a, "box", "_x");
    TraceMember(a, "box", "_width");
    auto p = Play(moviebytes::Movie({kBoxShape, BoxSprite(), moviebytes::Place(1, 2, 0, 0, "box"),
                                     moviebytes::DoAction(Code(a)), moviebytes::ShowFrame()}));
    p->Frames(1);
    ASSERT_NE(p->Child("box"), nullptr);
    EXPECT_EQ(p->Child("box")->matrix.tx, 1000);  // 50 pixels in twips
    EXPECT_EQ(p->Child("box")->cxform.aMul, 128);
    // _width: the shape's bounds as the file declares them (200 pixels).
    EXPECT_EQ(p->lines, (std::vector<std::string>{"50", "200"}));
    // The draw list draws it where the script put it.
    raster::DrawList list;
    p->player->BuildDrawList(list, 100, 100);
    ASSERT_FALSE(list.Commands().empty());
    EXPECT_DOUBLE_EQ(list.Commands().front().matrix.tx, 50);
}

TEST(PlayerScripts, ColorSetsTheClipsColourTransformFromItsOwnFieldsOnly) {
    Asm a;  // c = new Color("box"); c.setRGB(0x336699); Object.prototype.aa = 10;
            // o = {rb: 7}; c.setTransform(o); trace(c.getRGB());
    a.PushStr("c").PushStr("box").PushNum(1).PushStr("Color").Op(0x40).Op(0x1D);
    a.PushNum(0x336699).PushNum(1).PushStr("c").Op(0x1C).PushStr("setRGB").Op(0x52).Op(0x17);
    a.PushStr("Object").Op(0x1C).PushStr("prototype").Op(0x4E).PushStr("aa").PushNum(10).Op(0x4F);
    a.PushStr("o").PushStr("rb").PushNum(7).PushNum(1).Op(0x43).Op(0x1D);
    a.PushStr("o").Op(0x1C).PushNum(1).PushStr("c").Op(0x1C).PushStr("setTransform").Op(0x52).Op(0x17);
    a.PushNum(0).PushStr("c").Op(0x1C).PushStr("getRGB").Op(0x52).Trace();
    auto p = Play(moviebytes::Movie({kBoxShape, BoxSprite(), moviebytes::Place(1, 2, 0, 0, "box"),
                                     moviebytes::DoAction(Code(a)), moviebytes::ShowFrame()}));
    p->Frames(1);
    ASSERT_NE(p->Child("box"), nullptr);
    const raster::ColorTransform& c = p->Child("box")->cxform;
    EXPECT_EQ(c.rMul, 0);
    EXPECT_EQ(c.bMul, 0);
    EXPECT_EQ(c.aMul, 256);  // the inherited "aa" is not the object's own
    EXPECT_EQ(c.rAdd, 7);
    EXPECT_EQ(c.gAdd, 0x66);
    EXPECT_EQ(c.bAdd, 0x99);
    EXPECT_EQ(p->lines, (std::vector<std::string>{std::to_string(0x076699)}));
}

// this.method(x, y) with two numbers, result dropped.
Asm& CallXY(Asm& a, const std::string& method, std::vector<double> values) {
    for (size_t i = values.size(); i-- > 0;)
        a.PushNum(values[i]);
    return a.PushNum(double(values.size())).PushStr("this").Op(0x1C).PushStr(method).Op(0x52).Op(0x17);
}

TEST(PlayerScripts, TheDrawingApiDrawsAFillBeneathItsLines) {
    Asm a;  // lineStyle(2, 0xFF0000); beginFill(0x00FF00, 50); moveTo(10, 10); lineTo(30, 10); lineTo(30, 30); endFill()
    CallXY(a, "lineStyle", {2, 0xFF0000});
    CallXY(a, "beginFill", {0x00FF00, 50});
    CallXY(a, "moveTo", {10, 10});
    CallXY(a, "lineTo", {30, 10});
    CallXY(a, "lineTo", {30, 30});
    CallXY(a, "endFill", {});
    TraceMember(a, "this", "_width");
    auto p = Play(moviebytes::Movie({moviebytes::DoAction(Code(a)), moviebytes::ShowFrame()}));
    p->Frames(1);
    raster::DrawList list;
    p->player->BuildDrawList(list, 100, 100);
    ASSERT_EQ(list.Commands().size(), 2u);
    EXPECT_EQ(list.Commands()[0].kind, raster::DrawCommand::Kind::Fill);
    EXPECT_EQ(list.Commands()[0].paint.color, (raster::Color{0, 255, 0, 128}));
    EXPECT_EQ(list.Commands()[1].kind, raster::DrawCommand::Kind::Stroke);
    EXPECT_EQ(list.Commands()[1].paint.color, (raster::Color{255, 0, 0, 255}));
    // 20 pixels of lines and half the 2-pixel line on each side.
    EXPECT_EQ(p->lines, (std::vector<std::string>{"22"}));
}

TEST(PlayerScripts, GotoAndStopByLabelRunsThatFrameAndStops) {
    const Bytes sprite = moviebytes::DefineSprite(
        2, 3,
        {moviebytes::DoAction(Code(Traced("one"))), moviebytes::ShowFrame(), moviebytes::DoAction(Code(Traced("two"))),
         moviebytes::ShowFrame(), moviebytes::Label("end"), moviebytes::DoAction(Code(Traced("three"))),
         moviebytes::ShowFrame()});
    Asm a;
    CallMethod(a, "box", "gotoAndStop", "end");
    TraceMember(a, "box", "_currentframe");
    auto p = Play(moviebytes::Movie(
        {sprite, moviebytes::Place(1, 2, 0, 0, "box"), moviebytes::DoAction(Code(a)), moviebytes::ShowFrame()}));
    p->Frames(3);
    ASSERT_NE(p->Child("box"), nullptr);
    EXPECT_EQ(p->Child("box")->currentFrame, 2u);
    EXPECT_FALSE(p->Child("box")->playing);
    // The clip's own first frame (its place op comes before the script), then the frame gone
    // to; stopped, nothing more.
    EXPECT_EQ(p->lines, (std::vector<std::string>{"one", "3", "three"}));
}

TEST(PlayerScripts, PlacedClipEventsAndScriptHandlersRunInOrder) {
    Asm setHandler;  // box.onEnterFrame = function () { trace("method"); }
    setHandler.PushStr("box").Op(0x1C).PushStr("onEnterFrame");
    Function(setHandler, Traced("method"));
    setHandler.Op(0x4F);
    auto p = Play(moviebytes::Movie(
        {kBoxShape, BoxSprite(),
         PlaceWithEvents(1, 2, "box",
                         {{playback::kEventLoad, Traced("load")}, {playback::kEventEnterFrame, Traced("enter")}}),
         moviebytes::DoAction(Code(setHandler)), moviebytes::ShowFrame()}));
    p->Frames(3);
    EXPECT_EQ(p->lines, (std::vector<std::string>{"load", "enter", "method", "enter", "method"}));
}

TEST(PlayerScripts, ClipsScriptsMakeAreKeptAndTheirRemovalReachesTheInterpreter) {
    Asm make;  // r = createEmptyMovieClip("made", 3); r.onEnterFrame = function () { trace("alive"); }
    make.PushStr("r").PushNum(3).PushStr("made").PushNum(2).PushStr("_root").Op(0x1C);
    make.PushStr("createEmptyMovieClip").Op(0x52).Op(0x1D);
    make.PushStr("r").Op(0x1C).PushStr("onEnterFrame");
    Function(make, Traced("alive"));
    make.Op(0x4F);
    Asm remove;  // r.removeMovieClip(); trace(r._x);
    remove.PushNum(0).PushStr("r").Op(0x1C).PushStr("removeMovieClip").Op(0x52).Op(0x17);
    TraceMember(remove, "r", "_x");
    auto p = Play(moviebytes::Movie(
        {moviebytes::DoAction(Code(make)), moviebytes::ShowFrame(), moviebytes::ShowFrame(),
         moviebytes::DoAction(Code(remove)), moviebytes::DoAction(Code(Asm().Op(0x07))), moviebytes::ShowFrame()},
        100, 100, 6, 3));
    p->Frames(2);
    ASSERT_NE(p->Child("made"), nullptr);
    EXPECT_EQ(p->Child("made")->depth, 3 + 16384);
    EXPECT_EQ(p->Child("made")->FrameCount(), 1u);
    p->Frames(3);
    EXPECT_EQ(p->Child("made"), nullptr);
    // Its handler ran while it stood (frames 2 and 3: on frame 3 its enterFrame, queued before
    // the main timeline's step, runs before the script that removes it) and never after; the
    // script's reference no longer reaches a clip.
    EXPECT_EQ(p->lines, (std::vector<std::string>{"alive", "alive", "undefined"}));
}

TEST(PlayerScripts, TheMainTimelineLoadsAfterItsFirstFrameActions) {
    Asm a;  // _root.onLoad = function () { trace("loaded"); }; trace("frame");
    a.PushStr("_root").Op(0x1C).PushStr("onLoad");
    Function(a, Traced("loaded"));
    a.Op(0x4F).PushStr("frame").Trace();
    auto p = Play(moviebytes::Movie({moviebytes::DoAction(Code(a)), moviebytes::ShowFrame()}));
    p->Frames(2);
    EXPECT_EQ(p->lines, (std::vector<std::string>{"frame", "loaded"}));
}

// _root.createEmptyMovieClip(name, depth)
Asm& CreateEmpty(Asm& a, const std::string& name, double depth) {
    return a.PushNum(depth)
        .PushStr(name)
        .PushNum(2)
        .PushStr("_root")
        .Op(0x1C)
        .PushStr("createEmptyMovieClip")
        .Op(0x52)
        .Op(0x17);
}

// A movie of one frame that traces the variable `v` and _root.
Bytes ChildMovie() {
    Asm a;
    a.PushStr("v").Op(0x1C).Trace().PushStr("_root").Op(0x1C).Trace();
    return moviebytes::Movie({moviebytes::DoAction(Code(a)), moviebytes::ShowFrame()});
}

TEST(PlayerScripts, ALoadedMovieEntersItsFirstFrameInTheFrameAfterTheLoad) {
    Asm a;  // createEmptyMovieClip("c", 1); loadMovie("child.swf?v=hi", "c"); trace("asked")
    CreateEmpty(a, "c", 1);
    a.PushStr("child.swf?v=hi").PushStr("c").Record(0x9A, {0x40}).PushStr("asked").Trace();
    auto p = Play(moviebytes::Movie({moviebytes::DoAction(Code(a)), moviebytes::ShowFrame()}),
                  {{"child.swf", ChildMovie()}});
    p->Frames(1);
    EXPECT_EQ(p->lines, (std::vector<std::string>{"asked"}));
    p->Frames(1);
    // The variables after "?" are the child's; its _root is the level's.
    EXPECT_EQ(p->lines, (std::vector<std::string>{"asked", "hi", "_level0"}));
    // Into a level: loadMovieNum("child.swf", 2) makes _level2.
    Asm b;
    b.PushStr("child.swf").PushStr("_level2").Record(0x9A, {0x40});
    auto q = Play(moviebytes::Movie({moviebytes::DoAction(Code(b)), moviebytes::ShowFrame()}),
                  {{"child.swf", ChildMovie()}});
    q->Frames(2);
    EXPECT_EQ(q->lines, (std::vector<std::string>{"undefined", "_level2"}));
    EXPECT_NE(q->player->Level(2), nullptr);
}

TEST(PlayerScripts, AClipLoaderHearsTheStartAtTheLoadAndTheInitAfterTheFirstFrame) {
    Asm a;  // mcl = new MovieClipLoader(); mcl.onLoadStart/onLoadInit trace; mcl.loadClip("child.swf", "c")
    a.PushStr("mcl").PushNum(0).PushStr("MovieClipLoader").Op(0x40).Op(0x1D);
    for (const char* event : {"onLoadStart", "onLoadInit"}) {
        a.PushStr("mcl").Op(0x1C).PushStr(event);
        Function(a, Traced(event));
        a.Op(0x4F);
    }
    CreateEmpty(a, "c", 1);
    a.PushStr("c").PushStr("child.swf").PushNum(2).PushStr("mcl").Op(0x1C).PushStr("loadClip").Op(0x52).Op(0x17);
    // A second load of a file that is not there reaches no listener.
    CreateEmpty(a, "d", 2);
    a.PushStr("d").PushStr("missing.swf").PushNum(2).PushStr("mcl").Op(0x1C).PushStr("loadClip").Op(0x52).Op(0x17);
    auto p = Play(moviebytes::Movie({moviebytes::DoAction(Code(a)), moviebytes::ShowFrame()}),
                  {{"child.swf", ChildMovie()}});
    p->Frames(1);
    EXPECT_EQ(p->lines, (std::vector<std::string>{"onLoadStart"}));
    p->Frames(1);
    EXPECT_EQ(p->lines, (std::vector<std::string>{"onLoadStart", "undefined", "_level0", "onLoadInit"}));
}

TEST(PlayerScripts, UnloadRunsForTheClipsInsideARemovedClipFirst) {
    // The outer clip holds the inner one; the main timeline removes the outer on frame 2.
    const Bytes inner = moviebytes::DefineSprite(3, 1, {moviebytes::ShowFrame()});
    const Bytes outer = moviebytes::DefineSprite(
        4, 1, {PlaceWithEvents(1, 3, "in", {{playback::kEventUnload, Traced("inner")}}), moviebytes::ShowFrame()});
    auto p =
        Play(moviebytes::Movie({inner, outer, PlaceWithEvents(1, 4, "out", {{playback::kEventUnload, Traced("outer")}}),
                                moviebytes::ShowFrame(), moviebytes::Remove(1),
                                moviebytes::DoAction(Code(Asm().Op(0x07))), moviebytes::ShowFrame()},
                               100, 100, 6, 2));
    p->Frames(2);
    EXPECT_EQ(p->Child("out"), nullptr);
    EXPECT_EQ(p->lines, (std::vector<std::string>{"inner", "outer"}));
}

TEST(PlayerScripts, KeysReachKeyListenersKeyIsDownAndClipKeyEvents) {
    Asm listen;  // l = {}; l.onKeyDown = function () { trace(Key.getCode()); trace(Key.isDown(32)); }; Key.addListener(l)
    Asm body;
    body.PushNum(0).PushStr("Key").Op(0x1C).PushStr("getCode").Op(0x52).Trace();
    body.PushNum(32).PushNum(1).PushStr("Key").Op(0x1C).PushStr("isDown").Op(0x52).Trace();
    listen.PushStr("l").PushNum(0).Op(0x43).Op(0x1D);
    listen.PushStr("l").Op(0x1C).PushStr("onKeyDown");
    Function(listen, body);
    listen.Op(0x4F);
    listen.PushStr("l").Op(0x1C).PushNum(1).PushStr("Key").Op(0x1C).PushStr("addListener").Op(0x52).Op(0x17);
    auto p = Play(moviebytes::Movie(
        {kBoxShape, BoxSprite(),
         PlaceWithEvents(1, 2, "box",
                         {{playback::kEventKeyDown, Traced("clip down")}, {playback::kEventKeyUp, Traced("clip up")}}),
         moviebytes::DoAction(Code(listen)), moviebytes::ShowFrame()}));
    p->Frames(1);
    p->scripts->KeyDown(32, ' ');
    p->scripts->KeyUp(32);
    EXPECT_EQ(p->lines, (std::vector<std::string>{"32", "true", "clip down", "clip up"}));
}

// trace(Selection.name(args...)) with text arguments.
Asm& TraceSelection(Asm& a, const std::string& method, const std::vector<std::string>& args = {}) {
    for (auto it = args.rbegin(); it != args.rend(); ++it)
        a.PushStr(*it);
    return a.PushNum(double(args.size())).PushStr("Selection").Op(0x1C).PushStr(method).Op(0x52).Trace();
}

TEST(PlayerScripts, TabVisitsClipsByTabIndexThenDepthAndGoesRound) {
    Asm a;  // the tab stops: b (index 1), then a and c (index 2) in depth order; d has no index
    for (const char* name : {"a", "b", "c", "d"})
        SetMember(a, name, "tabEnabled", 1);
    SetMember(a, "a", "tabIndex", 2);
    SetMember(a, "b", "tabIndex", 1);
    SetMember(a, "c", "tabIndex", 2);
    Asm body;  // l.onKeyUp = function () { trace(Selection.getFocus()); }; Key.addListener(l)
    TraceSelection(body, "getFocus");
    a.PushStr("l").PushNum(0).Op(0x43).Op(0x1D);
    a.PushStr("l").Op(0x1C).PushStr("onKeyUp");
    Function(a, body);
    a.Op(0x4F);
    a.PushStr("l").Op(0x1C).PushNum(1).PushStr("Key").Op(0x1C).PushStr("addListener").Op(0x52).Op(0x17);
    auto p = Play(moviebytes::Movie({kBoxShape, BoxSprite(), moviebytes::Place(1, 2, 0, 0, "a"),
                                     moviebytes::Place(2, 2, 0, 0, "b"), moviebytes::Place(3, 2, 0, 0, "c"),
                                     moviebytes::Place(4, 2, 0, 0, "d"), moviebytes::DoAction(Code(a)),
                                     moviebytes::ShowFrame()}));
    p->Frames(1);
    for (int i = 0; i < 4; ++i) {
        p->scripts->KeyDown(9, 9);
        p->scripts->KeyUp(9);
    }
    EXPECT_EQ(p->lines, (std::vector<std::string>{"_level0.b", "_level0.a", "_level0.c", "_level0.b"}));
}

TEST(PlayerScripts, SetFocusTakesFocusEnabledClipsAndAHiddenClipLosesIt) {
    Asm a;
    TraceSelection(a, "setFocus", {"box"});  // a plain clip refuses the focus
    SetMember(a, "box", "focusEnabled", 1);
    TraceSelection(a, "setFocus", {"box"});
    TraceSelection(a, "getFocus");
    SetMember(a, "box", "_visible", 0);
    TraceSelection(a, "getFocus");
    auto p = Play(moviebytes::Movie({kBoxShape, BoxSprite(), moviebytes::Place(1, 2, 0, 0, "box"),
                                     moviebytes::DoAction(Code(a)), moviebytes::ShowFrame()}));
    p->Frames(1);
    EXPECT_EQ(p->lines, (std::vector<std::string>{"false", "true", "_level0.box", "null"}));
}

TEST(PlayerScripts, TabIndexOfClipsIsAThirtyTwoBitIntegerAndTheLowestWhenOutOfRange) {
    const struct {
        double in, out;
    } cases[] = {{1.9, 1},
                 {-1.9, -1},
                 {-4, -4},
                 {2147483647, 2147483647},
                 {2147483648.0, -2147483648.0},
                 {-2147483649.0, -2147483648.0},
                 {NAN, -2147483648.0},
                 {INFINITY, -2147483648.0}};
    for (const auto& c : cases)
        EXPECT_EQ(double(TabIndexOf(c.in)), c.out) << c.in;
}

TEST(PlayerScripts, FocusRectIsOneSettingForEveryClipBeforeFormat7) {
    Asm a;  // box._focusrect = 0; trace(_root._focusrect); trace(box._focusrect)
    SetMember(a, "box", "_focusrect", 0);
    TraceMember(a, "_root", "_focusrect");
    TraceMember(a, "box", "_focusrect");
    auto p = Play(moviebytes::Movie({kBoxShape, BoxSprite(), moviebytes::Place(1, 2, 0, 0, "box"),
                                     moviebytes::DoAction(Code(a)), moviebytes::ShowFrame()}));
    p->Frames(1);
    EXPECT_EQ(p->lines, (std::vector<std::string>{"false", "false"}));
}

TEST(PlayerScripts, PressingAwayFromTextFieldsTakesTheFocusAway) {
    Asm a;  // box.focusEnabled = true; Selection.setFocus("box"); box.onKillFocus and onPress trace
    SetMember(a, "box", "focusEnabled", 1);
    TraceSelection(a, "setFocus", {"box"});
    for (const char* handler : {"onKillFocus", "onPress"}) {
        a.PushStr("box").Op(0x1C).PushStr(handler);
        Function(a, Traced(handler));
        a.Op(0x4F);
    }
    auto p = Play(moviebytes::Movie({kBoxShape, BoxSprite(), moviebytes::Place(1, 2, 0, 0, "box"),
                                     moviebytes::DoAction(Code(a)), moviebytes::ShowFrame()}));
    p->Frames(1);
    p->player->MouseDown(5, 5);
    p->player->MouseUp(5, 5);
    // The focus goes as the mouse goes down, before the press.
    EXPECT_EQ(p->lines, (std::vector<std::string>{"true", "onKillFocus", "onPress"}));
}

TEST(PlayerScripts, KeysTypeIntoTheFocusedInputFieldThroughItsRestrict) {
    Asm a;  // _root.createTextField("t", 1, 0, 0, 100, 20); t.type = "input"; t.restrict = "a-c"
    a.PushNum(20).PushNum(100).PushNum(0).PushNum(0).PushNum(1).PushStr("t").PushNum(6).PushStr("_root").Op(0x1C);
    a.PushStr("createTextField").Op(0x52).Op(0x17);
    a.PushStr("t").Op(0x1C).PushStr("type").PushStr("input").Op(0x4F);
    a.PushStr("t").Op(0x1C).PushStr("restrict").PushStr("a-c").Op(0x4F);
    Asm changed;  // t.onChanged = function () { trace(t.text); }
    TraceMember(changed, "t", "text");
    a.PushStr("t").Op(0x1C).PushStr("onChanged");
    Function(a, changed);
    a.Op(0x4F);
    TraceSelection(a, "setFocus", {"t"});
    auto p = Play(moviebytes::Movie({moviebytes::DoAction(Code(a)), moviebytes::ShowFrame()}));
    p->Frames(1);
    p->scripts->KeyDown(65, 'a');
    p->scripts->KeyDown(68, 'd');  // kept out: no change
    p->scripts->KeyDown(66, 'B');  // only its other case is let in
    p->scripts->KeyDown(37, 0);    // left, then backspace
    p->scripts->KeyDown(8, 8);
    // A host that brings text apart from keys: the key alone types nothing.
    p->scripts->SetTextApart(true);
    p->scripts->KeyDown(67, 'c');
    p->scripts->EditText(playback::TextEdit::MoveTextEnd);
    p->scripts->TypeText("cz");
    p->scripts->SetClipboardText("aXb");
    p->scripts->Paste();
    EXPECT_EQ(p->lines, (std::vector<std::string>{"true", "a", "ab", "b", "bc", "bcab"}));
    playback::DisplayObject* t = p->Child("t");
    ASSERT_TRUE(t && t->textField);
    EXPECT_EQ(playback::CaretIndex(*t->textField), 4u);
}

TEST(PlayerScripts, APressOnASelectableTextFieldFocusesItAndAPressElsewhereTakesTheFocusBack) {
    Asm a;  // _root.createTextField("t", 1, 0, 0, 50, 20), with onSetFocus and onKillFocus traced
    a.PushNum(20).PushNum(50).PushNum(0).PushNum(0).PushNum(1).PushStr("t").PushNum(6).PushStr("_root").Op(0x1C);
    a.PushStr("createTextField").Op(0x52).Op(0x17);
    for (const char* event : {"onSetFocus", "onKillFocus"}) {
        a.PushStr("t").Op(0x1C).PushStr(event);
        Function(a, Traced(event));
        a.Op(0x4F);
    }
    auto p = Play(moviebytes::Movie({moviebytes::DoAction(Code(a)), moviebytes::ShowFrame()}));
    p->Frames(1);
    p->player->MouseDown(10, 10);
    p->player->MouseUp(10, 10);
    p->player->MouseDown(10, 10);  // already focused: no event
    p->player->MouseDown(80, 80);
    p->Child("t")->textField->selectable = false;
    p->player->MouseDown(10, 10);  // a field that cannot be selected takes no focus
    EXPECT_EQ(p->lines, (std::vector<std::string>{"onSetFocus", "onKillFocus"}));
}

TEST(PlayerScripts, ClipsWithPressOrReleaseHandlersTakeTheMouseAsButtons) {
    Asm a;  // box.onRelease = function () { trace("released"); }
    a.PushStr("box").Op(0x1C).PushStr("onRelease");
    Function(a, Traced("released"));
    a.Op(0x4F);
    // "box" has a script handler; "pad" (beside it, 50 pixels right) an on(press) placed with it.
    auto p = Play(moviebytes::Movie({kBoxShape, BoxSprite(), moviebytes::Place(1, 2, 0, 0, "box"),
                                     PlaceWithEvents(2, 2, "pad", {{playback::kEventPress, Traced("pressed")}}),
                                     moviebytes::DoAction(Code(a)), moviebytes::ShowFrame()},
                                    400, 100));
    p->Frames(1);
    // "pad" is placed at the origin: move it right of the box.
    p->player->Stage().ChildNamed("pad")->matrix.tx = 250 * 20;
    p->player->TreeChanged();
    p->player->MouseDown(5, 5);
    p->player->MouseUp(5, 5);
    EXPECT_TRUE(p->player->HandCursor());
    p->player->MouseDown(255, 5);
    p->player->MouseUp(255, 5);
    EXPECT_EQ(p->lines, (std::vector<std::string>{"released", "pressed"}));
}

TEST(PlayerScripts, GetNextHighestDepthStacksNewClipsAndSwapDepthsReordersThem) {
    Asm a;  // twice: createEmptyMovieClip(name, getNextHighestDepth()); then trace(b.getDepth())
    for (const char* name : {"a", "b"}) {
        a.PushNum(0).PushStr("_root").Op(0x1C).PushStr("getNextHighestDepth").Op(0x52);
        a.PushStr(name).PushNum(2).PushStr("_root").Op(0x1C).PushStr("createEmptyMovieClip").Op(0x52).Op(0x17);
    }
    a.PushNum(0).PushStr("b").Op(0x1C).PushStr("getDepth").Op(0x52).Trace();
    // a.swapDepths(b); trace(a.getDepth())
    a.PushStr("b").Op(0x1C).PushNum(1).PushStr("a").Op(0x1C).PushStr("swapDepths").Op(0x52).Op(0x17);
    a.PushNum(0).PushStr("a").Op(0x1C).PushStr("getDepth").Op(0x52).Trace();
    auto p = Play(moviebytes::Movie(
        {kBoxShape, moviebytes::Place(1, 1), moviebytes::DoAction(Code(a)), moviebytes::ShowFrame()}));
    p->Frames(1);
    ASSERT_NE(p->Child("a"), nullptr);
    ASSERT_NE(p->Child("b"), nullptr);
    EXPECT_EQ(p->Child("a")->depth, 16385);
    EXPECT_EQ(p->Child("b")->depth, 16384);
    EXPECT_EQ(p->player->Stage().children.back()->name, "a");  // drawn on top after the swap
    EXPECT_EQ(p->lines, (std::vector<std::string>{"1", "1"}));
}

// trace(_root.getInstanceAtDepth(depth))
Asm& TraceAtDepth(Asm& a, double depth) {
    return a.PushNum(depth).PushNum(1).PushStr("_root").Op(0x1C).PushStr("getInstanceAtDepth").Op(0x52).Trace();
}

TEST(PlayerScripts, ShapesStandForTheirParentAndUnnamedClipsAreNamedInstanceN) {
    Asm a;
    TraceMember(a, "_root", "empty");  // a named shape
    TraceAtDepth(a, -16383);           // the shape again, by depth
    TraceAtDepth(a, -16382);           // the sprite the timeline placed without a name
    TraceAtDepth(a, -16381);           // nothing
    auto p = Play(moviebytes::Movie({kBoxShape, BoxSprite(), moviebytes::Place(1, 1, 0, 0, "empty"),
                                     moviebytes::Place(2, 2), moviebytes::DoAction(Code(a)), moviebytes::ShowFrame()}));
    p->Frames(1);
    EXPECT_EQ(p->lines, (std::vector<std::string>{"_level0", "_level0", "_level0.instance1", "undefined"}));
}

TEST(PlayerScripts, CodeStopsAtItsNextCallOnceItsClipHasLeftTheStage) {
    // The sprite's first frame removes itself (removeMovieClip(this), no call), then calls a
    // method of undefined (that goes on) and a missing function (that stops it).
    Asm inner;
    inner.PushStr("this").Op(0x25);
    inner.PushStr("after removal").Trace();
    inner.PushNum(0).PushStr("nothing").Op(0x1C).PushStr("f").Op(0x52).Op(0x17);
    inner.PushStr("after a method of undefined").Trace();
    inner.PushNum(0).PushStr("missing").Op(0x3D).Op(0x17);
    inner.PushStr("never").Trace();
    const Bytes sprite = moviebytes::DefineSprite(2, 1, {moviebytes::DoAction(Code(inner)), moviebytes::ShowFrame()});
    Asm root;  // attachMovie("clip", "c", 1): script depths are removable
    root.PushNum(1)
        .PushStr("c")
        .PushStr("clip")
        .PushNum(3)
        .PushStr("_root")
        .Op(0x1C)
        .PushStr("attachMovie")
        .Op(0x52)
        .Op(0x17);
    moviebytes::BitWriter exports;  // ExportAssets: sprite 2 as "clip"
    exports.U16(1);
    exports.U16(2);
    exports.Str("clip");
    auto p = Play(moviebytes::Movie({kBoxShape, sprite, moviebytes::Tag(56, exports.out),
                                     moviebytes::DoAction(Code(root)), moviebytes::ShowFrame()}));
    p->Frames(2);
    EXPECT_EQ(p->lines, (std::vector<std::string>{"after removal", "after a method of undefined"}));
}

TEST(PlayerScripts, GeometryOfAMovedClipGlobalPointsBoundsAndHitTests) {
    Asm a;  // box._x = 20; p = {x: 1, y: 2}; box.localToGlobal(p); trace(p.x); trace(p.y);
    SetMember(a, "box", "_x", 20);
    a.PushStr("p").PushStr("x").PushNum(1).PushStr("y").PushNum(2).PushNum(2).Op(0x43).Op(0x1D);
    a.PushStr("p").Op(0x1C).PushNum(1).PushStr("box").Op(0x1C).PushStr("localToGlobal").Op(0x52).Op(0x17);
    TraceMember(a, "p", "x");
    TraceMember(a, "p", "y");
    // trace(box.getBounds(_root).xMin); trace(box.hitTest(25, 5, true)); trace(box.hitTest(5, 5, true))
    a.PushStr("_root").Op(0x1C).PushNum(1).PushStr("box").Op(0x1C).PushStr("getBounds").Op(0x52);
    a.PushStr("xMin").Op(0x4E).Trace();
    for (double x : {25.0, 5.0})
        a.Record(0x96, {5, 1})
            .PushNum(5)
            .PushNum(x)
            .PushNum(3)
            .PushStr("box")
            .Op(0x1C)
            .PushStr("hitTest")
            .Op(0x52)
            .Trace();
    auto p = Play(moviebytes::Movie({kBoxShape, BoxSprite(), moviebytes::Place(1, 2, 0, 0, "box"),
                                     moviebytes::DoAction(Code(a)), moviebytes::ShowFrame()}));
    p->Frames(1);
    EXPECT_EQ(p->lines, (std::vector<std::string>{"21", "2", "20", "true", "false"}));
}

TEST(PlayerScripts, CodeQueuedInsideARemovedClipDoesNotRun) {
    // "outer" (exported) holds "in", whose second frame traces. One block sends "in" to that
    // frame and removes "outer": the queued frame belongs to a clip that has gone.
    const Bytes inner = moviebytes::DefineSprite(
        3, 2, {moviebytes::ShowFrame(), moviebytes::DoAction(Code(Traced("never"))), moviebytes::ShowFrame()});
    const Bytes outer = moviebytes::DefineSprite(4, 1, {moviebytes::Place(1, 3, 0, 0, "in"), moviebytes::ShowFrame()});
    moviebytes::BitWriter exports;
    exports.U16(1);
    exports.U16(4);
    exports.Str("outer");
    Asm a;  // o = attachMovie("outer", "o", 1); o.in.gotoAndStop(2); o.removeMovieClip(); trace("done")
    a.PushStr("o").PushNum(1).PushStr("o").PushStr("outer").PushNum(3).PushStr("_root").Op(0x1C);
    a.PushStr("attachMovie").Op(0x52).Op(0x1D);
    a.PushNum(2).PushNum(1).PushStr("o").Op(0x1C).PushStr("in").Op(0x4E).PushStr("gotoAndStop").Op(0x52).Op(0x17);
    a.PushNum(0).PushStr("o").Op(0x1C).PushStr("removeMovieClip").Op(0x52).Op(0x17);
    a.PushStr("done").Trace();
    auto p = Play(moviebytes::Movie(
        {inner, outer, moviebytes::Tag(56, exports.out), moviebytes::DoAction(Code(a)), moviebytes::ShowFrame()}));
    p->Frames(3);
    EXPECT_EQ(p->Child("o"), nullptr);
    EXPECT_EQ(p->lines, (std::vector<std::string>{"done"}));
}

TEST(PlayerScripts, InitActionsOfAnUnplacedSpriteRunBeforeTheFrameActions) {
    auto p = Play(moviebytes::Movie({BoxSprite(5), DoInitAction(5, Traced("init")),
                                     moviebytes::DoAction(Code(Traced("frame"))), moviebytes::ShowFrame()}));
    p->Frames(2);
    EXPECT_EQ(p->lines, (std::vector<std::string>{"init", "frame"}));
}

TEST(PlayerScripts, FsCommandReachesThePlayerAndAThrowDoesNotStopTheMovie) {
    Asm capture;  // fscommand("captureImage", "shot") as GetURL2 builds it
    capture.PushStr("FSCommand:captureImage").PushStr("shot").Record(0x9A, {0});
    Asm thrower;
    thrower.PushStr("oops").Op(0x2A).PushStr("never").Trace();
    auto p = Play(moviebytes::Movie(
        {moviebytes::DoAction(Code(thrower)), moviebytes::DoAction(Code(capture)), moviebytes::ShowFrame(),
         moviebytes::DoAction(moviebytes::ActionGetUrl("FSCommand:quit", "")), moviebytes::ShowFrame()},
        100, 100, 6, 2));
    p->Frames(2);
    EXPECT_EQ(p->commands, (std::vector<std::string>{"captureImage:shot", "quit:"}));
    EXPECT_TRUE(p->player->QuitRequested());
    EXPECT_EQ(p->lines, (std::vector<std::string>{"Warning: Uncaught exception, oops"}));
}

// A movie may raise the recursion limit (ScriptLimits) as far as 65535; the interpreter keeps to
// what the stack holds, so a runaway recursion ends its block at the ceiling and the movie goes on.
TEST(PlayerScripts, ARecursionLimitBeyondTheStackIsCappedAndTheMovieGoesOn) {
    Asm body;  // n = n + 1; f();
    body.PushStr("n").PushStr("n").Op(0x1C).PushNum(1).Op(0x47).Op(0x1D);
    body.PushNum(0).PushStr("f").Op(0x3D).Op(0x17);
    Asm define;  // n = 0; f = function() { ... }; f();
    define.PushStr("n").PushNum(0).Op(0x1D).PushStr("f");
    Function(define, body);
    define.Op(0x1D);
    define.PushNum(0).PushStr("f").Op(0x3D).Op(0x17);
    Asm report;  // trace(n)
    report.PushStr("n").Op(0x1C).Trace();
    moviebytes::BitWriter limits;
    limits.U16(65535);
    limits.U16(5);
    auto p = Play(moviebytes::Movie({moviebytes::Tag(65, limits.out), moviebytes::DoAction(Code(define)),
                                     moviebytes::DoAction(Code(report)), moviebytes::ShowFrame()}));
    p->Frames(1);
    ASSERT_EQ(p->lines.size(), 1u);
    EXPECT_EQ(p->lines[0], std::to_string(script::kMaxScriptRecursion));  // levels entered
}

// A frame whose actions call themselves (the Call action) nest like a function calling itself:
// the block ends at the recursion limit, on the interpreter's stack and not the machine's, and the
// next block of the frame still runs.
TEST(PlayerScripts, AFrameThatCallsItselfEndsAtTheRecursionLimit) {
    Asm start;  // stop(); n = 0; call(2);
    start.Op(0x07).PushStr("n").PushNum(0).Op(0x1D).PushNum(2).Record(0x9E, {});
    Asm again;  // n = n + 1; call(2);
    again.PushStr("n").PushStr("n").Op(0x1C).PushNum(1).Op(0x47).Op(0x1D).PushNum(2).Record(0x9E, {});
    Asm report;  // trace(n)
    report.PushStr("n").Op(0x1C).Trace();
    auto p =
        Play(moviebytes::Movie({moviebytes::DoAction(Code(start)), moviebytes::DoAction(Code(report)),
                                moviebytes::ShowFrame(), moviebytes::DoAction(Code(again)), moviebytes::ShowFrame()},
                               100, 100, 6, 2));
    p->Frames(2);
    ASSERT_FALSE(p->lines.empty());
    EXPECT_EQ(p->lines.back(), "256");
}

// Frame numbers that are not numbers, or past any integer, name no frame: the code goes on.
TEST(PlayerScripts, FrameNumbersOutOfRangeNameNoFrame) {
    Asm code;
    code.PushNum(std::nan("")).Record(0x9E, {});  // call(NaN)
    code.PushNum(1e300).Record(0x9E, {});         // call(1e300)
    code.PushNum(-1e300).Record(0x9F, {0});       // gotoAndStop(-1e300)
    code.PushStr("after").Trace();
    auto p = Play(moviebytes::Movie({moviebytes::DoAction(Code(code)), moviebytes::ShowFrame()}));
    p->Frames(1);
    EXPECT_EQ(p->lines, (std::vector<std::string>{"after"}));
}

// A format 8 movie with the box clip and a frame script `code`, played for one frame.
std::unique_ptr<Played> PlayLook(const Asm& code, uint8_t version = 8) {
    auto p = Play(moviebytes::Movie({kBoxShape, BoxSprite(), moviebytes::Place(1, 2, 0, 0, "box"),
                                     moviebytes::DoAction(Code(code)), moviebytes::ShowFrame()},
                                    100, 100, version));
    p->Frames(1);
    return p;
}

TEST(PlayerScripts, BlendModeTakesNamesAndNumbersAndIgnoresOtherValues) {
    struct Case {
        const char* what;
        std::function<void(Asm&)> push;
        const char* read;
        uint8_t stored;
    };
    const Case cases[] = {
        {"a name", [](Asm& a) { a.PushStr("multiply"); }, "multiply", 3},
        {"the last name", [](Asm& a) { a.PushStr("hardlight"); }, "hardlight", 14},
        {"a number", [](Asm& a) { a.PushNum(5); }, "lighten", 5},
        {"a number's low byte", [](Asm& a) { a.PushNum(256 + 3); }, "multiply", 3},
        {"a fraction", [](Asm& a) { a.PushNum(2.5); }, "layer", 2},
        {"null", [](Asm& a) { a.Record(0x96, {2}); }, "normal", 1},
        {"undefined", [](Asm& a) { a.PushUndefined(); }, "normal", 1},
        {"a name in other case", [](Asm& a) { a.PushStr("LAYER"); }, "invert", 10},
        {"an unknown name", [](Asm& a) { a.PushStr("burn"); }, "invert", 10},
        {"a number out of range", [](Asm& a) { a.PushNum(-1); }, "invert", 10},
        {"a boolean",
         [](Asm& a) {
             a.Record(0x96, {5, 1});
         },
         "invert", 10},
    };
    for (const Case& c : cases) {
        Asm a;  // box.blendMode = "invert"; box.blendMode = value; trace(box.blendMode)
        a.PushStr("box").Op(0x1C).PushStr("blendMode").PushStr("invert").Op(0x4F);
        a.PushStr("box").Op(0x1C).PushStr("blendMode");
        c.push(a);
        a.Op(0x4F);
        TraceMember(a, "box", "blendMode");
        auto p = PlayLook(a);
        ASSERT_NE(p->Child("box"), nullptr);
        EXPECT_EQ(p->lines, (std::vector<std::string>{c.read})) << c.what;
        EXPECT_EQ(p->Child("box")->blendMode, c.stored) << c.what;
    }
}

bool DrawsSolid(playback::Player& player, raster::Color color) {
    raster::DrawList list;
    player.BuildDrawList(list, 100, 100);
    for (const raster::DrawCommand& c : list.Commands())
        if (c.kind == raster::DrawCommand::Kind::Fill && c.paint.kind == raster::Paint::Kind::Solid &&
            c.paint.color == color)
            return true;
    return false;
}

TEST(PlayerScripts, OpaqueBackgroundFillsBeneathTheClipUntilSetToNull) {
    const raster::Color green{0, 255, 0, 255};
    Asm a;
    SetMember(a, "box", "opaqueBackground", 0x100FF00);  // above 24 bits: the low 24 are the colour
    TraceMember(a, "box", "opaqueBackground");
    auto p = PlayLook(a);
    ASSERT_NE(p->Child("box"), nullptr);
    EXPECT_EQ(p->Child("box")->opaqueBackground, green);
    EXPECT_EQ(p->lines, (std::vector<std::string>{"65280"}));
    EXPECT_TRUE(DrawsSolid(*p->player, green));

    Asm none = a;  // then box.opaqueBackground = null
    none.PushStr("box").Op(0x1C).PushStr("opaqueBackground").Record(0x96, {2}).Op(0x4F);
    TraceMember(none, "box", "opaqueBackground");
    auto q = PlayLook(none);
    ASSERT_NE(q->Child("box"), nullptr);
    EXPECT_FALSE(q->Child("box")->opaqueBackground.has_value());
    EXPECT_EQ(q->lines, (std::vector<std::string>{"65280", "null"}));
    EXPECT_FALSE(DrawsSolid(*q->player, green));
}

// new flash.<package>.<name>(args...) with number arguments, left on the stack.
Asm& NewFlash(Asm& a, const std::string& package, const std::string& name, const std::vector<double>& args) {
    for (size_t i = args.size(); i-- > 0;)
        a.PushNum(args[i]);
    a.PushNum(double(args.size())).PushStr("flash").Op(0x1C).PushStr(package).Op(0x4E);
    return a.PushStr(name).Op(0x53);
}

TEST(PlayerScripts, BitmapDataDrawsAClipThroughItsMatrixAndShowsWhenAttachedOrAsAFill) {
    Asm a;  // b = new BitmapData(4, 2, true, 0xFF0000FF); b.draw(box, new Matrix(1, 0, 0, 1, 2, 0))
    a.PushStr("b");
    NewFlash(a, "display", "BitmapData", {4, 2, 1, 0xFF0000FF}).Op(0x1D);
    NewFlash(a, "geom", "Matrix", {1, 0, 0, 1, 2, 0});
    a.PushStr("box").Op(0x1C).PushNum(2).PushStr("b").Op(0x1C).PushStr("draw").Op(0x52).Op(0x17);
    for (double x : {1, 2, 3})  // trace(b.getPixel32(x, 1))
        a.PushNum(1).PushNum(x).PushNum(2).PushStr("b").Op(0x1C).PushStr("getPixel32").Op(0x52).Trace();
    // this.attachBitmap(b, 7)
    a.PushNum(7).PushStr("b").Op(0x1C).PushNum(2).PushStr("this").Op(0x1C).PushStr("attachBitmap").Op(0x52).Op(0x17);
    // this.beginBitmapFill(b); a triangle; endFill()
    a.PushStr("b").Op(0x1C).PushNum(1).PushStr("this").Op(0x1C).PushStr("beginBitmapFill").Op(0x52).Op(0x17);
    CallXY(a, "lineTo", {10, 0});
    CallXY(a, "lineTo", {10, 10});
    CallXY(a, "endFill", {});
    auto p = PlayLook(a);
    // The box (red, 10 pixels square at the origin) moved 2 pixels right covers x = 2 and 3.
    EXPECT_EQ(p->lines, (std::vector<std::string>{"-16776961", "-65536", "-65536"}));
    raster::DrawList list;
    p->player->BuildDrawList(list, 100, 100);
    // The attached bitmap (unrepeated) and the drawing's fill (repeated), both of the 4x2 pixels.
    int attached = 0, filled = 0;
    for (const raster::DrawCommand& c : list.Commands()) {
        if (c.kind != raster::DrawCommand::Kind::Fill || c.paint.kind != raster::Paint::Kind::Bitmap ||
            !c.paint.bitmap.image || c.paint.bitmap.image->width != 4)
            continue;
        ++(c.paint.bitmap.repeat ? filled : attached);
    }
    EXPECT_EQ(attached, 1);
    EXPECT_EQ(filled, 1);
}

TEST(PlayerScripts, CacheAsBitmapIsKeptAsABooleanAndTheLookIsOnlyThereFromFormat8) {
    Asm a;
    SetMember(a, "box", "cacheAsBitmap", 2);
    TraceMember(a, "box", "cacheAsBitmap");
    SetMember(a, "box", "blendMode", 3);
    auto p = PlayLook(a);
    ASSERT_NE(p->Child("box"), nullptr);
    EXPECT_TRUE(p->Child("box")->cacheAsBitmap);
    EXPECT_EQ(p->lines, (std::vector<std::string>{"true"}));
    // A format 7 movie has no such properties: the values are plain variables of the clip.
    auto old = PlayLook(a, 7);
    ASSERT_NE(old->Child("box"), nullptr);
    EXPECT_FALSE(old->Child("box")->cacheAsBitmap);
    EXPECT_EQ(old->Child("box")->blendMode, 0);
    EXPECT_EQ(old->lines, (std::vector<std::string>{"2"}));
}

// How far the scene version moves in a frame whose only change is the script `code`.
uint64_t SceneVersionStepOf(const Asm& code) {
    auto p =
        Play(moviebytes::Movie({kBoxShape, BoxSprite(), moviebytes::Place(1, 2, 0, 0, "box"), moviebytes::ShowFrame(),
                                moviebytes::DoAction(Code(code)), moviebytes::ShowFrame()},
                               100, 100, 8));
    p->Frames(1);
    const uint64_t before = p->player->SceneVersion();
    p->Frames(1);
    return p->player->SceneVersion() - before;
}

TEST(PlayerScripts, SettingTheLookOfAClipRedrawsTheScene) {
    const uint64_t still = SceneVersionStepOf(Traced("nothing changes"));
    for (const char* property : {"blendMode", "opaqueBackground", "cacheAsBitmap"}) {
        Asm a;
        SetMember(a, "box", property, 3);
        EXPECT_GT(SceneVersionStepOf(a), still) << property;
    }
}

// Sprite 3 holds sprite 2 as "b" and the box shape as "s"; the root holds sprite 3 as "a" and an
// unnamed sprite 2.
std::vector<Bytes> PathTree(const Asm& script) {
    const Bytes outer = moviebytes::DefineSprite(
        3, 1, {moviebytes::Place(1, 2, 0, 0, "b"), moviebytes::Place(2, 1, 0, 0, "s"), moviebytes::ShowFrame()});
    return {kBoxShape,
            BoxSprite(),
            outer,
            moviebytes::Place(1, 3, 0, 0, "a"),
            moviebytes::Place(2, 2),
            moviebytes::DoAction(Code(script)),
            moviebytes::ShowFrame()};
}

TEST(PlayerScripts, PathsNameClipsByDotsSlashesAndColons) {
    struct Case {
        const char* path;
        const char* traced;
    } cases[] = {
        {"a.b", "_level0.a.b"},
        {"a/b", "_level0.a.b"},
        {"a.s", "_level0.a"},  // a named shape stands for its clip
        {"_root.a.b:x", "7"},
        {"_root/a.b:x", "undefined"},        // after a slash a dot is part of a name
        {"a/b/:x", "7"},                     // a slash at the end names the clip itself
        {"a/b//:x", "undefined"},            // an empty name between two separators names nothing
        {"instance1", "_level0.instance1"},  // an unnamed clip gets a name of its own
    };
    Asm a;
    SetMember(a, "a.b", "x", 7);
    for (const Case& c : cases)
        a.PushStr(c.path).Op(0x1C).Trace();
    auto p = Play(moviebytes::Movie(PathTree(a)));
    p->Frames(1);
    ASSERT_EQ(p->lines.size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(p->lines[i], cases[i].traced) << cases[i].path;
}

TEST(PlayerScripts, AReferenceToAGoneClipFindsTheClipNowAtItsPath) {
    // v = createEmptyMovieClip("c", 5); v.removeMovieClip(); trace(v); trace(v._name);
    // createEmptyMovieClip("c", 6); trace(v); tellTarget("nowhere") trace(n) with n set on the root.
    Asm a;
    a.PushStr("n").PushStr("root n").Op(0x1D);
    a.PushStr("v").PushNum(5).PushStr("c").PushNum(2).PushStr("this").Op(0x1C).PushStr("createEmptyMovieClip");
    a.Op(0x52).Op(0x1D);
    a.PushNum(0).PushStr("v").Op(0x1C).PushStr("removeMovieClip").Op(0x52).Op(0x17);
    a.PushStr("v").Op(0x1C).Trace();
    TraceMember(a, "v", "_name");
    a.PushNum(6).PushStr("c").PushNum(2).PushStr("this").Op(0x1C).PushStr("createEmptyMovieClip").Op(0x52).Op(0x17);
    a.PushStr("v").Op(0x1C).Trace();
    a.Record(0x8B, Asm::Str("a/b"));
    a.PushStr("n").PushStr("b n").Op(0x1D);
    a.Record(0x8B, Asm::Str("nowhere"));
    a.PushStr("n").Op(0x1C).Trace();  // a target that names no clip stands at the root
    a.Record(0x8B, Asm::Str(""));
    auto p = Play(moviebytes::Movie(PathTree(a)));
    p->Frames(1);
    EXPECT_EQ(p->lines, (std::vector<std::string>{"", "undefined", "_level0.c", "root n"}));
}

}  // namespace
}  // namespace script

namespace script {
namespace {

// The sample the GUI test plays in the real player: the same movie, driven here in process.
TEST(ScriptedSample, TheFollowerTracksTheMouseAndTheButtonAndKeysDriveTheTimeline) {
    auto p = Play(moviebytes::ScriptedSampleMovie());
    p->Frames(2);
    playback::DisplayObject* follower = p->Child("follower");
    ASSERT_NE(follower, nullptr);
    p->player->MouseMove(300, 200);
    EXPECT_DOUBLE_EQ(follower->matrix.tx, 300 * 20);
    EXPECT_DOUBLE_EQ(follower->matrix.ty, 200 * 20);
    EXPECT_EQ(p->player->Stage().currentFrame, 0u);  // stopped on the first frame

    p->player->MouseMove(50, 50);
    p->player->MouseDown(50, 50);
    p->player->MouseUp(50, 50);
    p->Frames(1);
    EXPECT_EQ(p->player->Stage().currentFrame, 1u);
    EXPECT_NE(p->player->Stage().ChildAtDepth(4), nullptr);

    p->scripts->KeyDown(32, 32);
    p->Frames(1);
    EXPECT_EQ(p->player->Stage().currentFrame, 2u);
    EXPECT_NE(p->player->Stage().ChildAtDepth(5), nullptr);
}

// The focus rectangle the frame draws: the box of its yellow fill, or nullopt when none shows.
std::optional<raster::Rect> FocusFrame(playback::Player& player) {
    raster::DrawList list;
    player.BuildDrawList(list, 100, 100);
    const raster::Color yellow{255, 255, 0, 255};
    for (const raster::DrawCommand& c : list.Commands())
        if (c.kind == raster::DrawCommand::Kind::Fill && c.paint.kind == raster::Paint::Kind::Solid &&
            c.paint.color == yellow)
            return c.path->Bounds();
    return std::nullopt;
}

TEST(PlayerScripts, TabShowsTheFocusRectangleUntilThePointerOrALeftOrRightButtonActs) {
    Asm a;
    SetMember(a, "box", "tabEnabled", 1);
    // The box spans 1.5 .. 201.5 pixels: the frame's sides go to the nearest pixel edges.
    auto p = Play(moviebytes::Movie({kBoxShape, BoxSprite(), moviebytes::Place(1, 2, 30, 30, "box"),
                                     moviebytes::DoAction(Code(a)), moviebytes::ShowFrame()}));
    p->Frames(1);
    EXPECT_FALSE(FocusFrame(*p->player));
    struct Step {
        const char* what;
        std::function<void(Played&)> act;
        bool shown;
    };
    const Step steps[] = {
        {"tab", [](Played& q) { q.scripts->KeyDown(9, 9); }, true},
        {"pointer moves", [](Played& q) { q.player->MouseMove(50, 50); }, false},
        {"tab again, the focus staying on the only stop", [](Played& q) { q.scripts->KeyDown(9, 9); }, true},
        {"middle button", [](Played& q) { q.scripts->MouseButton(4, true); }, true},
        {"right button", [](Played& q) { q.scripts->MouseButton(2, true); }, false},
        {"tab", [](Played& q) { q.scripts->KeyDown(9, 9); }, true},
        {"left button", [](Played& q) { q.player->MouseDown(50, 50); }, false},
        {"tab", [](Played& q) { q.scripts->KeyDown(9, 9); }, true},
        {"window loses the keyboard", [](Played& q) { q.scripts->WindowFocusLost(); }, false},
    };
    for (const Step& s : steps) {
        s.act(*p);
        const std::optional<raster::Rect> frame = FocusFrame(*p->player);
        ASSERT_EQ(frame.has_value(), s.shown) << s.what;
        if (frame) {
            EXPECT_EQ(frame->xMin, 2) << s.what;
            EXPECT_EQ(frame->yMin, 2) << s.what;
            EXPECT_EQ(frame->xMax, 202) << s.what;
            EXPECT_EQ(frame->yMax, 202) << s.what;
        }
    }
}

TEST(PlayerScripts, SetFocusShowsTheFocusRectangleUntilTheObjectGoes) {
    Asm a;  // box.focusEnabled = true; Selection.setFocus("box")
    SetMember(a, "box", "focusEnabled", 1);
    TraceSelection(a, "setFocus", {"box"});
    auto p = Play(moviebytes::Movie({kBoxShape, BoxSprite(), moviebytes::Place(1, 2, 0, 0, "box"),
                                     moviebytes::DoAction(Code(a)), moviebytes::ShowFrame()}));
    p->Frames(1);
    EXPECT_EQ(p->lines, (std::vector<std::string>{"true"}));
    EXPECT_TRUE(FocusFrame(*p->player));
    p->player->RemoveObject(*p->Child("box"));
    EXPECT_FALSE(FocusFrame(*p->player));  // gone with the object
}

}  // namespace
}  // namespace script
