// flash.geom.Rectangle and flash.geom.ColorTransform: plain objects with their values as
// properties, the methods movies use on them, and their toString forms.
#include "GeomObjects.h"

#include <algorithm>
#include <cmath>

#include "script/Vm.h"

namespace script {

namespace {

Value Arg(std::vector<Value>& a, size_t i) {
    return i < a.size() ? a[i] : Value();
}

const char* const kRectNames[] = {"x", "y", "width", "height"};
const char* const kColorNames[] = {"redMultiplier", "greenMultiplier", "blueMultiplier", "alphaMultiplier",
                                   "redOffset",     "greenOffset",     "blueOffset",     "alphaOffset"};

// Rectangle(x, y, width, height): zeros without arguments, else the values as given.
Value RectangleCtor(Vm& vm, const Value& self, std::vector<Value>& args, int) {
    if (self.type != Type::Object)
        return Value();
    for (size_t i = 0; i < 4; ++i)
        vm.SetOf(self.object, kRectNames[i], args.empty() ? Value::Num(0) : Arg(args, i));
    return self;
}

enum RectMethod { kRectToString, kRectClone, kRectIsEmpty, kRectSetEmpty, kRectContains, kRectOffset, kRectEquals };

Value RectangleMethodFn(Vm& vm, const Value& self, std::vector<Value>& args, int m) {
    auto num = [&](const char* name) { return vm.ToNumber(vm.Get(self, name)); };
    switch (m) {
    case kRectToString: {
        std::string out = "(x=" + vm.ToString(vm.Get(self, "x")) + ", y=" + vm.ToString(vm.Get(self, "y")) +
                          ", w=" + vm.ToString(vm.Get(self, "width")) + ", h=" + vm.ToString(vm.Get(self, "height")) +
                          ")";
        return Value::Str(out);
    }
    case kRectClone: {
        Object* r = vm.NewObject(GeomPrototype(vm, "Rectangle"));
        for (const char* n : kRectNames)
            vm.SetOf(r, n, vm.Get(self, n));
        return Value::Obj(r);
    }
    case kRectIsEmpty:
        return Value::Bool(!(num("width") > 0) || !(num("height") > 0));
    case kRectSetEmpty:
        if (self.type == Type::Object)
            for (const char* n : kRectNames)
                vm.SetOf(self.object, n, Value::Num(0));
        return Value();
    case kRectContains: {
        const double x = vm.ToNumber(Arg(args, 0)), y = vm.ToNumber(Arg(args, 1));
        const double rx = num("x"), ry = num("y");
        return Value::Bool(x >= rx && y >= ry && x < rx + num("width") && y < ry + num("height"));
    }
    case kRectOffset:
        if (self.type == Type::Object) {
            vm.SetOf(self.object, "x", Value::Num(num("x") + vm.ToNumber(Arg(args, 0))));
            vm.SetOf(self.object, "y", Value::Num(num("y") + vm.ToNumber(Arg(args, 1))));
        }
        return Value();
    case kRectEquals: {
        Value o = Arg(args, 0);
        if (o.type != Type::Object)
            return Value::Bool(false);
        for (const char* n : kRectNames)
            if (num(n) != vm.ToNumber(vm.Get(o, n)))
                return Value::Bool(false);
        return Value::Bool(true);
    }
    }
    return Value();
}

// ColorTransform(rm, gm, bm, am, ro, go, bo, ao): the identity without arguments.
Value ColorTransformCtor(Vm& vm, const Value& self, std::vector<Value>& args, int) {
    if (self.type != Type::Object)
        return Value();
    const double identity[] = {1, 1, 1, 1, 0, 0, 0, 0};
    for (size_t i = 0; i < 8; ++i)
        vm.SetOf(self.object, kColorNames[i],
                 args.empty() ? Value::Num(identity[i]) : Value::Num(vm.ToNumber(Arg(args, i))));
    return self;
}

enum ColorMethod { kColorToString, kColorConcat, kColorGetRgb, kColorSetRgb };

Value ColorTransformMethodFn(Vm& vm, const Value& self, std::vector<Value>& args, int m) {
    switch (m) {
    case kColorToString: {
        std::string out = "(";
        for (size_t i = 0; i < 8; ++i)
            out += std::string(i ? ", " : "") + kColorNames[i] + "=" + vm.ToString(vm.Get(self, kColorNames[i]));
        return Value::Str(out + ")");
    }
    case kColorConcat: {
        // This transform after the other: its multipliers scale the other's offsets.
        Value o = Arg(args, 0);
        if (self.type != Type::Object || o.type != Type::Object)
            return Value();
        ColorTransformValues a = ReadColorTransform(vm, self), b = ReadColorTransform(vm, o);
        ColorTransformValues c;
        for (int i = 0; i < 4; ++i) {
            c.mul[i] = a.mul[i] * b.mul[i];
            c.add[i] = a.mul[i] * b.add[i] + a.add[i];
        }
        WriteColorTransform(vm, self.object, c);
        return Value();
    }
    case kColorGetRgb: {
        const uint32_t r = uint32_t(vm.ToInt(vm.Get(self, "redOffset"))) & 0xFF;
        const uint32_t g = uint32_t(vm.ToInt(vm.Get(self, "greenOffset"))) & 0xFF;
        const uint32_t b = uint32_t(vm.ToInt(vm.Get(self, "blueOffset"))) & 0xFF;
        return Value::Num(double(r << 16 | g << 8 | b));
    }
    case kColorSetRgb: {
        if (self.type != Type::Object)
            return Value();
        const uint32_t rgb = uint32_t(vm.ToInt(Arg(args, 0)));
        ColorTransformValues c = ReadColorTransform(vm, self);
        for (int i = 0; i < 3; ++i)
            c.mul[i] = 0;
        c.add[0] = (rgb >> 16) & 0xFF;
        c.add[1] = (rgb >> 8) & 0xFF;
        c.add[2] = rgb & 0xFF;
        WriteColorTransform(vm, self.object, c);
        return Value();
    }
    }
    return Value();
}

}  // namespace

ColorTransformValues ReadColorTransform(Vm& vm, const Value& ct) {
    ColorTransformValues c;
    for (int i = 0; i < 4; ++i) {
        c.mul[i] = vm.ToNumber(vm.Get(ct, kColorNames[i]));
        c.add[i] = vm.ToNumber(vm.Get(ct, kColorNames[4 + i]));
    }
    return c;
}

void WriteColorTransform(Vm& vm, Object* ct, const ColorTransformValues& c) {
    for (int i = 0; i < 4; ++i) {
        vm.SetOf(ct, kColorNames[i], Value::Num(c.mul[i]));
        vm.SetOf(ct, kColorNames[4 + i], Value::Num(c.add[i]));
    }
}

Object* NewColorTransform(Vm& vm, const ColorTransformValues& c) {
    Object* ct = vm.NewObject(GeomPrototype(vm, "ColorTransform"));
    WriteColorTransform(vm, ct, c);
    return ct;
}

bool IsColorTransform(Vm& vm, const Value& v) {
    return v.type == Type::Object && vm.ChainHas(vm.ProtoOf(v.object), GeomPrototype(vm, "ColorTransform"), 0);
}

Object* NewRectangle(Vm& vm, double x, double y, double width, double height) {
    Object* r = vm.NewObject(GeomPrototype(vm, "Rectangle"));
    const double values[] = {x, y, width, height};
    for (size_t i = 0; i < 4; ++i)
        vm.SetOf(r, kRectNames[i], Value::Num(values[i]));
    return r;
}

Object* GeomPrototype(Vm& vm, const char* className) {
    Value ctor = vm.Get(vm.Get(vm.GetOf(vm.global, "flash"), "geom"), className);
    Value proto = vm.Get(ctor, "prototype");
    return proto.IsObject() ? proto.object : vm.objectProto;
}

Object* NewGeomObject(Vm& vm, const char* className) {
    return vm.NewObject(GeomPrototype(vm, className));
}

void InstallGeomRectBuiltins(Vm& vm) {
    Value geom = vm.Get(vm.GetOf(vm.global, "flash"), "geom");
    if (!geom.IsObject())
        return;
    Object* rectProto = vm.NewObject();
    geom.object->SetOwn("Rectangle", Value::Obj(vm.NewFunction(RectangleCtor, 0, rectProto)), true, kDontEnum);
    const std::pair<const char*, int> rectMethods[] = {
        {"toString", kRectToString}, {"clone", kRectClone},   {"isEmpty", kRectIsEmpty}, {"setEmpty", kRectSetEmpty},
        {"contains", kRectContains}, {"offset", kRectOffset}, {"equals", kRectEquals}};
    for (auto& [n, m] : rectMethods)
        vm.Method(rectProto, n, RectangleMethodFn, m);
    Object* colorProto = vm.NewObject();
    geom.object->SetOwn("ColorTransform", Value::Obj(vm.NewFunction(ColorTransformCtor, 0, colorProto)), true,
                        kDontEnum);
    vm.Method(colorProto, "toString", ColorTransformMethodFn, kColorToString);
    vm.Method(colorProto, "concat", ColorTransformMethodFn, kColorConcat);
    Property& rgb = colorProto->SetOwn("rgb", Value(), true, kDontEnum);
    rgb.getter = vm.NewFunction(ColorTransformMethodFn, kColorGetRgb);
    rgb.setter = vm.NewFunction(ColorTransformMethodFn, kColorSetRgb);
}

}  // namespace script
