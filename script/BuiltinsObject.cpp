// Object, Function, Boolean, Error and AsBroadcaster.
#include <cmath>

#include "script/Vm.h"

namespace script {

namespace {

Value Arg(std::vector<Value>& a, size_t i) {
    return i < a.size() ? a[i] : Value();
}

Value ObjectCtor(Vm& vm, const Value& self, std::vector<Value>& args, int) {
    if (!args.empty() && args[0].type != Type::Undefined && args[0].type != Type::Null) {
        Object* o = vm.ToObject(args[0]);
        if (o)
            return Value::Obj(o);
    }
    if (vm.constructing && self.type == Type::Object)
        return self;
    return Value::Obj(vm.NewObject());
}

enum ObjectMethod {
    kToString,
    kValueOf,
    kHasOwn,
    kIsPrototypeOf,
    kIsEnumerable,
    kAddProperty,
    kWatch,
    kUnwatch,
    kToLocale
};

Value ObjectMethodFn(Vm& vm, const Value& self, std::vector<Value>& args, int m) {
    Object* o = self.type == Type::Object ? self.object : nullptr;
    switch (m) {
    case kToString:
    case kToLocale:
        if (o && o->kind == Kind::Function)
            return Value::Str("[type Function]");
        return Value::Str("[object Object]");
    case kValueOf:
        return self;
    case kHasOwn: {
        if (!o || args.empty())
            return Value::Bool(false);
        std::string n = vm.ToString(Arg(args, 0));
        if (n.empty())
            return Value::Bool(false);
        if (o->kind == Kind::Array && NamesEqual(n, "length", vm.CaseSensitive()))
            return Value::Bool(true);
        return Value::Bool(o->FindOwn(n, vm.CaseSensitive()) != nullptr);
    }
    case kIsPrototypeOf: {
        Value v = Arg(args, 0);
        if (!o || v.type != Type::Object)
            return Value::Bool(false);
        Object* p = vm.ProtoOf(v.object);
        for (int d = 0; p && d < 256; ++d) {
            if (p == o)
                return Value::Bool(true);
            p = vm.ProtoOf(p);
        }
        return Value::Bool(false);
    }
    case kIsEnumerable: {
        if (!o)
            return Value::Bool(false);
        Property* p = o->FindOwn(vm.ToString(Arg(args, 0)), vm.CaseSensitive());
        return Value::Bool(p && !(p->flags & kDontEnum));
    }
    case kAddProperty: {
        if (!o || args.size() < 2)
            return Value::Bool(false);
        std::string name = vm.ToString(args[0]);
        if (name.empty() || !vm.IsFunction(args[1]))
            return Value::Bool(false);
        Value setter = Arg(args, 2);
        if (!setter.IsNull() && !setter.IsUndefined() && !vm.IsFunction(setter))
            return Value::Bool(false);
        // A pair over a stored value keeps that value underneath (what instanceof and
        // implements read as a constructor's prototype).
        Property* had = o->FindOwn(name, vm.CaseSensitive());
        Property& p = o->SetOwn(name, had ? had->value : Value(), vm.CaseSensitive());
        p.getter = args[1].object;
        p.setter = vm.IsFunction(setter) ? setter.object : nullptr;
        // A watcher of the name sees the pair arrive (from the stored value to undefined) and
        // its answer is kept as the pair's stored value.
        for (auto& w : o->watchers) {
            if (w.busy > 0 || !NamesEqual(w.name, name, vm.CaseSensitive()))
                continue;
            Value cb = Value::Obj(w.callback), data = w.data;
            Value r = vm.Call(cb, self, {Value::Str(name), Value(), Value(), data});
            if (Property* q = o->FindOwn(name, vm.CaseSensitive()))
                q->value = r;
            break;
        }
        return Value::Bool(true);
    }
    case kWatch: {
        if (!o || args.size() < 2 || !vm.IsFunction(args[1]))
            return Value::Bool(false);
        std::string name = vm.ToString(args[0]);
        for (auto& w : o->watchers)
            if (NamesEqual(w.name, name, vm.CaseSensitive())) {
                w.callback = args[1].object;
                w.data = Arg(args, 2);
                return Value::Bool(true);
            }
        o->watchers.push_back({name, args[1].object, Arg(args, 2)});
        return Value::Bool(true);
    }
    case kUnwatch: {
        if (!o)
            return Value::Bool(false);
        std::string name = vm.ToString(Arg(args, 0));
        // A watcher of an addProperty pair stays.
        if (Property* p = o->FindOwn(name, vm.CaseSensitive()); p && p->IsAccessor())
            return Value::Bool(false);
        for (size_t i = 0; i < o->watchers.size(); ++i)
            if (NamesEqual(o->watchers[i].name, name, vm.CaseSensitive())) {
                o->watchers.erase(o->watchers.begin() + static_cast<long>(i));
                return Value::Bool(true);
            }
        return Value::Bool(false);
    }
    }
    return Value();
}

Value RegisterClass(Vm& vm, const Value&, std::vector<Value>& args, int) {
    if (args.size() < 2)
        return Value::Bool(false);
    const std::string key = vm.host.SymbolOfExport(vm.ToString(args[0]));
    if (key.empty())
        return Value::Bool(false);
    if (vm.IsFunction(args[1]))
        vm.registeredClasses[key] = args[1].object;
    else
        vm.registeredClasses.erase(key);
    return Value::Bool(true);
}

enum FunctionMethod { kCall, kApply, kFnToString };

Value FunctionMethodFn(Vm& vm, const Value& self, std::vector<Value>& args, int m) {
    if (m == kFnToString)
        return Value::Str("[type Function]");
    Value thisArg = Arg(args, 0);
    std::vector<Value> rest;
    if (m == kCall) {
        for (size_t i = 1; i < args.size(); ++i)
            rest.push_back(args[i]);
    } else {
        Value a = Arg(args, 1);
        if (a.type == Type::Object) {
            uint32_t n = vm.LengthOf(a.object);
            if (n > vm.limits.maxArrayLength)
                throw ScriptAbort{RunEnd::TooLarge};
            for (uint32_t i = 0; i < n; ++i)
                rest.push_back(vm.Element(a.object, i));
        }
    }
    if (thisArg.IsNullish())
        thisArg = Value::Obj(vm.global);
    else if (thisArg.type != Type::Object) {
        Object* w = vm.ToObject(thisArg);
        thisArg = Value::Obj(w ? w : vm.global);
    }
    return vm.Call(self, thisArg, std::move(rest));
}

Value BooleanCtor(Vm& vm, const Value& self, std::vector<Value>& args, int) {
    bool b = args.empty() ? false : ToBoolean(args[0], vm.curVersion);
    if (args.empty() && !vm.constructing)
        return Value();  // Boolean() called without a value gives nothing
    if (vm.constructing && self.type == Type::Object) {
        self.object->kind = Kind::Boolean;
        self.object->primitive = Value::Bool(b);
        return self;
    }
    return Value::Bool(b);
}

Value BooleanMethod(Vm& vm, const Value& self, std::vector<Value>&, int m) {
    Value p = self;
    if (self.type == Type::Object) {
        if (self.object->kind != Kind::Boolean)
            return Value();
        p = self.object->primitive;
    }
    if (p.type != Type::Boolean)
        return Value();
    if (m == 0)
        return Value::Str(p.boolean ? "true" : "false");
    (void)vm;
    return p;
}

Value ErrorCtor(Vm& vm, const Value& self, std::vector<Value>& args, int) {
    Object* o = self.type == Type::Object && vm.constructing ? self.object : vm.NewObject(vm.errorProto);
    if (!args.empty() && !args[0].IsUndefined())
        o->SetOwn("message", args[0], vm.CaseSensitive());
    return Value::Obj(o);
}

Value ErrorToString(Vm& vm, const Value& self, std::vector<Value>&, int) {
    return Value::Str(vm.ToString(vm.Get(self, "message")));
}

// AsBroadcaster: initialize(o) gives o _listeners, addListener, removeListener, broadcastMessage.
enum BroadcasterMethod { kInitialize, kAdd, kRemove, kBroadcast };

// Listeners match when they are the same value; undefined and null match each other.
bool SameListener(const Value& a, const Value& b) {
    if (a.IsNullish() && b.IsNullish())
        return true;
    if (a.type != b.type)
        return false;
    switch (a.type) {
    case Type::Boolean:
        return a.boolean == b.boolean;
    case Type::Number:
        return a.number == b.number;
    case Type::String:
        return a.string == b.string;
    case Type::Object:
        return a.object == b.object;
    default:
        return true;
    }
}

Value BroadcasterFn(Vm& vm, const Value& self, std::vector<Value>& args, int m) {
    switch (m) {
    case kInitialize: {
        Value t = Arg(args, 0);
        if (t.type != Type::Object)
            return Value();
        Object* b = vm.broadcasterObj;
        t.object->SetOwn("_listeners", Value::Obj(vm.NewArray()), vm.CaseSensitive(), kDontEnum);
        for (const char* n : {"addListener", "removeListener", "broadcastMessage"})
            t.object->SetOwn(n, vm.GetOf(b, n), vm.CaseSensitive(), kDontEnum);
        return Value();
    }
    case kAdd: {
        Value l = vm.Get(self, "_listeners");
        if (l.type != Type::Object)
            return Value::Bool(true);
        // An equal listener already there is taken out first, so each is held once, last.
        Value item = Arg(args, 0);
        uint32_t n = vm.LengthOf(l.object);
        for (uint32_t i = 0; i < n; ++i) {
            if (SameListener(vm.Element(l.object, i), item)) {
                vm.CallMethod(l, "splice", {Value::Num(i), Value::Num(1)});
                break;
            }
        }
        vm.CallMethod(l, "push", {item});
        return Value::Bool(true);
    }
    case kRemove: {
        Value l = vm.Get(self, "_listeners");
        if (l.type != Type::Object)
            return Value::Bool(false);
        Value item = Arg(args, 0);
        uint32_t n = vm.LengthOf(l.object);
        for (uint32_t i = 0; i < n; ++i) {
            if (SameListener(vm.Element(l.object, i), item)) {
                vm.CallMethod(l, "splice", {Value::Num(i), Value::Num(1)});
                return Value::Bool(true);
            }
        }
        return Value::Bool(false);
    }
    case kBroadcast: {
        Value l = vm.Get(self, "_listeners");
        if (l.type != Type::Object || args.empty())
            return Value();
        std::string name = vm.ToString(args[0]);
        std::vector<Value> rest(args.begin() + 1, args.end());
        uint32_t n = vm.LengthOf(l.object);
        std::vector<Value> items;
        for (uint32_t i = 0; i < n; ++i)
            items.push_back(vm.Element(l.object, i));
        for (auto& it : items) {
            // An empty name calls each listener itself.
            if (name.empty())
                vm.Call(it, it, rest);
            else
                vm.CallMethod(it, name, rest);
        }
        return Value::Bool(n > 0);
    }
    }
    return Value();
}

}  // namespace

void InstallObjectBuiltins(Vm& vm) {
    Object* op = vm.objectProto;
    Object* ctor = vm.NewFunction(ObjectCtor, 0, op);
    vm.objectCtor = ctor;
    vm.global->SetOwn("Object", Value::Obj(ctor), false, kDontEnum);
    vm.Method(op, "toString", ObjectMethodFn, kToString);
    vm.Method(op, "toLocaleString", ObjectMethodFn, kToLocale);
    vm.Method(op, "valueOf", ObjectMethodFn, kValueOf);
    vm.Method(op, "hasOwnProperty", ObjectMethodFn, kHasOwn);
    vm.Method(op, "isPrototypeOf", ObjectMethodFn, kIsPrototypeOf);
    vm.Method(op, "isPropertyEnumerable", ObjectMethodFn, kIsEnumerable);
    vm.Method(op, "addProperty", ObjectMethodFn, kAddProperty);
    vm.Method(op, "watch", ObjectMethodFn, kWatch);
    vm.Method(op, "unwatch", ObjectMethodFn, kUnwatch);
    vm.Method(ctor, "registerClass", RegisterClass);

    Object* boolProto = vm.NewObject();
    boolProto->kind = Kind::Boolean;
    boolProto->primitive = Value::Bool(false);
    vm.booleanProto = boolProto;
    Object* boolCtor = vm.NewFunction(BooleanCtor, 0, boolProto);
    vm.Method(boolProto, "toString", BooleanMethod, 0);
    vm.Method(boolProto, "valueOf", BooleanMethod, 1);
    vm.global->SetOwn("Boolean", Value::Obj(boolCtor), false, kDontEnum);

    Object* errProto = vm.NewObject();
    vm.errorProto = errProto;
    Object* errCtor = vm.NewFunction(ErrorCtor, 0, errProto);
    errProto->SetOwn("message", Value::Str("Error"), false, kDontEnum);
    errProto->SetOwn("name", Value::Str("Error"), false, kDontEnum);
    vm.Method(errProto, "toString", ErrorToString);
    vm.global->SetOwn("Error", Value::Obj(errCtor), false, kDontEnum);

    Object* b = vm.NewFunction([](Vm&, const Value&, std::vector<Value>&, int) { return Value(); }, 0, vm.NewObject());
    vm.broadcasterObj = b;
    vm.Method(b, "initialize", BroadcasterFn, kInitialize);
    vm.Method(b, "addListener", BroadcasterFn, kAdd);
    vm.Method(b, "removeListener", BroadcasterFn, kRemove);
    vm.Method(b, "broadcastMessage", BroadcasterFn, kBroadcast);
    vm.global->SetOwn("AsBroadcaster", Value::Obj(b), false, kDontEnum);
}

void InstallFunctionBuiltins(Vm& vm) {
    Object* fp = vm.functionProto;
    Object* ctor =
        vm.NewFunction([](Vm& v, const Value&, std::vector<Value>&, int) { return Value::Obj(v.NewObject()); }, 0, fp);
    vm.global->SetOwn("Function", Value::Obj(ctor), false, kDontEnum);
    vm.Method(fp, "call", FunctionMethodFn, kCall);
    vm.Method(fp, "apply", FunctionMethodFn, kApply);
}

}  // namespace script
