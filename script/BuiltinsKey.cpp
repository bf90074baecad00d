// Key: the keyboard as scripts see it (which keys are down, the last key's code and character,
// the key-code constants) and a broadcaster whose listeners hear onKeyDown and onKeyUp. The host
// reports keys through Vm::KeyEvent.
#include "script/Vm.h"

namespace script {
namespace {

enum KeyMethod { kIsDown, kGetCode, kGetAscii, kIsToggled };

Value KeyMethodFn(Vm& vm, const Value&, std::vector<Value>& args, int m) {
    switch (m) {
    case kIsDown: {
        const int32_t code = args.empty() ? 0 : vm.ToInt(args[0]);
        return Value::Bool(code > 0 && code < 256 && vm.keysDown[size_t(code)]);
    }
    case kGetCode:
        return Value::Num(vm.lastKeyCode);
    case kGetAscii:
        return Value::Num(vm.lastKeyAscii);
    default: {
        const int32_t code = args.empty() ? 0 : vm.ToInt(args[0]);
        return Value::Bool(code > 0 && code < 256 && vm.keysToggled[size_t(code)]);
    }
    }
}

}  // namespace

void InstallKeyBuiltins(Vm& vm) {
    Object* key = vm.NewObject();
    vm.keyObj = key;
    vm.global->SetOwn("Key", Value::Obj(key), false, kDontEnum);
    const std::pair<const char*, int> constants[] = {
        {"BACKSPACE", 8}, {"TAB", 9},    {"ENTER", 13}, {"SHIFT", 16}, {"CONTROL", 17}, {"CAPSLOCK", 20},
        {"ESCAPE", 27},   {"SPACE", 32}, {"PGUP", 33},  {"PGDN", 34},  {"END", 35},     {"HOME", 36},
        {"LEFT", 37},     {"UP", 38},    {"RIGHT", 39}, {"DOWN", 40},  {"INSERT", 45},  {"DELETEKEY", 46},
    };
    for (const auto& [name, code] : constants)
        key->SetOwn(name, Value::Num(code), false, kDontEnum | kDontDelete | kReadOnly);
    vm.Method(key, "isDown", KeyMethodFn, kIsDown);
    vm.Method(key, "getCode", KeyMethodFn, kGetCode);
    vm.Method(key, "getAscii", KeyMethodFn, kGetAscii);
    vm.Method(key, "isToggled", KeyMethodFn, kIsToggled);
    std::vector<Value> target{Value::Obj(key)};
    vm.CallMethod(Value::Obj(vm.broadcasterObj), "initialize", target);
}

void Vm::SetKeyState(int code, bool down) {
    if (code <= 0 || code >= 256)
        return;
    if (down && !keysDown[size_t(code)])
        keysToggled[size_t(code)] = !keysToggled[size_t(code)];
    keysDown[size_t(code)] = down;
}

void Vm::KeyEvent(bool down, int code, int ascii) {
    SetKeyState(code, down);
    lastKeyCode = code;
    if (down)
        lastKeyAscii = ascii;
    const char* event = down ? "onKeyDown" : "onKeyUp";
    // A focused text field takes the keys as typing, not as these events.
    if (focus != kNoClip && focusTakesKeys && host.IsAlive(focus) && !host.TextFieldOf(focus))
        CallClipMethod(focus, event);
    if (keyObj)
        Broadcast(keyObj, event, {});
}

}  // namespace script
