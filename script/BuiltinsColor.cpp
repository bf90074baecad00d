// Color: a clip's colour transform as scripts of format 5 to 8 set and read it. The object keeps
// its target (a clip or a path) and finds the clip again on every call.
#include <cmath>

#include "script/Vm.h"

namespace script {
namespace {

enum ColorMethod { kSetRgb, kGetRgb, kSetTransform, kGetTransform };

constexpr const char* kTargetSlot = "target";
// Transform object fields, in the order of DisplayHost's colour transform arrays.
constexpr const char* kFields[8] = {"ra", "ga", "ba", "aa", "rb", "gb", "bb", "ab"};

// The colour transform stores 16-bit fields; larger values wrap as the file format's do.
int32_t Field(double v) {
    return int16_t(ToInt32(v));
}

ClipId TargetClip(Vm& vm, const Value& self) {
    if (self.type != Type::Object)
        return kNoClip;
    Value t = vm.GetOf(self.object, kTargetSlot);
    if (t.type == Type::Object)
        return t.object->kind == Kind::Clip ? t.object->clip : kNoClip;
    if (t.IsUndefined() || t.type == Type::Null)
        return kNoClip;
    const std::string path = vm.ToString(t);
    if (path.empty())
        return kNoClip;
    Object* found = vm.ResolvePath(vm.currentTarget, path);
    return found && found->kind == Kind::Clip ? found->clip : kNoClip;
}

Value ColorCtor(Vm& vm, const Value& self, std::vector<Value>& args, int) {
    if (!vm.constructing || self.type != Type::Object)
        return Value();
    self.object->SetOwn(kTargetSlot, args.empty() ? Value() : args[0], false, kDontEnum);
    return self;
}

Value ColorMethodFn(Vm& vm, const Value& self, std::vector<Value>& args, int m) {
    const ClipId clip = TargetClip(vm, self);
    int32_t c[8];
    if (!clip || !vm.host.GetColorTransform(clip, c))
        return Value();
    switch (m) {
    case kSetRgb: {
        const int32_t rgb = args.empty() ? 0 : vm.ToInt(args[0]);
        c[0] = c[1] = c[2] = 0;
        c[4] = (rgb >> 16) & 0xFF;
        c[5] = (rgb >> 8) & 0xFF;
        c[6] = rgb & 0xFF;
        vm.host.SetColorTransform(clip, c);
        return Value();
    }
    case kGetRgb:
        return Value::Num(double((c[4] << 16) | (c[5] << 8) | c[6]));
    case kSetTransform: {
        if (args.empty() || args[0].type != Type::Object)
            return Value();
        Object* t = args[0].object;
        // Only the object's own fields count, not inherited ones.
        for (int i = 0; i < 8; ++i) {
            if (!t->FindOwn(kFields[i], vm.CaseSensitive()))
                continue;
            const double v = vm.ToNumber(vm.GetOf(t, kFields[i]));
            c[i] = i < 4 ? Field(v * 2.56) : Field(v);
        }
        vm.host.SetColorTransform(clip, c);
        return Value();
    }
    case kGetTransform: {
        Object* t = vm.NewObject();
        for (int i = 0; i < 8; ++i)
            t->SetOwn(kFields[i], Value::Num(i < 4 ? c[i] / 2.56 : double(c[i])), false);
        return Value::Obj(t);
    }
    default:
        return Value();
    }
}

}  // namespace

void InstallColorBuiltins(Vm& vm) {
    Object* proto = vm.NewObject();
    Object* ctor = vm.NewFunction(ColorCtor, 0, proto);
    vm.global->SetOwn("Color", Value::Obj(ctor), false, kDontEnum);
    vm.Method(proto, "setRGB", ColorMethodFn, kSetRgb);
    vm.Method(proto, "getRGB", ColorMethodFn, kGetRgb);
    vm.Method(proto, "setTransform", ColorMethodFn, kSetTransform);
    vm.Method(proto, "getTransform", ColorMethodFn, kGetTransform);
}

}  // namespace script
