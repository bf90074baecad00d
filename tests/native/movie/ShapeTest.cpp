// Shapes: edge records rebuilt into closed loops per fill style and polylines per line style,
// morphs interpolated, and what a cut-short shape keeps.
#include "MovieBytes.h"
#include "movie/Shape.h"

#include <gtest/gtest.h>

namespace {

using namespace moviebytes;
using movie::Outline;
using movie::StyledEdge;
using movie::Vec2;

StyledEdge Line(float x0, float y0, float x1, float y1, uint32_t fill0, uint32_t fill1, uint32_t line = 0) {
    StyledEdge e;
    e.from = {x0, y0};
    e.to = {x1, y1};
    e.control = {(x0 + x1) / 2, (y0 + y1) / 2};
    e.fill0 = fill0;
    e.fill1 = fill1;
    e.line = line;
    return e;
}

// Sub-paths of an outline as point lists (the Move point first), and whether each was closed
// back onto its start.
struct Loop {
    std::vector<Vec2> points;
    bool closedOnStart = false;
};
std::vector<Loop> Loops(const Outline& o) {
    std::vector<Loop> loops;
    size_t pi = 0;
    for (Outline::Verb v : o.verbs) {
        switch (v) {
        case Outline::Verb::Move:
            loops.push_back({{o.points[pi++]}});
            break;
        case Outline::Verb::Line:
            loops.back().points.push_back(o.points[pi++]);
            break;
        case Outline::Verb::Quad:
            pi++;
            loops.back().points.push_back(o.points[pi++]);
            break;
        case Outline::Verb::Close:
            loops.back().closedOnStart = loops.back().points.back() == loops.back().points.front();
            break;
        }
    }
    return loops;
}

// Twice the signed area of a loop: its sign tells which way round it runs.
double Area2(const Loop& l) {
    double a = 0;
    for (size_t i = 0; i + 1 < l.points.size(); ++i)
        a += double(l.points[i].x) * l.points[i + 1].y - double(l.points[i + 1].x) * l.points[i].y;
    return a;
}

TEST(ShapeGeometry, SquareSplitByASharedEdgeGivesTwoClosedLoops) {
    // A 100 x 100 square cut in two at x = 50, drawn as a writer would: the outline in pieces
    // with the left half's fill (1) and the right half's (2) on their inner side, and the middle
    // edge carrying fill 1 on its left and fill 2 on its right.
    std::vector<StyledEdge> edges = {
        Line(0, 0, 50, 0, 0, 1),       Line(50, 0, 100, 0, 0, 2),   Line(100, 0, 100, 100, 0, 2),
        Line(100, 100, 50, 100, 0, 2), Line(50, 100, 0, 100, 0, 1), Line(0, 100, 0, 0, 0, 1),
        Line(50, 0, 50, 100, 2, 1),
    };
    const movie::ShapeGeometry g = movie::BuildGeometry(edges, 2, 0, {});
    ASSERT_EQ(g.draws.size(), 2u);
    double areas[2];
    for (int f = 0; f < 2; ++f) {
        EXPECT_FALSE(g.draws[f].stroke);
        EXPECT_EQ(g.draws[f].style, uint32_t(f));
        const auto loops = Loops(g.draws[f].outline);
        ASSERT_EQ(loops.size(), 1u) << "fill " << f;
        EXPECT_TRUE(loops[0].closedOnStart) << "fill " << f;
        EXPECT_EQ(loops[0].points.size(), 5u);
        areas[f] = Area2(loops[0]);
        EXPECT_DOUBLE_EQ(std::abs(areas[f]), 2 * 5000.0);
    }
    EXPECT_GT(areas[0] * areas[1], 0) << "both halves must run the same way round";
}

TEST(ShapeGeometry, EdgesOutOfOrderAndReversedStillJoin) {
    // A triangle whose edges come in any order, one of them stored the other way round with
    // the fill on its other side.
    std::vector<StyledEdge> edges = {Line(100, 0, 50, 80, 0, 1), Line(0, 0, 100, 0, 0, 1), Line(0, 0, 50, 80, 1, 0)};
    const auto g = movie::BuildGeometry(edges, 1, 0, {});
    ASSERT_EQ(g.draws.size(), 1u);
    const auto loops = Loops(g.draws[0].outline);
    ASSERT_EQ(loops.size(), 1u);
    EXPECT_TRUE(loops[0].closedOnStart);
    EXPECT_EQ(loops[0].points.size(), 4u);
}

TEST(ShapeGeometry, LinesBecomeOpenPolylinesPerStyle) {
    std::vector<StyledEdge> edges = {Line(0, 0, 10, 0, 0, 0, 1), Line(10, 0, 10, 10, 0, 0, 1),
                                     Line(50, 50, 60, 50, 0, 0, 2), Line(30, 30, 40, 40, 0, 0, 1)};
    const auto g = movie::BuildGeometry(edges, 0, 2, {});
    ASSERT_EQ(g.draws.size(), 2u);
    const auto first = Loops(g.draws[0].outline);
    ASSERT_EQ(first.size(), 2u);  // a jump starts a new polyline
    EXPECT_EQ(first[0].points.size(), 3u);
    EXPECT_FALSE(first[0].closedOnStart);
    EXPECT_EQ(g.draws[1].style, 1u);
    EXPECT_TRUE(g.draws[1].stroke);
}

TEST(ShapeGeometry, APolylineBackAtItsStartIsClosed) {
    std::vector<StyledEdge> edges = {Line(0, 0, 10, 0, 0, 0, 1), Line(10, 0, 10, 10, 0, 0, 1),
                                     Line(10, 10, 0, 0, 0, 0, 1), Line(50, 50, 60, 50, 0, 0, 1)};
    const auto g = movie::BuildGeometry(edges, 0, 1, {});
    ASSERT_EQ(g.draws.size(), 1u);
    const auto& verbs = g.draws[0].outline.verbs;
    EXPECT_EQ(std::count(verbs.begin(), verbs.end(), Outline::Verb::Close), 1);
    EXPECT_EQ(verbs[4], Outline::Verb::Close);  // after Move and three Lines
    EXPECT_EQ(verbs.back(), Outline::Verb::Line);
}

TEST(ShapeGeometry, SameFillOnBothSidesAddsNoEdge) {
    std::vector<StyledEdge> edges = {Line(0, 0, 10, 0, 1, 1)};
    EXPECT_TRUE(movie::BuildGeometry(edges, 1, 0, {}).draws.empty());
}

TEST(DefineShape, ReadsStylesAndEdgesOfHandMadeTag) {
    const Bytes tag = RectShape(7, {{0, 0, 200, 100, 255, 0, 0}, {300, 0, 400, 100, 0, 0, 255}});
    const auto shape = movie::ReadDefineShape(tag.data() + 2, tag.size() - 2, 1);
    ASSERT_TRUE(shape);
    EXPECT_EQ(shape->id, 7);
    EXPECT_FALSE(shape->truncated);
    ASSERT_EQ(shape->fills.size(), 2u);
    EXPECT_EQ(shape->fills[1].color, (movie::Rgba{0, 0, 255, 255}));
    ASSERT_EQ(shape->edges.size(), 8u);
    EXPECT_EQ(shape->edges[5].from, (Vec2{400, 0}));
    EXPECT_EQ(shape->edges[5].to, (Vec2{400, 100}));
    ASSERT_EQ(shape->geometry.draws.size(), 2u);
    EXPECT_TRUE(Loops(shape->geometry.draws[1].outline)[0].closedOnStart);
}

TEST(DefineShape, CutShortKeepsTheEdgesBeforeTheCut) {
    const Bytes tag = RectShape(7, {{0, 0, 200, 100, 255, 0, 0}, {300, 0, 400, 100, 0, 0, 255}});
    const Bytes body(tag.begin() + 2, tag.end());
    // Every cut after the styles gives a truncated shape holding fewer edges, never a crash.
    size_t lastEdges = 8;
    for (size_t cut = body.size() - 1; cut > 12; --cut) {
        const auto shape = movie::ReadDefineShape(body.data(), cut, 1);
        ASSERT_TRUE(shape) << cut;
        EXPECT_TRUE(shape->truncated) << cut << " of " << body.size();
        EXPECT_LE(shape->edges.size(), lastEdges) << cut;
        lastEdges = shape->edges.size();
    }
    EXPECT_LT(lastEdges, 8u);
}

TEST(DefineShape, UnknownFillTypeIsAnError) {
    BitWriter w;
    w.U16(1);
    Rect(w, 0, 10, 0, 10);
    w.U8(1);
    w.U8(0x77);  // no such fill type
    const auto shape = movie::ReadDefineShape(w.out.data(), w.out.size(), 1);
    ASSERT_TRUE(shape);
    EXPECT_TRUE(shape->truncated);
    EXPECT_TRUE(shape->geometry.draws.empty());
}

TEST(MorphShape, InterpolatesEdgesAndColoursByRatio) {
    movie::MorphShapeDef m;
    movie::FillStyle a, b;
    a.color = {0, 0, 0, 255};
    b.color = {200, 100, 0, 255};
    m.startFills = {a};
    m.endFills = {b};
    m.startEdges = {Line(0, 0, 100, 0, 0, 1), Line(100, 0, 0, 100, 0, 1), Line(0, 100, 0, 0, 0, 1)};
    m.endEdges = {Line(0, 0, 300, 0, 0, 1), Line(300, 0, 0, 300, 0, 1), Line(0, 300, 0, 0, 0, 1)};
    const movie::MorphFrame half = movie::InterpolateMorph(m, 32768);
    ASSERT_EQ(half.fills.size(), 1u);
    EXPECT_NEAR(half.fills[0].color.r, 100, 1);
    EXPECT_NEAR(half.fills[0].color.g, 50, 1);
    ASSERT_EQ(half.geometry.draws.size(), 1u);
    const auto loops = Loops(half.geometry.draws[0].outline);
    ASSERT_EQ(loops.size(), 1u);
    EXPECT_TRUE(loops[0].closedOnStart);
    EXPECT_NEAR(loops[0].points[1].x, 200, 0.01);
    const movie::MorphFrame end = movie::InterpolateMorph(m, 65535);
    EXPECT_EQ(end.fills[0].color, b.color);
}

}  // namespace
