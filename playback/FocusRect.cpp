// The focus rectangle: a yellow frame, three window pixels wide, drawn over the whole scene
// just inside the window-pixel box of the object the keyboard focus went to. It follows the
// object as it moves or changes size; the pointer moving or a mouse button hides it.
#include "PlayerImpl.h"

#include <cmath>

namespace playback {
namespace {

constexpr float kFrameWidth = 3;
constexpr raster::Color kFrameColour{255, 255, 0, 255};

bool ShownOnStage(const DisplayObject& o) {
    for (const DisplayObject* p = &o; p; p = p->parent)
        if (!p->visible || p->removed)
            return false;
    return true;
}

// The four sides of the frame inside `box` as one path (outer and inner outlines, even-odd).
void FramePath(raster::Path& path, const raster::Rect& box) {
    const float inset = std::min(kFrameWidth, std::min(box.xMax - box.xMin, box.yMax - box.yMin) / 2);
    const raster::Rect inner{box.xMin + inset, box.yMin + inset, box.xMax - inset, box.yMax - inset};
    path.Clear();
    for (const raster::Rect& r : {box, inner}) {
        path.MoveTo({r.xMin, r.yMin});
        path.LineTo({r.xMax, r.yMin});
        path.LineTo({r.xMax, r.yMax});
        path.LineTo({r.xMin, r.yMax});
        path.Close();
    }
}

}  // namespace

void Player::ShowFocusRect(DisplayObject* object) {
    if (object && object->removed)
        object = nullptr;
    if (object != m_impl->focusRect)
        ++m_impl->treeVersion;  // what the frame draws changes
    m_impl->focusRect = object;
}

void Player::Impl::EmitFocusRect(raster::DrawList& list) {
    const DisplayObject* o = focusRect;
    if (!o || !ShownOnStage(*o))
        return;
    raster::Rect box;
    Bounds(*o, stageMatrix * o->WorldMatrix(), box);
    if (box.Empty())
        return;
    // The box at whole window pixels, each side at the pixel edge nearest to it.
    box = {std::round(box.xMin), std::round(box.yMin), std::round(box.xMax), std::round(box.yMax)};
    if (box.xMax <= box.xMin || box.yMax <= box.yMin)
        return;
    FramePath(focusRectPath, box);
    list.Fill(focusRectPath, raster::Matrix{}, raster::FillRule::EvenOdd, raster::Paint::Solid(kFrameColour),
              raster::ColorTransform{});
}

}  // namespace playback
