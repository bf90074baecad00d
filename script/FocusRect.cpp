// _focusrect: whether the yellow rectangle shows around the object with the keyboard focus.
// One setting serves the whole movie: a level's root reads and sets it, and so does every
// object in movies before format 7. From format 7 each other clip, button and text field keeps
// its own, null until a script sets it (then true or false, as the value converts).
#include "script/Vm.h"

#include <cmath>

namespace script {
namespace {

constexpr const char* kSlot = "__focusrect";

bool KeepsOwnFocusRect(Vm& vm, ClipId clip) {
    return vm.curVersion >= 7 && vm.host.Parent(clip) != kNoClip;
}

}  // namespace

Value Vm::FocusRectOf(ClipId clip) {
    if (clip != kNoClip && KeepsOwnFocusRect(*this, clip)) {
        Object* o = ClipObject(clip);
        Property* p = o ? o->FindOwn(kSlot, true) : nullptr;
        return p ? p->value : Value::Null();
    }
    return curVersion >= 5 ? Value::Bool(focusRect) : Value::Num(focusRect ? 1 : 0);
}

void Vm::SetFocusRect(ClipId clip, const Value& v) {
    if (clip != kNoClip && KeepsOwnFocusRect(*this, clip)) {
        if (Object* o = ClipObject(clip))
            o->SetOwn(kSlot, v.IsNullish() ? Value::Null() : Value::Bool(ToBoolean(v, curVersion)), true, kDontEnum);
        return;
    }
    // The movie's setting takes numbers: undefined and null leave it, an object counts as 0
    // and anything else shows the rectangle unless it is 0 (a text that is no number shows it).
    if (v.IsNullish())
        return;
    double n = ToNumber(v);
    if (v.IsObject() && std::isnan(n))
        n = 0;
    focusRect = n != 0;
}

}  // namespace script
