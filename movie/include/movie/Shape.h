// Shapes of a movie (DefineShape 1-4 and DefineMorphShape 1-2): their fill and line styles, and
// their edges rebuilt into outlines ready to draw. Each fill style gets closed loops made of the
// edges that carry it on either side, all turned the same way round; each line style gets open
// polylines. Coordinates are twips. Portable.
#pragma once

#include "movie/BitReader.h"
#include "movie/Records.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace movie {

// Edges a single shape (or either half of a morph) may hold; beyond it the shape is cut.
constexpr size_t kMaxEdgesPerShape = 1u << 20;

struct GradientStopDef {
    uint8_t ratio = 0;
    Rgba color;
};

struct GradientDef {
    uint8_t spread = 0;         // 0 pad, 1 reflect, 2 repeat
    uint8_t interpolation = 0;  // 0 RGB, 1 linear RGB
    float focal = 0;            // focal gradients only, -1..1
    std::vector<GradientStopDef> stops;
};

struct FillStyle {
    enum class Kind : uint8_t { Solid, Linear, Radial, Focal, Bitmap };
    Kind kind = Kind::Solid;
    Rgba color;
    Matrix2D matrix;  // gradient square (-16384..16384) or bitmap pixels to shape twips
    GradientDef gradient;
    uint16_t bitmapId = 0;
    bool bitmapRepeat = true;
    bool bitmapSmooth = true;
};

struct LineStyle {
    uint16_t width = 0;  // twips; 0 is a hairline
    Rgba color;
    uint8_t startCap = 0, endCap = 0;  // 0 round, 1 none, 2 square
    uint8_t join = 0;                  // 0 round, 1 bevel, 2 miter
    float miterLimit = 3;
    bool noHScale = false, noVScale = false, pixelHinting = false, noClose = false;
    bool hasFill = false;
    FillStyle fill;  // when hasFill
};

struct Vec2 {
    float x = 0, y = 0;
    bool operator==(const Vec2&) const = default;
};

// One edge with the styles on its two sides and its line, as indices into the shape's style
// lists counted from 1 (0: none).
struct StyledEdge {
    Vec2 from, control, to;
    bool curve = false;
    uint32_t fill0 = 0, fill1 = 0, line = 0;
};

// A path in twips: Move starts a sub-path, Quad takes a control and an end point.
struct Outline {
    enum class Verb : uint8_t { Move, Line, Quad, Close };
    std::vector<Verb> verbs;
    std::vector<Vec2> points;
    bool Empty() const { return verbs.empty(); }
};

// One thing to draw, in the order the shape draws them: a style group's fills, then its lines.
struct ShapeDraw {
    bool stroke = false;
    uint32_t style = 0;  // index into fills or lines (from 0)
    Outline outline;
};

struct ShapeGeometry {
    std::vector<ShapeDraw> draws;
};

struct ShapeDef {
    uint16_t id = 0;
    uint8_t version = 1;  // 1-4: which DefineShape
    TwipsRect bounds;
    bool nonZeroWinding = false;
    std::vector<FillStyle> fills;
    std::vector<LineStyle> lines;
    std::vector<StyledEdge> edges;
    // Where a new style group starts, as the first fill and line index of each group.
    std::vector<std::pair<uint32_t, uint32_t>> groups;
    bool truncated = false;  // the records ended early (or hit the edge limit): what came is kept
    ShapeGeometry geometry;
};

struct MorphShapeDef {
    uint16_t id = 0;
    uint8_t version = 1;
    TwipsRect startBounds, endBounds;
    std::vector<FillStyle> startFills, endFills;
    std::vector<LineStyle> startLines, endLines;
    // Paired: the start edge i becomes the end edge i (a straight edge paired with a curve is
    // taken as a curve with its control point in the middle).
    std::vector<StyledEdge> startEdges, endEdges;
    bool truncated = false;
};

// `version` is the DefineShape number (1-4). nullopt when even the header cannot be read.
std::optional<ShapeDef> ReadDefineShape(const uint8_t* body, size_t size, int version);
std::optional<MorphShapeDef> ReadDefineMorphShape(const uint8_t* body, size_t size, int version);

// A glyph of a font: a shape without style lists whose fill style 1 is the text's colour. The
// geometry has one fill (style 0); `truncated` tells whether the records ended early.
ShapeGeometry ReadGlyphShape(const uint8_t* data, size_t size, bool* truncated);

// Rebuilds fill loops and line polylines from styled edges.
ShapeGeometry BuildGeometry(const std::vector<StyledEdge>& edges, size_t fillCount, size_t lineCount,
                            const std::vector<std::pair<uint32_t, uint32_t>>& groups);

// The morph at `ratio` (0..65535): styles and edges interpolated, geometry rebuilt.
struct MorphFrame {
    TwipsRect bounds;
    std::vector<FillStyle> fills;
    std::vector<LineStyle> lines;
    ShapeGeometry geometry;
};
MorphFrame InterpolateMorph(const MorphShapeDef& morph, uint16_t ratio);

}  // namespace movie
