// Playback: the frame loop's order, go-to and labels, the draw list's masks and layers, the
// stage's scale modes and buttons driven by the mouse, on movies made by hand.
#include "MovieBytes.h"
#include "playback/Player.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace moviebytes;
using Kind = raster::DrawCommand::Kind;

struct Played {
    std::unique_ptr<playback::Player> player;
    std::vector<std::string> calls;  // fscommand texts in the order they ran
};

Played Play(const Bytes& file) {
    auto m = movie::ReadMovie(file.data(), file.size());
    EXPECT_TRUE(m);
    Played p;
    p.player = std::make_unique<playback::Player>(std::make_shared<const movie::Movie>(std::move(*m)));
    auto* calls = &p.calls;
    p.player->SetFsCommandHandler(
        [calls](const std::string& c, const std::string& a) { calls->push_back(c + ":" + a); });
    return p;
}

Bytes Mark(const std::string& what) {
    return DoAction(ActionGetUrl("FSCommand:mark", what));
}

std::vector<Kind> Kinds(const raster::DrawList& list) {
    std::vector<Kind> kinds;
    for (const auto& c : list.Commands())
        kinds.push_back(c.kind);
    return kinds;
}

// A clip event handler that marks what ran.
moviebytes::ClipEvent MarkOn(uint32_t flags, const std::string& what) {
    return {flags, ActionGetUrl("FSCommand:mark", what)};
}

// The frame loop's order: every clip, the newest first and the stage last, queues its
// enterFrame event and steps its timeline; a clip a step places enters its first frame where
// its place op stands among the frame's actions; the queue runs after the whole walk.
struct OrderCase {
    const char* what;
    std::vector<Bytes> tags;
    int frames;
    std::vector<std::string> marks;
};

TEST(FrameLoop, RunsClipsNewestFirstAndActionsInTheFilesOrder) {
    const Bytes twoFrames = DefineSprite(2, 2, {Mark("a0"), ShowFrame(), Mark("a1"), ShowFrame()});
    const Bytes oneFrame = DefineSprite(3, 1, {Mark("b0"), ShowFrame()});
    const std::vector<OrderCase> cases = {
        {"a placed clip's first frame runs where its place op stands, then it steps before the stage",
         {twoFrames, Mark("root0"), Place(1, 2, 0, 0, "a"), Mark("root0b"), ShowFrame(), Mark("root1"), ShowFrame()},
         3,
         {"root0", "a0", "root0b", "a1", "root1", "a0", "root0", "root0b"}},
        {"a clip placed later runs its first frame once, at its place",
         {oneFrame, Mark("first"), ShowFrame(), Place(1, 3), Mark("second"), ShowFrame(), DoAction(ActionStop()),
          ShowFrame()},
         4,
         {"first", "b0", "second"}},
        {"siblings step from the one placed last, whatever their depths",
         {twoFrames, DefineSprite(4, 2, {Mark("c0"), ShowFrame(), Mark("c1"), ShowFrame()}), Place(2, 2, 0, 0, "a"),
          Place(1, 4, 0, 0, "c"), DoAction(ActionStop()), ShowFrame()},
         2,
         {"a0", "c0", "c1", "a1"}},
        {"enterFrame of a clip comes before the actions its parent's step queues",
         {oneFrame, PlaceWithClipEvents(1, 3, {MarkOn(0x02, "enter"), MarkOn(0x01, "load")}), ShowFrame(),
          Mark("root1"), DoAction(ActionStop()), ShowFrame()},
         2,
         {"load", "b0", "enter", "root1"}},
        {"a clip the stage's step removes does not hear the enterFrame it queued",
         {oneFrame, PlaceWithClipEvents(1, 3, {MarkOn(0x02, "enter"), MarkOn(0x04, "unload")}), ShowFrame(),
          ShowFrame(), Remove(1), Mark("root2"), DoAction(ActionStop()), ShowFrame()},
         3,
         {"b0", "enter", "unload", "root2"}},
    };
    for (const OrderCase& c : cases) {
        Played p = Play(Movie(c.tags));
        for (int i = 0; i < c.frames; ++i)
            p.player->AdvanceFrame();
        std::vector<std::string> want;
        for (const std::string& m : c.marks)
            want.push_back("mark:" + m);
        EXPECT_EQ(p.calls, want) << c.what;
    }
}

TEST(FrameLoop, AClipPlacedOnTheFirstFrameStaysTheSameObjectThroughTheLoop) {
    Played p =
        Play(Movie({DefineSprite(2, 2, {ShowFrame(), ShowFrame()}), Place(1, 2, 0, 0, "a"), ShowFrame(), ShowFrame()}));
    p.player->AdvanceFrame();
    const playback::DisplayObject* first = p.player->Stage().children.at(0).get();
    for (int i = 0; i < 3; ++i)
        p.player->AdvanceFrame();
    ASSERT_EQ(p.player->Stage().children.size(), 1u);
    EXPECT_EQ(p.player->Stage().children[0].get(), first);
}

TEST(FrameLoop, GotoLabelRunsTheTargetFrameAndStops) {
    const Bytes file = Movie({
        DoAction(ActionGotoLabel("third")),
        ShowFrame(),
        Mark("second"),
        ShowFrame(),
        Label("third"),
        Mark("third"),
        ShowFrame(),
    });
    Played p = Play(file);
    p.player->AdvanceFrame();
    EXPECT_EQ(p.player->Stage().currentFrame, 2u);
    EXPECT_FALSE(p.player->Stage().playing);
    p.player->AdvanceFrame();
    EXPECT_EQ(p.player->Stage().currentFrame, 2u);
    EXPECT_EQ(p.calls, (std::vector<std::string>{"mark:third"}));
}

TEST(FrameLoop, GoingBackRebuildsTheDisplayList) {
    const Bytes file = Movie({
        RectShape(1, {{0, 0, 100, 100, 255, 0, 0}}),
        RectShape(2, {{0, 0, 100, 100, 0, 255, 0}}),
        Place(1, 1),
        ShowFrame(),
        Remove(1),
        Place(2, 2),
        ShowFrame(),
        DoAction(Concat({ActionGotoFrame(0)})),
        ShowFrame(),
    });
    Played p = Play(file);
    p.player->AdvanceFrame();
    p.player->AdvanceFrame();
    ASSERT_EQ(p.player->Stage().children.size(), 1u);
    EXPECT_EQ(p.player->Stage().children[0]->characterId, 2);
    p.player->AdvanceFrame();  // frame 3 goes to frame 1 and stops there
    EXPECT_EQ(p.player->Stage().currentFrame, 0u);
    ASSERT_EQ(p.player->Stage().children.size(), 1u);
    EXPECT_EQ(p.player->Stage().children[0]->characterId, 1);
    EXPECT_EQ(p.player->Stage().children[0]->depth, 1);
}

TEST(FrameLoop, SetTargetSendsActionsToANamedClip) {
    const Bytes file = Movie({
        DefineSprite(2, 3, {Mark("c0"), ShowFrame(), Mark("c1"), ShowFrame(), Mark("c2"), ShowFrame()}),
        Place(1, 2, 0, 0, "kid"),
        DoAction(Concat({{0x8B, 4, 0, 'k', 'i', 'd', 0}, ActionGotoFrame(2), {0x8B, 1, 0, 0}, ActionStop()})),
        ShowFrame(),
        ShowFrame(),
    });
    Played p = Play(file);
    p.player->AdvanceFrame();
    const auto& kid = *p.player->Stage().children[0];
    EXPECT_EQ(kid.currentFrame, 2u);
    EXPECT_FALSE(kid.playing);
    EXPECT_FALSE(p.player->Stage().playing);
    // The clip placed this frame runs its own first frame before the frame it was sent to.
    EXPECT_EQ(p.calls, (std::vector<std::string>{"mark:c0", "mark:c2"}));
}

TEST(FrameLoop, ASpriteThatPlacesItselfStopsAtTheTreeLimit) {
    const Bytes file = Movie({DefineSprite(2, 1, {Place(1, 2), ShowFrame()}), Place(1, 2), ShowFrame()});
    Played p = Play(file);
    p.player->AdvanceFrame();
    int depth = 0;
    for (const playback::DisplayObject* o = &p.player->Stage(); !o->children.empty(); o = o->children[0].get())
        ++depth;
    EXPECT_GT(depth, 4);
    EXPECT_LT(depth, 100);
}

size_t CountObjects(const playback::DisplayObject& o) {
    size_t n = 1;
    for (const auto& c : o.children)
        n += CountObjects(*c);
    return n;
}

TEST(FrameLoop, ASpriteThatPlacesItselfTwiceStopsAtTheObjectLimit) {
    const Bytes file = Movie({DefineSprite(2, 1, {Place(1, 2), Place(2, 2), ShowFrame()}), Place(1, 2), ShowFrame()});
    Played p = Play(file);
    p.player->AdvanceFrame();
    p.player->AdvanceFrame();
    const size_t n = CountObjects(p.player->Stage());
    EXPECT_GT(n, 1000u);
    EXPECT_LE(n, 100001u);
    raster::DrawList list;
    p.player->BuildDrawList(list, 10, 10);
}

TEST(DrawList, MasksByClipDepthNestAndEnd) {
    // Depth 1 masks up to 4, depth 2 masks up to 3 (inside the first), then 3, 4 and 5.
    std::vector<Bytes> tags = {RectShape(1, {{0, 0, 100, 100, 255, 0, 0}})};
    tags.push_back(Place(1, 1, 0, 0, "", 4));
    tags.push_back(Place(2, 1, 0, 0, "", 3));
    tags.push_back(Place(3, 1));
    tags.push_back(Place(4, 1));
    tags.push_back(Place(5, 1));
    tags.push_back(ShowFrame());
    Played p = Play(Movie(tags));
    p.player->AdvanceFrame();
    raster::DrawList list;
    p.player->BuildDrawList(list, 100, 100);
    // The masked objects draw into a layer of their own, which the mask cuts as a whole.
    const std::vector<Kind> want = {Kind::BeginMask, Kind::Fill,     Kind::EndMaskShape, Kind::PushLayer,
                                    Kind::BeginMask, Kind::Fill,     Kind::EndMaskShape, Kind::PushLayer,
                                    Kind::Fill,      Kind::PopLayer, Kind::PopMask,      Kind::Fill,
                                    Kind::PopLayer,  Kind::PopMask,  Kind::Fill};
    EXPECT_EQ(Kinds(list), want);
}

TEST(DrawList, BlendModeBecomesALayerAndMatricesMultiply) {
    Played p = Play(
        Movie({RectShape(1, {{0, 0, 100, 100, 255, 0, 0}}), PlaceBlend(1, 1, 3), Place(2, 1, 200, 400), ShowFrame()},
              50, 50));
    p.player->AdvanceFrame();
    raster::DrawList list;
    p.player->BuildDrawList(list, 100, 100);  // twice the stage: 1/10 pixel per twip
    ASSERT_EQ(Kinds(list), (std::vector<Kind>{Kind::PushLayer, Kind::Fill, Kind::PopLayer, Kind::Fill}));
    EXPECT_EQ(list.Commands()[0].layer.blend, raster::BlendMode::Multiply);
    const raster::Matrix& m = list.Commands()[3].matrix;
    EXPECT_DOUBLE_EQ(m.a, 0.1);
    EXPECT_DOUBLE_EQ(m.tx, 20);
    EXPECT_DOUBLE_EQ(m.ty, 40);
    EXPECT_EQ(list.Commands()[3].paint.color, (raster::Color{255, 0, 0, 255}));
}

TEST(DrawList, FiltersMakeALayerInStagePixelsAtWholePixels) {
    // A 10 x 10 pixel square at (1.75, 1.75) pixels, scaled 3 times by its own matrix, on a
    // stage shown at twice its size.
    Played p =
        Play(Movie({RectShape(1, {{0, 0, 200, 200, 255, 0, 0}}), Place(1, 1, 35, 35, "box"), ShowFrame()}, 50, 50));
    p.player->AdvanceFrame();
    playback::DisplayObject* box = p.player->FindTarget(p.player->Stage(), "box");
    ASSERT_TRUE(box);
    box->matrix.a = box->matrix.d = 3;
    movie::FilterDef glow;
    glow.kind = movie::FilterKind::Glow;
    glow.blurX = 4;
    glow.blurY = 2;
    glow.colors = {{{0, 0, 255, 255}, 255}};
    const uint64_t before = p.player->SceneVersion();
    p.player->SetFilters(*box, {glow});
    EXPECT_NE(p.player->SceneVersion(), before) << "a new filter list is a new scene";

    raster::DrawList list;
    p.player->BuildDrawList(list, 100, 100);
    ASSERT_EQ(Kinds(list), (std::vector<Kind>{Kind::PushLayer, Kind::Fill, Kind::PopLayer}));
    const raster::LayerOptions& layer = list.Commands()[0].layer;
    ASSERT_EQ(layer.filters.count, 1);
    const raster::Filter& f = layer.filters.filters[0];
    EXPECT_EQ(f.kind, raster::FilterKind::Shadow);
    EXPECT_FLOAT_EQ(f.blurX, 8) << "the stage's scale, not the object's";
    EXPECT_FLOAT_EQ(f.blurY, 4);
    EXPECT_EQ(f.colors[f.stopCount - 1], (raster::Color{0, 0, 255, 255}));
    // The square lands at 3.5 device pixels, floored to 3, and spans 60; the layer reaches as
    // far as the blur adds.
    const raster::Matrix& m = list.Commands()[1].matrix;
    EXPECT_DOUBLE_EQ(m.tx, 3);
    EXPECT_DOUBLE_EQ(m.a, 0.3);
    EXPECT_LT(layer.bounds.xMin, 3.0f);
    EXPECT_GT(layer.bounds.xMax, 63.0f);

    p.player->SetFilters(*box, {});
    p.player->BuildDrawList(list, 100, 100);
    EXPECT_EQ(Kinds(list), (std::vector<Kind>{Kind::Fill})) << "no filters, no layer";
}

TEST(DrawList, SteadySceneKeepsTheSameCommands) {
    Played p = Play(Movie({RectShape(1, {{0, 0, 100, 100, 1, 2, 3}}), Place(1, 1), ShowFrame()}));
    p.player->AdvanceFrame();
    raster::DrawList list;
    p.player->BuildDrawList(list, 100, 100);
    const raster::Path* first = list.Commands()[0].path;
    p.player->AdvanceFrame();
    p.player->BuildDrawList(list, 100, 100);
    ASSERT_EQ(list.Commands().size(), 1u);
    EXPECT_EQ(list.Commands()[0].path, first) << "shapes are converted once and cached";
}

struct ScaleCase {
    playback::ScaleMode mode;
    raster::Matrix want;
};

TEST(Stage, ScaleModesPlaceAHundredByFiftyStageInASquare) {
    const movie::TwipsRect stage{0, 2000, 0, 1000};
    const ScaleCase cases[] = {
        {playback::ScaleMode::ShowAll, {0.1, 0, 0, 0.1, 0, 50}},
        {playback::ScaleMode::NoBorder, {0.2, 0, 0, 0.2, -100, 0}},
        {playback::ScaleMode::ExactFit, {0.1, 0, 0, 0.2, 0, 0}},
        {playback::ScaleMode::NoScale, {0.05, 0, 0, 0.05, 50, 75}},
    };
    for (const ScaleCase& c : cases) {
        const raster::Matrix m = playback::StageMatrix(stage, c.mode, 200, 200);
        EXPECT_EQ(m, c.want) << int(c.mode);
    }
}

// The same stage in a window twice as wide and twice as tall as the shown stage needs: the
// alignment flags keep it to the edges they name and centre it on an axis without one.
TEST(Stage, AlignmentKeepsTheStageToItsEdges) {
    const movie::TwipsRect stage{0, 2000, 0, 1000};  // 100 x 50 pixels
    struct AlignCase {
        uint8_t align;
        double tx, ty;
    };
    const AlignCase cases[] = {
        {playback::kAlignCentre, 50, 75},
        {playback::kAlignLeft, 0, 75},
        {playback::kAlignRight, 100, 75},
        {playback::kAlignTop | playback::kAlignLeft, 0, 0},
        {playback::kAlignBottom | playback::kAlignRight, 100, 150},
        {playback::kAlignLeft | playback::kAlignRight | playback::kAlignTop | playback::kAlignBottom, 0, 0},
    };
    for (const AlignCase& c : cases) {
        const raster::Matrix m = playback::StageMatrix(stage, playback::ScaleMode::NoScale, 200, 200, c.align);
        EXPECT_EQ(m, (raster::Matrix{0.05, 0, 0, 0.05, c.tx, c.ty})) << int(c.align);
    }
    // ShowAll fills the width of a square window with this stage: only the vertical flags count.
    EXPECT_EQ(playback::StageMatrix(stage, playback::ScaleMode::ShowAll, 200, 200, playback::kAlignBottom),
              (raster::Matrix{0.1, 0, 0, 0.1, 0, 100}));
}

TEST(Stage, SceneVersionChangesWithTheTreeAndThePlacement) {
    Played p = Play(Movie({RectShape(1, {{0, 0, 100, 100, 255, 0, 0}}), Place(1, 1), ShowFrame(), ShowFrame()}));
    const uint64_t before = p.player->SceneVersion();
    p.player->AdvanceFrame();
    const uint64_t placed = p.player->SceneVersion();
    EXPECT_NE(placed, before);
    p.player->SetAlignment(playback::kAlignLeft);
    const uint64_t aligned = p.player->SceneVersion();
    EXPECT_NE(aligned, placed);
    p.player->SetAlignment(playback::kAlignLeft);  // no change
    p.player->SetScaleMode(playback::ScaleMode::ShowAll);
    EXPECT_EQ(p.player->SceneVersion(), aligned);
    p.player->SetScaleMode(playback::ScaleMode::ExactFit);
    EXPECT_NE(p.player->SceneVersion(), aligned);
}

TEST(Buttons, MouseDrivesStatesAndTheReleaseAction) {
    // Up: shape 1, over: shape 2, down: shape 3, hit: shape 4 over the left half of the stage.
    const Bytes file = Movie({
        RectShape(1, {{0, 0, 1000, 2000, 255, 0, 0}}),
        RectShape(2, {{0, 0, 1000, 2000, 0, 255, 0}}),
        RectShape(3, {{0, 0, 1000, 2000, 0, 0, 255}}),
        RectShape(4, {{0, 0, 1000, 2000, 0, 0, 0}}),
        DefineButton2(5, {{0x01, 1, 1}, {0x02, 2, 1}, {0x04, 3, 1}, {0x08, 4, 1}},
                      {{0x0008, ActionGetUrl("FSCommand:clicked", "")}, {0x0001, ActionGetUrl("FSCommand:over", "")}}),
        Place(1, 5),
        ShowFrame(),
    });
    Played p = Play(file);
    p.player->AdvanceFrame();
    const playback::DisplayObject& b = *p.player->Stage().children[0];
    auto shown = [&] { return b.children.empty() ? 0 : b.children[0]->characterId; };
    EXPECT_EQ(shown(), 1);
    p.player->MouseMove(80, 50);  // outside the hit area
    EXPECT_EQ(shown(), 1);
    EXPECT_FALSE(p.player->HandCursor());
    p.player->MouseMove(20, 50);
    EXPECT_EQ(shown(), 2);
    EXPECT_TRUE(p.player->HandCursor());
    p.player->MouseDown(20, 50);
    EXPECT_EQ(shown(), 3);
    p.player->MouseUp(20, 50);
    EXPECT_EQ(shown(), 2);
    p.player->MouseMove(90, 90);
    EXPECT_EQ(shown(), 1);
    EXPECT_EQ(p.calls, (std::vector<std::string>{"over:", "clicked:"}));
    // Pressed inside and released outside: no click.
    p.player->MouseMove(20, 50);
    p.player->MouseDown(20, 50);
    p.player->MouseUp(90, 50);
    EXPECT_EQ(shown(), 1);
    EXPECT_EQ(p.calls.size(), 3u);
}

}  // namespace

namespace strokes {

// DefineShape4 with one line style (width in twips, LINESTYLE2 flags byte pair) and one edge.
Bytes LineShape(uint16_t id, uint16_t width, bool noScale) {
    BitWriter w;
    w.U16(id);
    Rect(w, 0, 2000, 0, 2000);
    Rect(w, 0, 2000, 0, 2000);
    w.U8(0);  // flags
    w.U8(0);  // no fills
    w.U8(1);  // one line style
    w.U16(width);
    // Round caps and join, no fill, horizontal and vertical no-scale, no hinting, no-close 0,
    // round end cap.
    w.Bits(0, 2);
    w.Bits(0, 2);
    w.Bits(0, 1);
    w.Bits(noScale, 1);
    w.Bits(noScale, 1);
    w.Bits(0, 1);
    w.Bits(0, 5);
    w.Bits(0, 1);
    w.Bits(0, 2);
    w.U8(0);
    w.U8(0);
    w.U8(0);
    w.U8(255);
    w.Bits(0, 4);  // fill bits
    w.Bits(1, 4);  // line bits
    StyleChange(w, 0, 0, -1, -1, 1, 1);
    StraightEdge(w, 1000, 0);
    w.Bits(0, 6);
    w.Align();
    return Tag(83, w.out);
}

TEST(DrawList, LineWidthsInTwipsOrInPixelsWhenNothingScalesThem) {
    Played p = Play(Movie({LineShape(1, 40, false), LineShape(2, 40, true), Place(1, 1), Place(2, 2), ShowFrame()}));
    p.player->AdvanceFrame();
    raster::DrawList list;
    p.player->BuildDrawList(list, 100, 100);
    ASSERT_EQ(Kinds(list), (std::vector<Kind>{Kind::Stroke, Kind::Stroke}));
    EXPECT_FLOAT_EQ(list.Commands()[0].stroke.width, 40);  // twips, scaled by the matrix
    EXPECT_TRUE(list.Commands()[0].stroke.scaleX);
    EXPECT_FLOAT_EQ(list.Commands()[1].stroke.width, 2);  // pixels
    EXPECT_FALSE(list.Commands()[1].stroke.scaleX);
    EXPECT_FALSE(list.Commands()[1].stroke.scaleY);
}

}  // namespace strokes

namespace {

TEST(FrameLoop, UnnamedClipsAndTextFieldsShareOneInstanceCount) {
    // A DefineEditText record (id 5) with a variable name and text, as TextFieldTest reads it.
    const Bytes field = {0x05, 0x00, 0x60, 0x00, 0x3E, 0x80, 0x00, 0x0C, 0x80, 0xE7, 0x22, 0x01,
                         0x00, 0xF0, 0x00, 0xFF, 0x00, 0x00, 0xFF, 0x0A, 0x00, 0x02, 0x00, 0x00,
                         0x00, 0x00, 0x00, 0x00, 0x28, 0x00, 'v',  0,    'h',  'i',  0};
    Played p = Play(Movie({DefineSprite(2, 1, {ShowFrame()}), Tag(37, field), Place(1, 2), Place(2, 5),
                           Place(3, 2, 0, 0, "named"), ShowFrame()}));
    p.player->AdvanceFrame();
    const auto& kids = p.player->Stage().children;
    ASSERT_EQ(kids.size(), 3u);
    EXPECT_EQ(kids[0]->name, "instance1");
    EXPECT_EQ(kids[1]->kind, playback::ObjectKind::Text);
    EXPECT_EQ(kids[1]->name, "instance2");
    EXPECT_EQ(kids[2]->name, "named");
}

}  // namespace
