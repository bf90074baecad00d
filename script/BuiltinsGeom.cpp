// flash.geom.Point (a plain object with x and y and the methods movies use on it) and the
// constructor of flash.geom.Matrix.
#include <cmath>

#include "script/Vm.h"

namespace script {

namespace {

Value Arg(std::vector<Value>& a, size_t i) {
    return i < a.size() ? a[i] : Value();
}

Object* PointProto(Vm& vm) {
    Value geom = vm.Get(vm.GetOf(vm.global, "flash"), "geom");
    Value ctor = vm.Get(geom, "Point");
    Value proto = vm.Get(ctor, "prototype");
    return proto.IsObject() ? proto.object : vm.objectProto;
}

Value NewPoint(Vm& vm, Value x, Value y) {
    Object* p = vm.NewObject(PointProto(vm));
    vm.SetOf(p, "x", std::move(x));
    vm.SetOf(p, "y", std::move(y));
    return Value::Obj(p);
}

double Coord(Vm& vm, const Value& p, const char* name) {
    return vm.ToNumber(vm.Get(p, name));
}

Value PointCtor(Vm& vm, const Value& self, std::vector<Value>& args, int) {
    if (self.type != Type::Object)
        return Value();
    // No arguments is the origin; otherwise the values are kept as given.
    vm.SetOf(self.object, "x", args.empty() ? Value::Num(0) : Arg(args, 0));
    vm.SetOf(self.object, "y", args.empty() ? Value::Num(0) : Arg(args, 1));
    return self;
}

enum PointMethod { kAdd, kSubtract, kEquals, kClone, kNormalize, kOffset, kToString, kLength };

Value PointMethodFn(Vm& vm, const Value& self, std::vector<Value>& args, int m) {
    switch (m) {
    case kAdd:
    case kSubtract: {
        double s = m == kAdd ? 1 : -1;
        Value o = Arg(args, 0);
        return NewPoint(vm, Value::Num(Coord(vm, self, "x") + s * Coord(vm, o, "x")),
                        Value::Num(Coord(vm, self, "y") + s * Coord(vm, o, "y")));
    }
    case kEquals: {
        // Only another point (by its prototype chain) with the same coordinates.
        Value o = Arg(args, 0);
        if (o.type != Type::Object || !vm.ChainHas(vm.ProtoOf(o.object), PointProto(vm), 0))
            return Value::Bool(false);
        return Value::Bool(Coord(vm, self, "x") == Coord(vm, o, "x") && Coord(vm, self, "y") == Coord(vm, o, "y"));
    }
    case kClone:
        return NewPoint(vm, vm.Get(self, "x"), vm.Get(self, "y"));
    case kNormalize: {
        if (self.type != Type::Object)
            return Value();
        double x = Coord(vm, self, "x"), y = Coord(vm, self, "y");
        double len = std::sqrt(x * x + y * y);
        if (len > 0) {
            double k = vm.ToNumber(Arg(args, 0)) / len;
            vm.SetOf(self.object, "x", Value::Num(x * k));
            vm.SetOf(self.object, "y", Value::Num(y * k));
        }
        return Value();
    }
    case kOffset:
        if (self.type == Type::Object) {
            vm.SetOf(self.object, "x", Value::Num(Coord(vm, self, "x") + vm.ToNumber(Arg(args, 0))));
            vm.SetOf(self.object, "y", Value::Num(Coord(vm, self, "y") + vm.ToNumber(Arg(args, 1))));
        }
        return Value();
    case kToString:
        return Value::Str("(x=" + vm.ToString(vm.Get(self, "x")) + ", y=" + vm.ToString(vm.Get(self, "y")) + ")");
    case kLength: {
        double x = Coord(vm, self, "x"), y = Coord(vm, self, "y");
        return Value::Num(std::sqrt(x * x + y * y));
    }
    }
    return Value();
}

// Matrix(a, b, c, d, tx, ty): the identity without arguments, else the values as given.
Value MatrixCtor(Vm& vm, const Value& self, std::vector<Value>& args, int) {
    if (self.type != Type::Object)
        return Value();
    const char* names[] = {"a", "b", "c", "d", "tx", "ty"};
    const double identity[] = {1, 0, 0, 1, 0, 0};
    for (size_t i = 0; i < 6; ++i)
        vm.SetOf(self.object, names[i], args.empty() ? Value::Num(identity[i]) : Arg(args, i));
    return self;
}

Value MatrixToString(Vm& vm, const Value& self, std::vector<Value>&, int) {
    std::string out = "(";
    const char* names[] = {"a", "b", "c", "d", "tx", "ty"};
    for (size_t i = 0; i < 6; ++i)
        out += std::string(i ? ", " : "") + names[i] + "=" + vm.ToString(vm.Get(self, names[i]));
    return Value::Str(out + ")");
}

enum PointStatic { kDistance, kInterpolate, kPolar };

Value PointStaticFn(Vm& vm, const Value&, std::vector<Value>& args, int m) {
    switch (m) {
    case kDistance: {
        // a.subtract(b).length: a plain object without subtract gives nothing.
        Value sub = vm.CallMethod(Arg(args, 0), "subtract", {Arg(args, 1)});
        return vm.Get(sub, "length");
    }
    case kInterpolate: {
        Value a = Arg(args, 0), b = Arg(args, 1);
        double f = vm.ToNumber(Arg(args, 2));
        double bx = Coord(vm, b, "x"), by = Coord(vm, b, "y");
        return NewPoint(vm, Value::Num(bx + f * (Coord(vm, a, "x") - bx)),
                        Value::Num(by + f * (Coord(vm, a, "y") - by)));
    }
    case kPolar: {
        double len = vm.ToNumber(Arg(args, 0)), angle = vm.ToNumber(Arg(args, 1));
        return NewPoint(vm, Value::Num(len * std::cos(angle)), Value::Num(len * std::sin(angle)));
    }
    }
    return Value();
}

}  // namespace

void InstallGeomBuiltins(Vm& vm) {
    Object* flash = vm.NewObject();
    vm.global->SetOwn("flash", Value::Obj(flash), true, kDontEnum | kVersion8);
    Object* geom = vm.NewObject();
    flash->SetOwn("geom", Value::Obj(geom), true, kDontEnum);
    Object* proto = vm.NewObject();
    Object* ctor = vm.NewFunction(PointCtor, 0, proto);
    geom->SetOwn("Point", Value::Obj(ctor), true, kDontEnum);
    const std::pair<const char*, int> methods[] = {
        {"add", kAdd},       {"subtract", kSubtract}, {"equals", kEquals}, {"clone", kClone}, {"normalize", kNormalize},
        {"offset", kOffset}, {"toString", kToString}};
    for (auto& [n, m] : methods)
        vm.Method(proto, n, PointMethodFn, m);
    Property& length = proto->SetOwn("length", Value(), true, kDontEnum);
    length.getter = vm.NewFunction(PointMethodFn, kLength);
    const std::pair<const char*, int> statics[] = {
        {"distance", kDistance}, {"interpolate", kInterpolate}, {"polar", kPolar}};
    for (auto& [n, m] : statics)
        vm.Method(ctor, n, PointStaticFn, m);
    Object* matrixProto = vm.NewObject();
    geom->SetOwn("Matrix", Value::Obj(vm.NewFunction(MatrixCtor, 0, matrixProto)), true, kDontEnum);
    vm.Method(matrixProto, "toString", MatrixToString);
}

}  // namespace script
