// The drawing API: scripts draw fills and lines into a clip with a pen. Each fill is one draw
// (closed back to where it began when it ends); lines go into a stroke draw per line style,
// started anew after a fill opens so they lie above it. Bounds grow with every point.
#include "PlayerImpl.h"

#include <algorithm>

namespace playback {
namespace {

// Draws and points one clip may hold (a script drawing in a loop stops growing here).
constexpr size_t kMaxDrawingDraws = 4096;
constexpr size_t kMaxDrawingPoints = size_t{1} << 20;

ScriptDrawing& DrawingOf(DisplayObject& clip) {
    if (!clip.drawing)
        clip.drawing = std::make_shared<ScriptDrawing>();
    return *clip.drawing;
}

void Grow(ScriptDrawing& d, raster::Point p, float halfWidth) {
    d.shape.bounds = d.shape.bounds.Union({p.x - halfWidth, p.y - halfWidth, p.x + halfWidth, p.y + halfWidth});
}

bool Full(const ScriptDrawing& d) {
    return d.shape.draws.size() >= kMaxDrawingDraws || d.points >= kMaxDrawingPoints;
}

// The stroke draw the pen's next line goes into, started at the pen; null without a line style.
CachedDraw* LineDraw(ScriptDrawing& d) {
    if (!d.lining)
        return nullptr;
    if (d.line == ScriptDrawing::kNone) {
        if (d.shape.draws.size() >= kMaxDrawingDraws)
            return nullptr;
        CachedDraw draw;
        draw.stroke = true;
        draw.strokeStyle = d.lineStyle;
        draw.paint = raster::Paint::Solid(d.lineColor);
        draw.path.MoveTo(d.pen);
        d.line = d.shape.draws.size();
        d.shape.draws.push_back(std::move(draw));
    }
    return &d.shape.draws[d.line];
}

}  // namespace

void Player::DrawClear(DisplayObject& clip) {
    clip.drawing.reset();
    TreeChanged();
}

void Player::DrawLineStyle(DisplayObject& clip, float width, raster::Color color) {
    ScriptDrawing& d = DrawingOf(clip);
    d.lining = width >= 0;
    d.lineStyle = raster::StrokeStyle{};
    d.lineStyle.width = std::min(width, 255.0f * 20);
    d.lineColor = color;
    d.line = ScriptDrawing::kNone;
}

void Player::DrawBeginFill(DisplayObject& clip, raster::Color color) {
    DrawBeginPaintFill(clip, raster::Paint::Solid(color));
}

void Player::DrawBeginBitmapFill(DisplayObject& clip, std::shared_ptr<const raster::Image> image,
                                 const raster::Matrix& m, bool repeat, bool smooth) {
    raster::Paint paint;
    paint.kind = raster::Paint::Kind::Bitmap;
    paint.bitmap.image = std::move(image);
    paint.bitmap.matrix = m;
    paint.bitmap.repeat = repeat;
    paint.bitmap.smooth = smooth;
    DrawBeginPaintFill(clip, paint);
}

void Player::DrawBeginPaintFill(DisplayObject& clip, const raster::Paint& paint) {
    DrawEndFill(clip);
    ScriptDrawing& d = DrawingOf(clip);
    if (d.shape.draws.size() >= kMaxDrawingDraws)
        return;
    CachedDraw draw;
    draw.rule = raster::FillRule::EvenOdd;
    draw.paint = paint;
    draw.path.MoveTo(d.pen);
    d.fill = d.shape.draws.size();
    d.fillStart = d.pen;
    d.shape.draws.push_back(std::move(draw));
    d.line = ScriptDrawing::kNone;  // lines from here lie above the fill
}

void Player::DrawEndFill(DisplayObject& clip) {
    if (!clip.drawing || clip.drawing->fill == ScriptDrawing::kNone)
        return;
    ScriptDrawing& d = *clip.drawing;
    raster::Path& path = d.shape.draws[d.fill].path;
    path.LineTo(d.fillStart);
    path.Close();
    d.fill = ScriptDrawing::kNone;
    TreeChanged();
}

void Player::DrawMoveTo(DisplayObject& clip, raster::Point to) {
    ScriptDrawing& d = DrawingOf(clip);
    d.pen = to;
    if (d.fill != ScriptDrawing::kNone && !Full(d)) {
        d.shape.draws[d.fill].path.MoveTo(to);
        d.fillStart = to;
    }
    if (d.line != ScriptDrawing::kNone && !Full(d))
        d.shape.draws[d.line].path.MoveTo(to);
}

void Player::DrawLineTo(DisplayObject& clip, raster::Point to) {
    DrawCurveTo(clip, to, to);
}

void Player::DrawCurveTo(DisplayObject& clip, raster::Point control, raster::Point to) {
    ScriptDrawing& d = DrawingOf(clip);
    if (Full(d))
        return;
    const bool straight = control.x == to.x && control.y == to.y;
    auto add = [&](raster::Path& path) {
        d.points += 2;
        if (straight)
            path.LineTo(to);
        else
            path.QuadTo(control, to);
    };
    if (d.fill != ScriptDrawing::kNone) {
        add(d.shape.draws[d.fill].path);
        Grow(d, d.pen, 0);
        Grow(d, control, 0);
        Grow(d, to, 0);
    }
    if (CachedDraw* line = LineDraw(d)) {
        add(line->path);
        const float half = d.lineStyle.width / 2;
        Grow(d, d.pen, half);
        Grow(d, control, half);
        Grow(d, to, half);
    }
    d.pen = to;
    TreeChanged();
}

}  // namespace playback
