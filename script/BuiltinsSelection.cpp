// Selection: the keyboard focus as scripts see it (getFocus gives the focused object's target
// path, setFocus takes an object or a path) and a broadcaster whose listeners hear onSetFocus.
// The text selection methods work on the focused text field (-1 with the focus elsewhere).
#include <algorithm>
#include <cmath>

#include "playback/TextEditing.h"
#include "script/Vm.h"

namespace script {
namespace {

enum SelectionMethod { kGetFocus, kSetFocus, kGetBeginIndex, kGetEndIndex, kGetCaretIndex, kSetSelection };

// The clip an argument names: a clip's object, or a target path from the running code's clip.
ClipId ClipOf(Vm& vm, const Value& v) {
    Object* o = nullptr;
    if (v.IsObject())
        o = v.object;
    else if (v.IsString())
        o = vm.ResolvePath(vm.currentTarget, v.string);
    return o && o->kind == Kind::Clip ? o->clip : kNoClip;
}

Value SelectionMethodFn(Vm& vm, const Value&, std::vector<Value>& args, int m) {
    switch (m) {
    case kGetFocus:
        if (vm.focus == kNoClip || !vm.host.IsAlive(vm.focus))
            return Value::Null();
        return Value::Str(vm.TargetPathOf(vm.focus, false));
    case kSetFocus: {
        if (args.empty())
            return Value::Bool(false);
        const ClipId clip = args[0].IsNullish() ? kNoClip : ClipOf(vm, args[0]);
        if (clip == kNoClip && !args[0].IsNullish())
            return Value::Bool(false);
        if (!vm.SetFocus(clip))
            return Value::Bool(false);
        vm.host.FocusSetByScript(clip);
        return Value::Bool(true);
    }
    default:
        break;
    }
    // The text selection of the focused field.
    playback::TextField* field =
        vm.focus != kNoClip && vm.host.IsAlive(vm.focus) ? vm.host.TextFieldOf(vm.focus) : nullptr;
    if (m == kSetSelection) {
        // setSelection(anchor, caret), clamped to the text; without a caret the caret stays.
        if (field && !args.empty()) {
            auto index = [&](const Value& v) {
                const double d = vm.ToNumber(v);
                return std::isnan(d) || d <= 0 ? size_t(0) : size_t(std::min(d, double(field->text.size())));
            };
            const size_t caret = args.size() > 1 ? index(args[1]) : playback::CaretIndex(*field);
            playback::SetSelection(*field, index(args[0]), caret);
        }
        return Value();
    }
    if (field && !playback::SelectionVisibleToScripts(*field))
        field = nullptr;
    switch (m) {
    case kGetBeginIndex:
        return Value::Num(field ? double(playback::SelectionBegin(*field)) : -1);
    case kGetEndIndex:
        return Value::Num(field ? double(playback::SelectionEnd(*field)) : -1);
    case kGetCaretIndex:
        return Value::Num(field ? double(playback::CaretIndex(*field)) : -1);
    default:
        return Value::Num(-1);
    }
}

}  // namespace

void InstallSelectionBuiltins(Vm& vm) {
    Object* selection = vm.NewObject();
    vm.selectionObj = selection;
    vm.global->SetOwn("Selection", Value::Obj(selection), false, kDontEnum);
    const std::pair<const char*, int> methods[] = {
        {"getFocus", kGetFocus},       {"setFocus", kSetFocus},           {"getBeginIndex", kGetBeginIndex},
        {"getEndIndex", kGetEndIndex}, {"getCaretIndex", kGetCaretIndex}, {"setSelection", kSetSelection},
    };
    for (const auto& [name, m] : methods)
        vm.Method(selection, name, SelectionMethodFn, m);
    std::vector<Value> target{Value::Obj(selection)};
    vm.CallMethod(Value::Obj(vm.broadcasterObj), "initialize", target);
}

// Buttons' objects share Button.prototype; buttons and clips show the hand cursor and are
// enabled by default (a button's `enabled` is among the names for..in visits).
void InstallButtonBuiltins(Vm& vm) {
    Object* proto = vm.NewObject();
    vm.buttonProto = proto;
    Object* ctor = vm.NewFunction([](Vm&, const Value& self, std::vector<Value>&, int) { return self; }, 0, proto);
    vm.global->SetOwn("Button", Value::Obj(ctor), false, kDontEnum);
    for (Object* o : {proto, vm.clipProto})
        if (o)
            o->SetOwn("useHandCursor", Value::Bool(true), false, kDontEnum);
    proto->SetOwn("enabled", Value::Bool(true), false, 0);
    if (vm.clipProto)
        vm.clipProto->SetOwn("enabled", Value::Bool(true), false, kDontEnum);
}

}  // namespace script
