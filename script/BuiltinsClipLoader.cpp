// MovieClipLoader (a broadcaster whose listeners hear the steps of the movies it loads) and the
// loading methods of MovieClip: loadMovie, loadVariables, unloadMovie.
#include <cmath>

#include "script/Vm.h"

namespace script {

namespace {

enum ClipLoaderMethod { kLoadClip, kUnloadClip };
enum ClipLoadMethod { kLoadMovie, kLoadVariables, kUnloadMovie };

const Value& Arg(const std::vector<Value>& args, size_t i) {
    static const Value undef;
    return i < args.size() ? args[i] : undef;
}

// Where a MovieClipLoader call points: a clip (by object or path) or a level by number. False
// when the value names neither.
bool LoadTarget(Vm& vm, const Value& v, ClipId& clip, int& level) {
    clip = kNoClip;
    level = -1;
    if (v.type == Type::Number) {
        const double n = std::trunc(v.number);
        if (!(n >= 0 && n <= 16383))
            return false;
        level = int(n);
        clip = vm.host.Level(level);
        return true;
    }
    if (v.type == Type::String) {
        Object* o = vm.ResolvePath(vm.currentTarget, v.string);
        if (!o || o->kind != Kind::Clip || !o->clip)
            return false;
        clip = o->clip;
        return true;
    }
    if (v.type == Type::Object && v.object->kind == Kind::Clip && v.object->clip) {
        clip = v.object->clip;
        return true;
    }
    return false;
}

Value ClipLoaderCtor(Vm& vm, const Value& self, std::vector<Value>&, int) {
    if (!self.IsObject())
        return Value();
    vm.CallMethod(Value::Obj(vm.broadcasterObj), "initialize", {self});
    // The loader hears its own events first.
    vm.CallMethod(vm.Get(self, "_listeners"), "push", {self});
    return self;
}

Value ClipLoaderMethodFn(Vm& vm, const Value& self, std::vector<Value>& args, int m) {
    if (!self.IsObject())
        return Value();
    switch (m) {
    case kLoadClip: {
        if (args.size() < 2)
            return Value();
        ClipId clip;
        int level;
        if (args[0].type != Type::String || !LoadTarget(vm, args[1], clip, level) || (!clip && level <= 0))
            return Value::Bool(false);
        Vm::PendingLoad load;
        load.url = args[0].string;
        load.clip = clip;
        load.level = level;
        load.clipLoader = self.object;
        vm.pendingLoads.push_back(std::move(load));
        return Value::Bool(true);
    }
    case kUnloadClip: {
        ClipId clip;
        int level;
        if (args.empty() || !LoadTarget(vm, args[0], clip, level) || !clip)
            return Value::Bool(false);
        vm.UnloadClip(clip);
        return Value::Bool(true);
    }
    default:
        return Value();
    }
}

Value ClipLoadMethodFn(Vm& vm, const Value& self, std::vector<Value>& args, int m) {
    if (!self.IsObject() || self.object->kind != Kind::Clip || !self.object->clip)
        return Value();
    const ClipId clip = self.object->clip;
    const std::string url = m == kUnloadMovie ? std::string() : vm.ToString(Arg(args, 0));
    if (url.empty() && m != kLoadVariables) {
        vm.UnloadClip(clip);
        return Value();
    }
    Vm::PendingLoad load;
    load.kind = m == kLoadVariables ? Vm::PendingLoad::Kind::Variables : Vm::PendingLoad::Kind::Movie;
    load.url = url;
    load.clip = clip;
    vm.pendingLoads.push_back(std::move(load));
    return Value();
}

}  // namespace

void InstallClipLoaderBuiltins(Vm& vm) {
    Object* proto = vm.NewObject();
    vm.global->SetOwn("MovieClipLoader", Value::Obj(vm.NewFunction(ClipLoaderCtor, 0, proto)), false, kDontEnum);
    vm.Method(proto, "loadClip", ClipLoaderMethodFn, kLoadClip);
    vm.Method(proto, "unloadClip", ClipLoaderMethodFn, kUnloadClip);
    vm.Method(vm.clipProto, "loadMovie", ClipLoadMethodFn, kLoadMovie);
    vm.Method(vm.clipProto, "loadVariables", ClipLoadMethodFn, kLoadVariables);
    vm.Method(vm.clipProto, "unloadMovie", ClipLoadMethodFn, kUnloadMovie);
}

}  // namespace script
