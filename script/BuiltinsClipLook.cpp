// The compositing properties of format 8 clips: opaqueBackground, blendMode and cacheAsBitmap,
// a getter and setter pair each on MovieClip.prototype, over the host's ClipLook calls.
#include <array>
#include <cmath>
#include <string_view>

#include "script/Vm.h"

namespace script {

namespace {

// Blend modes by number, 1 to 14.
constexpr std::array<std::string_view, 14> kBlendNames = {"normal", "layer",      "multiply", "screen",   "lighten",
                                                          "darken", "difference", "add",      "subtract", "invert",
                                                          "alpha",  "erase",      "overlay",  "hardlight"};

ClipId ClipOfThis(const Value& self) {
    return self.type == Type::Object && self.object->kind == Kind::Clip ? self.object->clip : kNoClip;
}

Value GetLookFn(Vm& vm, const Value& self, std::vector<Value>&, int which) {
    const ClipId clip = ClipOfThis(self);
    double v = 0;
    if (clip == kNoClip || !vm.host.GetLook(clip, ClipLook(which), v))
        return Value();
    switch (ClipLook(which)) {
    case ClipLook::OpaqueBackground:
        return v < 0 ? Value::Null() : Value::Num(v);
    case ClipLook::BlendMode: {
        const int mode = int(v);
        return Value::Str(std::string(kBlendNames[mode >= 1 && mode <= 14 ? size_t(mode - 1) : 0]));
    }
    case ClipLook::CacheAsBitmap:
        return Value::Bool(v != 0);
    }
    return Value();
}

// The blend mode a value names: an exact name, a number whose low byte is 1 to 14, null or
// undefined for normal. Anything else (other texts, booleans, objects) leaves the mode as it was.
int BlendModeOf(Vm& vm, const Value& v) {
    if (v.IsNullish())
        return 1;
    if (v.type == Type::String) {
        for (size_t i = 0; i < kBlendNames.size(); ++i)
            if (v.string == kBlendNames[i])
                return int(i) + 1;
        return 0;
    }
    if (v.type != Type::Number)
        return 0;
    const int mode = int(uint32_t(ToInt32(vm.ToNumber(v))) & 0xFFu);
    return mode >= 1 && mode <= 14 ? mode : 0;
}

Value SetLookFn(Vm& vm, const Value& self, std::vector<Value>& args, int which) {
    const ClipId clip = ClipOfThis(self);
    if (clip == kNoClip)
        return Value();
    const Value v = args.empty() ? Value() : args[0];
    switch (ClipLook(which)) {
    case ClipLook::OpaqueBackground: {
        // None for null and undefined; otherwise the number's low 24 bits are the colour.
        const double colour = v.IsNullish() ? -1.0 : double(uint32_t(ToInt32(vm.ToNumber(v))) & 0xFFFFFFu);
        vm.host.SetLook(clip, ClipLook::OpaqueBackground, colour);
        break;
    }
    case ClipLook::BlendMode:
        if (const int mode = BlendModeOf(vm, v))
            vm.host.SetLook(clip, ClipLook::BlendMode, mode);
        break;
    case ClipLook::CacheAsBitmap:
        vm.host.SetLook(clip, ClipLook::CacheAsBitmap, ToBoolean(v, vm.curVersion) ? 1.0 : 0.0);
        break;
    }
    return Value();
}

}  // namespace

void InstallClipLookBuiltins(Vm& vm) {
    const std::pair<const char*, ClipLook> looks[] = {{"opaqueBackground", ClipLook::OpaqueBackground},
                                                      {"blendMode", ClipLook::BlendMode},
                                                      {"cacheAsBitmap", ClipLook::CacheAsBitmap}};
    for (auto& [name, which] : looks) {
        Property& p = vm.clipProto->SetOwn(name, Value(), false, kDontEnum | kVersion8);
        p.getter = vm.NewFunction(GetLookFn, int(which));
        p.setter = vm.NewFunction(SetLookFn, int(which));
    }
}

}  // namespace script
