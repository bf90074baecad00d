// The drawing commands of one frame, in painter's order. The display list builds one and the
// renderer plays it; the renderer knows nothing of movies. Paths, gradients and images are
// referenced, not copied: they must outlive the render call. A draw list keeps its storage
// across Clear(), so a steady scene allocates nothing per frame.
#pragma once

#include "raster/Filter.h"
#include "raster/Geometry.h"
#include "raster/Paint.h"
#include "raster/Path.h"
#include "raster/Stroke.h"

#include <cstdint>
#include <vector>

namespace raster {

enum class BlendMode : uint8_t {
    Normal,
    Layer,
    Multiply,
    Screen,
    Lighten,
    Darken,
    Difference,
    Add,
    Subtract,
    Invert,
    Alpha,
    Erase,
    Overlay,
    HardLight,
};

// An isolated group: the commands up to the matching PopLayer draw into a transparent layer of
// their own, which is then composited onto what lies below with `blend`.
struct LayerOptions {
    BlendMode blend = BlendMode::Normal;
    // Device-space bounds the layer needs (an empty rect: the whole target).
    Rect bounds;
    // Applied to the finished layer before it is composited: the group is drawn opaque and
    // fades (or tints) as one, so its own overlaps do not show through each other.
    ColorTransform cxform;
    // Applied in order to the finished layer, before the colour transform; the bounds must
    // already hold what the filters add.
    FilterList filters{};
};

struct DrawCommand {
    enum class Kind : uint8_t {
        Fill,          // path, matrix, fillRule, paint, cxform
        Stroke,        // path, matrix, stroke, paint, cxform
        BeginMask,     // the following draws, up to EndMaskShape, are a mask's shape
        EndMaskShape,  // from here the mask (intersected with any enclosing mask) clips draws
        PopMask,       // the mask of the matching BeginMask ends
        PushLayer,     // layer
        PopLayer,
    };
    Kind kind = Kind::Fill;
    FillRule fillRule = FillRule::EvenOdd;
    const Path* path = nullptr;
    Matrix matrix;
    Paint paint;
    ColorTransform cxform;
    StrokeStyle stroke;
    LayerOptions layer;
};

class DrawList {
public:
    void Clear() { m_commands.clear(); }
    void Fill(const Path& path, const Matrix& m, FillRule rule, const Paint& paint, const ColorTransform& cx);
    void Stroke(const Path& path, const Matrix& m, const StrokeStyle& style, const Paint& paint,
                const ColorTransform& cx);
    void BeginMask();
    void EndMaskShape();
    void PopMask();
    void PushLayer(const LayerOptions& options);
    void PopLayer();

    const std::vector<DrawCommand>& Commands() const { return m_commands; }

private:
    std::vector<DrawCommand> m_commands;
};

}  // namespace raster
