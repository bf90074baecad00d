// Recording a frame's drawing commands.
#include "raster/DrawList.h"

namespace raster {

void DrawList::Fill(const Path& path, const Matrix& m, FillRule rule, const Paint& paint, const ColorTransform& cx) {
    DrawCommand& c = m_commands.emplace_back();
    c.kind = DrawCommand::Kind::Fill;
    c.path = &path;
    c.matrix = m;
    c.fillRule = rule;
    c.paint = paint;
    c.cxform = cx;
}

void DrawList::Stroke(const Path& path, const Matrix& m, const StrokeStyle& style, const Paint& paint,
                      const ColorTransform& cx) {
    DrawCommand& c = m_commands.emplace_back();
    c.kind = DrawCommand::Kind::Stroke;
    c.fillRule = FillRule::NonZero;
    c.path = &path;
    c.matrix = m;
    c.stroke = style;
    c.paint = paint;
    c.cxform = cx;
}

void DrawList::BeginMask() {
    m_commands.emplace_back().kind = DrawCommand::Kind::BeginMask;
}
void DrawList::EndMaskShape() {
    m_commands.emplace_back().kind = DrawCommand::Kind::EndMaskShape;
}
void DrawList::PopMask() {
    m_commands.emplace_back().kind = DrawCommand::Kind::PopMask;
}

void DrawList::PushLayer(const LayerOptions& options) {
    DrawCommand& c = m_commands.emplace_back();
    c.kind = DrawCommand::Kind::PushLayer;
    c.layer = options;
}

void DrawList::PopLayer() {
    m_commands.emplace_back().kind = DrawCommand::Kind::PopLayer;
}

}  // namespace raster
