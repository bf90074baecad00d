// flash.geom.Transform and MovieClip.transform: a clip's matrix and colour transform as
// flash.geom objects (copies, made at each read), the same concatenated up to the clip's
// level, and its bounds on the stage in pixels. Setting either takes a Matrix or a
// ColorTransform only; other values are ignored.
#include <algorithm>
#include <cmath>

#include "GeomObjects.h"
#include "script/Vm.h"

namespace script {

namespace {

Value Arg(std::vector<Value>& a, size_t i) {
    return i < a.size() ? a[i] : Value();
}

// The clip object a Transform stands for.
struct TransformData : NativeData {
    Object* clip = nullptr;
    void ForEachObject(void (*visit)(Object*, void*), void* context) override {
        if (clip)
            visit(clip, context);
    }
};

const char* const kMatrixNames[] = {"a", "b", "c", "d", "tx", "ty"};

// The live clip of a Transform (or of a clip object itself); kNoClip when there is none.
ClipId ClipOf(Vm& vm, const Value& v) {
    if (v.type != Type::Object)
        return kNoClip;
    Object* o = v.object;
    if (auto* t = o->NativeAs<TransformData>())
        o = t->clip;
    Object* live = o ? vm.LiveClip(o) : nullptr;
    return live && live->kind == Kind::Clip ? live->clip : kNoClip;
}

bool IsInstance(Vm& vm, const Value& v, const char* className) {
    if (v.type != Type::Object)
        return false;
    return vm.ChainHas(vm.ProtoOf(v.object), GeomPrototype(vm, className), 0);
}

struct Affine {
    double m[6] = {1, 0, 0, 1, 0, 0};
    // This after `inner`.
    Affine Times(const Affine& inner) const {
        const double* a = m;
        const double* b = inner.m;
        return {{a[0] * b[0] + a[2] * b[1], a[1] * b[0] + a[3] * b[1], a[0] * b[2] + a[2] * b[3],
                 a[1] * b[2] + a[3] * b[3], a[0] * b[4] + a[2] * b[5] + a[4], a[1] * b[4] + a[3] * b[5] + a[5]}};
    }
};

Value NewMatrix(Vm& vm, const Affine& a) {
    Object* m = NewGeomObject(vm, "Matrix");
    for (int i = 0; i < 6; ++i)
        vm.SetOf(m, kMatrixNames[i], Value::Num(a.m[i]));
    return Value::Obj(m);
}

Affine ConcatenatedMatrix(Vm& vm, ClipId clip) {
    Affine world;
    for (ClipId c = clip; c != kNoClip; c = vm.host.Parent(c)) {
        Affine local;
        if (vm.host.GetMatrix(c, local.m))
            world = local.Times(world);
    }
    return world;
}

ColorTransformValues ClipColor(Vm& vm, ClipId clip) {
    ColorTransformValues c;
    int32_t v[8];
    if (!vm.host.GetColorTransform(clip, v))
        return c;
    for (int i = 0; i < 4; ++i) {
        c.mul[i] = v[i] / 256.0;
        c.add[i] = v[4 + i];
    }
    return c;
}

// The colour transforms from the clip up to its level, each applied after the one beneath;
// the offsets end as the reference's 16-bit fields hold them.
ColorTransformValues ConcatenatedColor(Vm& vm, ClipId clip) {
    ColorTransformValues all;
    for (ClipId c = clip; c != kNoClip; c = vm.host.Parent(c)) {
        const ColorTransformValues p = ClipColor(vm, c);
        for (int i = 0; i < 4; ++i) {
            all.mul[i] = p.mul[i] * all.mul[i];
            all.add[i] = p.mul[i] * all.add[i] + p.add[i];
        }
    }
    for (double& a : all.add)
        a = std::isfinite(a) ? double(int16_t(uint16_t(int64_t(std::floor(std::clamp(a, -1e15, 1e15))) & 0xFFFF))) : 0;
    return all;
}

void SetClipMatrix(Vm& vm, ClipId clip, const Value& matrix) {
    if (!IsInstance(vm, matrix, "Matrix"))
        return;
    double m[6];
    for (int i = 0; i < 6; ++i)
        m[i] = vm.ToNumber(vm.Get(matrix, kMatrixNames[i]));
    vm.host.SetMatrix(clip, m);
}

void SetClipColor(Vm& vm, ClipId clip, const Value& ct) {
    if (!IsColorTransform(vm, ct))
        return;
    const ColorTransformValues c = ReadColorTransform(vm, ct);
    auto fixed = [](double v) { return int32_t(std::isfinite(v) ? std::clamp(v, -32768.0, 32767.0) : 0); };
    int32_t v[8];
    for (int i = 0; i < 4; ++i) {
        v[i] = fixed(c.mul[i] * 256);
        v[4 + i] = fixed(c.add[i]);
    }
    vm.host.SetColorTransform(clip, v);
}

enum Part { kMatrix, kColorTransform, kConcatenatedMatrix, kConcatenatedColorTransform, kPixelBounds };

Value GetPartFn(Vm& vm, const Value& self, std::vector<Value>&, int part) {
    const ClipId clip = ClipOf(vm, self);
    if (clip == kNoClip)
        return Value();
    switch (part) {
    case kMatrix: {
        Affine a;
        vm.host.GetMatrix(clip, a.m);
        return NewMatrix(vm, a);
    }
    case kColorTransform:
        return Value::Obj(NewColorTransform(vm, ClipColor(vm, clip)));
    case kConcatenatedMatrix:
        return NewMatrix(vm, ConcatenatedMatrix(vm, clip));
    case kConcatenatedColorTransform:
        return Value::Obj(NewColorTransform(vm, ConcatenatedColor(vm, clip)));
    default: {
        double b[4];
        if (!vm.host.Bounds(clip, kNoClip, b))
            return Value::Obj(NewRectangle(vm, 0, 0, 0, 0));
        const Affine w = ConcatenatedMatrix(vm, clip);
        double x0 = INFINITY, y0 = INFINITY, x1 = -INFINITY, y1 = -INFINITY;
        for (double x : {b[0], b[1]}) {
            for (double y : {b[2], b[3]}) {
                const double px = w.m[0] * x + w.m[2] * y + w.m[4], py = w.m[1] * x + w.m[3] * y + w.m[5];
                x0 = std::min(x0, px);
                y0 = std::min(y0, py);
                x1 = std::max(x1, px);
                y1 = std::max(y1, py);
            }
        }
        return Value::Obj(NewRectangle(vm, x0, y0, x1 - x0, y1 - y0));
    }
    }
}

Value SetPartFn(Vm& vm, const Value& self, std::vector<Value>& args, int part) {
    const ClipId clip = ClipOf(vm, self);
    if (clip == kNoClip)
        return Value();
    if (part == kMatrix)
        SetClipMatrix(vm, clip, Arg(args, 0));
    else if (part == kColorTransform)
        SetClipColor(vm, clip, Arg(args, 0));
    return Value();
}

Object* TransformProto(Vm& vm) {
    Value ctor = vm.Get(vm.Get(vm.GetOf(vm.global, "flash"), "geom"), "Transform");
    Value proto = vm.Get(ctor, "prototype");
    return proto.IsObject() ? proto.object : vm.objectProto;
}

// new Transform(clip): undefined for anything but a clip.
Value TransformCtor(Vm& vm, const Value& self, std::vector<Value>& args, int) {
    if (self.type != Type::Object || ClipOf(vm, Arg(args, 0)) == kNoClip || args[0].object->NativeAs<TransformData>())
        return Value::Null();
    auto data = std::make_unique<TransformData>();
    data->clip = args[0].object;
    self.object->nativeData = std::move(data);
    return self;
}

// clip.transform: a new Transform at each read; setting one copies its clip's matrix and
// colour transform onto this clip.
Value ClipTransformGetFn(Vm& vm, const Value& self, std::vector<Value>&, int) {
    if (ClipOf(vm, self) == kNoClip)
        return Value();
    Object* t = vm.NewObject(TransformProto(vm));
    auto data = std::make_unique<TransformData>();
    data->clip = self.object;
    t->nativeData = std::move(data);
    return Value::Obj(t);
}

Value ClipTransformSetFn(Vm& vm, const Value& self, std::vector<Value>& args, int) {
    const ClipId clip = ClipOf(vm, self);
    const Value from = Arg(args, 0);
    if (clip == kNoClip || from.type != Type::Object || !from.object->NativeAs<TransformData>())
        return Value();
    const ClipId source = ClipOf(vm, from);
    if (source == kNoClip)
        return Value();
    double m[6];
    if (vm.host.GetMatrix(source, m))
        vm.host.SetMatrix(clip, m);
    int32_t c[8];
    if (vm.host.GetColorTransform(source, c))
        vm.host.SetColorTransform(clip, c);
    return Value();
}

}  // namespace

void InstallTransformBuiltins(Vm& vm) {
    Value geom = vm.Get(vm.GetOf(vm.global, "flash"), "geom");
    if (!geom.IsObject())
        return;
    Object* proto = vm.NewObject();
    geom.object->SetOwn("Transform", Value::Obj(vm.NewFunction(TransformCtor, 0, proto)), true, kDontEnum);
    const std::pair<const char*, int> parts[] = {{"matrix", kMatrix},
                                                 {"colorTransform", kColorTransform},
                                                 {"concatenatedMatrix", kConcatenatedMatrix},
                                                 {"concatenatedColorTransform", kConcatenatedColorTransform},
                                                 {"pixelBounds", kPixelBounds}};
    for (auto& [name, part] : parts) {
        Property& p = proto->SetOwn(name, Value(), true, kDontEnum);
        p.getter = vm.NewFunction(GetPartFn, part);
        if (part == kMatrix || part == kColorTransform)
            p.setter = vm.NewFunction(SetPartFn, part);
    }
    Property& t = vm.clipProto->SetOwn("transform", Value(), false, kDontEnum | kVersion8);
    t.getter = vm.NewFunction(ClipTransformGetFn);
    t.setter = vm.NewFunction(ClipTransformSetFn);
}

}  // namespace script
