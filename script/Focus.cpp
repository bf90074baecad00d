// The keyboard focus: which clip or button has it, the events a change sends (the object losing
// it hears onKillFocus, the one gaining it onSetFocus, then Selection's listeners onSetFocus), and
// the order Tab moves it in.
#include "script/Vm.h"

#include "playback/TextField.h"

#include <algorithm>
#include <cmath>

namespace script {
namespace {

Value ObjectOrNull(Vm& vm, ClipId clip) {
    Object* o = clip != kNoClip && vm.host.IsAlive(clip) ? vm.ClipObject(clip) : nullptr;
    return o ? Value::Obj(o) : Value::Null();
}

bool Visible(Vm& vm, ClipId clip) {
    const Value v = vm.host.GetProperty(clip, kPropVisible);
    return v.type == Type::Boolean ? v.boolean : vm.ToNumber(v) != 0;
}

// A clip's own setting as scripts gave it (undefined when they did not).
Value Setting(Vm& vm, ClipId clip, std::string_view name) {
    Object* o = vm.ClipObject(clip);
    return o ? vm.GetOf(o, name) : Value();
}

// Whether Tab stops at the object: buttons and input fields unless scripts say no, clips when
// scripts say yes or when they take the mouse as buttons do.
bool TabStop(Vm& vm, ClipId clip) {
    const Value enabled = Setting(vm, clip, "tabEnabled");
    if (!enabled.IsUndefined())
        return ToBoolean(enabled, vm.curVersion);
    if (const playback::TextField* f = vm.host.TextFieldOf(clip))
        return f->editable;
    return vm.host.IsButton(clip) || vm.host.TakesMouse(clip);
}

struct Stop {
    ClipId clip;
    double index;  // the tabIndex, or NaN
    double top, left;
};

void CollectStops(Vm& vm, ClipId parent, std::vector<Stop>& out, int level) {
    if (level > 64)
        return;
    std::vector<ClipId> children;
    vm.host.FocusChildren(parent, children);
    for (ClipId c : children) {
        if (!Visible(vm, c))
            continue;
        if (TabStop(vm, c)) {
            const Value index = Setting(vm, c, "tabIndex");
            double bounds[4] = {0, 0, 0, 0};
            vm.host.Bounds(c, vm.host.Level(0), bounds);
            // Fields keep the index unsigned; the order reads it as signed, as clips keep it.
            const double order = index.IsUndefined() ? NAN : double(ToInt32(vm.ToNumber(index)));
            out.push_back({c, order, bounds[2], bounds[0]});
        }
        const Value tabChildren = Setting(vm, c, "tabChildren");
        if (tabChildren.IsUndefined() || ToBoolean(tabChildren, vm.curVersion))
            CollectStops(vm, c, out, level + 1);
    }
}

}  // namespace

bool Vm::CanFocus(ClipId clip) {
    if (clip == kNoClip || !host.IsAlive(clip) || host.Parent(clip) == kNoClip)
        return false;
    if (host.IsButton(clip) || host.TakesMouse(clip) || host.TextFieldOf(clip))
        return true;
    return ToBoolean(Setting(*this, clip, "focusEnabled"), curVersion);
}

bool Vm::SetFocus(ClipId clip) {
    if (clip != kNoClip && !CanFocus(clip))
        return false;
    ChangeFocus(clip);
    return true;
}

void Vm::ChangeFocus(ClipId clip) {
    if (clip == focus)
        return;
    const ClipId old = focus;
    focus = clip;
    focusTakesKeys = true;
    SelectFieldText(clip);
    const Value oldObj = ObjectOrNull(*this, old), newObj = ObjectOrNull(*this, clip);
    if (!oldObj.IsNull())
        CallClipMethod(old, "onKillFocus", {newObj});
    if (!newObj.IsNull())
        CallClipMethod(clip, "onSetFocus", {oldObj});
    if (selectionObj)
        Broadcast(selectionObj, "onSetFocus", {oldObj, newObj});
}

std::vector<ClipId> Vm::TabOrder() {
    std::vector<Stop> stops;
    const ClipId root = host.Level(0);
    if (root != kNoClip)
        CollectStops(*this, root, stops, 0);
    // An index of -1 is the reference's mark for "none".
    auto indexed = [](const Stop& s) { return !std::isnan(s.index) && s.index != -1; };
    std::vector<ClipId> order;
    if (std::any_of(stops.begin(), stops.end(), indexed)) {
        stops.erase(std::remove_if(stops.begin(), stops.end(), [&](const Stop& s) { return !indexed(s); }),
                    stops.end());
        std::stable_sort(stops.begin(), stops.end(), [](const Stop& a, const Stop& b) { return a.index < b.index; });
    } else {
        std::stable_sort(stops.begin(), stops.end(),
                         [](const Stop& a, const Stop& b) { return a.top != b.top ? a.top < b.top : a.left < b.left; });
    }
    for (const Stop& s : stops)
        order.push_back(s.clip);
    return order;
}

void Vm::MoveFocus(bool backwards) {
    const std::vector<ClipId> order = TabOrder();
    if (order.empty())
        return;
    auto at = std::find(order.begin(), order.end(), focus);
    size_t next;
    if (at == order.end())
        next = backwards ? order.size() - 1 : 0;
    else if (backwards)
        next = at == order.begin() ? order.size() - 1 : size_t(at - order.begin()) - 1;
    else
        next = (size_t(at - order.begin()) + 1) % order.size();
    if (order[next] == focus)
        return;
    host.TabFocusMoving(focus, order[next]);
    ChangeFocus(order[next]);  // a tab stop takes the focus whatever its focusEnabled
}

void Vm::FocusFromPointer(ClipId field) {
    const playback::TextField* f = field != kNoClip ? host.TextFieldOf(field) : nullptr;
    ChangeFocus(f && f->selectable ? field : kNoClip);
}

void Vm::Broadcast(Object* broadcaster, std::string_view event, std::vector<Value> args) {
    RunAsBlock([&] {
        args.insert(args.begin(), Value::Str(std::string(event)));
        CallMethod(Value::Obj(broadcaster), "broadcastMessage", std::move(args));
    });
}

}  // namespace script
