// A scripted sample movie of our own, 400 x 300 at format 6, stopped on its first frame:
// - a red button in the top left corner (100 x 100) whose release runs _root.gotoAndStop(2),
//   which adds a blue square in the top right corner;
// - a green 20 x 20 square, "follower", whose mouseMove handler puts it under the pointer
//   (this._x = _root._xmouse; this._y = _root._ymouse);
// - a clip whose keyDown handler runs _root.gotoAndStop(3), which adds a yellow square in the
//   bottom right corner.
#pragma once

#include "MovieBytes.h"

namespace moviebytes {

// _root.gotoAndStop(frame)
inline Bytes ActionRootGotoAndStop(int32_t frame) {
    return Concat({ActionPushInt(frame), ActionPushInt(1), ActionPushString("_root"), {0x1C},
                   ActionPushString("gotoAndStop"), {0x52}, {0x17}});
}

// this[property] = _root[mouse], by property number (0 _x, 1 _y).
inline Bytes ActionSetPropertyFromRoot(int32_t property, const std::string& mouse) {
    return Concat({ActionPushString(""), ActionPushInt(property), ActionPushString("_root"), {0x1C},
                   ActionPushString(mouse), {0x4E}, {0x23}});
}

inline Bytes ScriptedSampleMovie() {
    constexpr uint32_t kMouseMove = 0x08, kKeyDown = 0x40;
    const Bytes follow = Concat({ActionSetPropertyFromRoot(0, "_xmouse"), ActionSetPropertyFromRoot(1, "_ymouse")});
    return Movie({Background(255, 255, 255), RectShape(1, {{0, 0, 2000, 2000, 0xFF, 0, 0}}),
                  DefineButton2(2, {{0x0F, 1, 1}}, {{0x0008, ActionRootGotoAndStop(2)}}),
                  RectShape(3, {{-200, -200, 200, 200, 0, 0xFF, 0}}), DefineSprite(4, 1, {Place(1, 3), ShowFrame()}),
                  RectShape(5, {{6000, 0, 8000, 2000, 0, 0, 0xFF}}), RectShape(6, {{6000, 4000, 8000, 6000, 0xFF, 0xFF, 0}}),
                  DefineSprite(7, 1, {ShowFrame()}), DoAction(ActionStop()), Place(1, 2),
                  PlaceWithClipEvents(2, 4, {{kMouseMove, follow}}, "follower"),
                  PlaceWithClipEvents(3, 7, {{kKeyDown, ActionRootGotoAndStop(3)}}), ShowFrame(), Place(4, 5),
                  ShowFrame(), Place(5, 6), ShowFrame()},
                 400, 300, 6, 3);
}

}  // namespace moviebytes
