// The interpreter's object model: property access (prototypes, getters and setters, watchers,
// __resolve, clip properties), conversions that call into the movie, calls and construction.
#include "script/Vm.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>

#include "Text.h"

namespace script {

namespace {
constexpr int kMaxProtoDepth = 256;  // a prototype cycle ends the walk

bool ParseIndex(std::string_view name, uint32_t& out) {
    if (name.empty() || name.size() > 10)
        return false;
    if (name.size() > 1 && name[0] == '0')
        return false;
    uint64_t v = 0;
    for (char c : name) {
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + static_cast<uint64_t>(c - '0');
    }
    if (v >= 0xFFFFFFFFull)
        return false;
    out = static_cast<uint32_t>(v);
    return true;
}
}  // namespace

int ClipPropertyIndex(std::string_view name) {
    static const char* const kNames[kPropCount] = {
        "_x",          "_y",     "_xscale",      "_yscale",    "_currentframe", "_totalframes",  "_alpha",
        "_visible",    "_width", "_height",      "_rotation",  "_target",       "_framesloaded", "_name",
        "_droptarget", "_url",   "_highquality", "_focusrect", "_soundbuftime", "_quality",      "_xmouse",
        "_ymouse"};
    if (name.size() < 2 || name[0] != '_')
        return -1;
    for (int i = 0; i < kPropCount; ++i)
        if (NamesEqual(name, kNames[i], false))
            return i;
    return -1;
}

Vm::Vm(DisplayHost& h, uint8_t v) : version(v), host(h) {
    curVersion = v;
    InitBuiltins();
}

Vm::~Vm() = default;

void Vm::InitBuiltins() {
    objectProto = heap.New(Kind::Plain);
    functionProto = heap.New(Kind::Function);
    functionProto->native = [](Vm&, const Value&, std::vector<Value>&, int) { return Value(); };
    functionProto->SetOwn("__proto__", Value::Obj(objectProto), false, kDontEnum | kDontDelete);
    global = heap.New(Kind::Plain);  // _global has no prototype
    InstallObjectBuiltins(*this);
    InstallFunctionBuiltins(*this);
    InstallArrayBuiltins(*this);
    InstallStringBuiltins(*this);
    InstallNumberBuiltins(*this);
    InstallMathBuiltins(*this);
    InstallDateBuiltins(*this);
    InstallGlobalFunctions(*this);
    InstallClipBuiltins(*this);
    InstallColorBuiltins(*this);
    InstallKeyBuiltins(*this);
}

Object* Vm::NewObject(Object* proto) {
    Object* o = heap.New(Kind::Plain);
    Object* p = proto ? proto : objectProto;
    o->SetOwn("__proto__", Value::Obj(p), false, kDontEnum | kDontDelete);
    return o;
}

Object* Vm::NewArray(const std::vector<Value>& items) {
    Object* o = NewObject(arrayProto);
    o->kind = Kind::Array;
    for (uint32_t i = 0; i < items.size(); ++i)
        SetElement(o, i, items[i]);
    return o;
}

Object* Vm::NewFunction(NativeFn fn, int magic, Object* prototypeFor) {
    Object* f = NewObject(functionProto);
    f->kind = Kind::Function;
    f->native = fn;
    f->magic = magic;
    if (prototypeFor) {
        f->SetOwn("prototype", Value::Obj(prototypeFor), false, kDontEnum | kDontDelete);
        prototypeFor->SetOwn("constructor", Value::Obj(f), false, kDontEnum | kDontDelete);
    }
    return f;
}

Object* Vm::NewError(std::string_view message) {
    Object* e = NewObject(errorProto);
    e->kind = Kind::Error;
    e->SetOwn("message", Value::Str(std::string(message)), false);
    return e;
}

Object* Vm::Method(Object* o, std::string_view name, NativeFn fn, int magic, uint16_t flags) {
    Object* f = NewFunction(fn, magic);
    o->SetOwn(name, Value::Obj(f), false, flags);
    return f;
}

Object* Vm::ClipObject(ClipId clip) {
    if (clip == kNoClip)
        return nullptr;
    auto it = m_clipObjects.find(clip);
    if (it != m_clipObjects.end())
        return it->second;
    Object* proto = clipProto;
    if (!registeredClasses.empty()) {
        auto cls = registeredClasses.find(host.SymbolOfClip(clip));
        if (cls != registeredClasses.end()) {
            Value p = GetOf(cls->second, "prototype");
            if (p.type == Type::Object)
                proto = p.object;
        }
    }
    Object* o = NewObject(proto);
    o->kind = Kind::Clip;
    o->clip = clip;
    m_clipObjects[clip] = o;
    return o;
}

void Vm::ClipPlaced(ClipId clip) {
    if (registeredClasses.empty() || m_constructed.count(clip))
        return;
    auto cls = registeredClasses.find(host.SymbolOfClip(clip));
    if (cls == registeredClasses.end())
        return;
    m_constructed[clip] = true;
    Object* o = ClipObject(clip);
    if (!o)
        return;
    const bool outer = depth == 0;
    if (outer)
        blockStart = std::chrono::steady_clock::now();
    try {
        Call(Value::Obj(cls->second), Value::Obj(o), {});
    } catch (ScriptThrow&) {
    } catch (ScriptAbort&) {
        if (!outer)
            throw;
        depth = 0;
        m_stack.clear();
    }
}

void Vm::ClipRemoved(ClipId clip) {
    auto it = m_clipObjects.find(clip);
    if (it == m_clipObjects.end())
        return;
    it->second->clip = kNoClip;
    m_clipObjects.erase(it);
    m_constructed.erase(clip);
}

Object* Vm::ProtoOf(Object* o) {
    Property* p = o->FindOwn("__proto__", false);
    if (!p || p->IsAccessor() || p->value.type != Type::Object)
        return nullptr;
    return p->value.object;
}

Property* Vm::FindProperty(Object* o, std::string_view name, Object** holder) {
    bool cs = CaseSensitive();
    for (int d = 0; o; ++d) {
        // A prototype chain this deep is a cycle: the reference ends the script.
        if (d >= kMaxProtoDepth)
            throw ScriptAbort{RunEnd::TooDeep};
        if (Property* p = o->FindOwn(name, cs)) {
            if (VisibleTo(p->flags, curVersion)) {
                if (holder)
                    *holder = o;
                return p;
            }
        }
        o = ProtoOf(o);
    }
    return nullptr;
}

bool Vm::Has(Object* o, std::string_view name) {
    if (!o)
        return false;
    if (o->kind == Kind::Clip && o->clip != kNoClip) {
        if (ClipPropertyIndex(name) >= 0)
            return true;
        if (host.ChildByName(o->clip, name, CaseSensitive()) != kNoClip)
            return true;
    }
    if (o->kind == Kind::Array && NamesEqual(name, "length", CaseSensitive()))
        return true;
    if (o->kind == Kind::String && NamesEqual(name, "length", CaseSensitive()))
        return true;
    return FindProperty(o, name) != nullptr;
}

Value Vm::Get(const Value& target, std::string_view name) {
    if (target.type == Type::Object)
        return GetOf(target.object, name);
    if (target.IsNullish())
        return Value();
    Object* w = ToObject(target);
    return w ? GetOf(w, name) : Value();
}

Value Vm::GetOf(Object* o, std::string_view name) {
    bool cs = CaseSensitive();
    if (o->kind == Kind::Super)
        return o->superProto ? GetOf(o->superProto, name) : Value();
    // A clip that has gone takes its properties with it: scripts holding it find nothing.
    if (o->kind == Kind::Clip && o->clip == kNoClip)
        return Value();
    if (o->kind == Kind::Clip && o->clip != kNoClip) {
        int idx = ClipPropertyIndex(name);
        if (idx >= 0)
            return host.GetProperty(o->clip, idx);
        if (Property* own = o->FindOwn(name, cs); own && !own->IsAccessor() && name.size() && name[0] == '_') {
            return own->value;  // a variable named like a clip reference wins
        }
        if (NamesEqual(name, "_parent", cs)) {
            ClipId p = host.Parent(o->clip);
            return p ? Value::Obj(ClipObject(p)) : Value();
        }
        if (NamesEqual(name, "_root", cs)) {
            ClipId c = o->clip;
            while (ClipId p = host.Parent(c))
                c = p;
            return Value::Obj(ClipObject(c));
        }
    }
    if (o->kind == Kind::Array && NamesEqual(name, "length", cs))
        return Value::Num(o->length);
    if (o->kind == Kind::String && NamesEqual(name, "length", cs)) {
        std::u16string u = ToUtf16(o->primitive.string);
        return Value::Num(static_cast<double>(u.size()));
    }
    Object* holder = nullptr;
    Property* p = o->FindOwn(name, cs);
    if (p && !VisibleTo(p->flags, curVersion))
        p = nullptr;
    if (p)
        holder = o;
    if (!p && o->kind == Kind::Clip && o->clip != kNoClip) {
        ClipId child = host.ChildByName(o->clip, name, cs);
        if (child)
            return Value::Obj(ClipObject(child));
    }
    if (!p)
        p = FindProperty(o, name, &holder);
    if (p) {
        if (p->IsAccessor()) {
            if (!p->getter)
                return Value();
            Object* getter = p->getter;
            return Call(Value::Obj(getter), Value::Obj(o), {});
        }
        return p->value;
    }
    if (name != "__resolve") {
        Property* r = FindProperty(o, "__resolve");
        if (r && !r->IsAccessor() && IsFunction(r->value)) {
            Value fn = r->value;
            return Call(fn, Value::Obj(o), {Value::Str(std::string(name))});
        }
    }
    return Value();
}

void Vm::Set(const Value& target, std::string_view name, Value v) {
    if (target.type == Type::Object)
        SetOf(target.object, name, std::move(v));
}

void Vm::SetOf(Object* o, std::string_view name, Value v) {
    bool cs = CaseSensitive();
    if (o->kind == Kind::Clip && o->clip != kNoClip) {
        int idx = ClipPropertyIndex(name);
        if (idx >= 0) {
            double n = ToNumber(v);
            std::string s = ToString(v);
            host.SetProperty(o->clip, idx, n, s);
            return;
        }
    }
    if (o->kind == Kind::Array) {
        if (NamesEqual(name, "length", cs)) {
            double n = ToNumber(v);
            if (std::isfinite(n) && n >= 0)
                SetLength(o, static_cast<uint32_t>(std::min(n, 4294967295.0)));
            return;
        }
        uint32_t index;
        if (ParseIndex(name, index) && index >= o->length)
            o->length = index + 1;
    }
    // Watchers see the old and new value and decide what is stored.
    for (auto& w : o->watchers) {
        if (w.busy || !NamesEqual(w.name, name, cs))
            continue;
        Value old = GetOf(o, name);
        w.busy = true;
        Object* cb = w.callback;
        Value data = w.data;
        try {
            v = Call(Value::Obj(cb), Value::Obj(o), {Value::Str(std::string(name)), old, v, data});
        } catch (...) {
            w.busy = false;
            throw;
        }
        // The watcher list may have changed during the call.
        for (auto& w2 : o->watchers)
            if (NamesEqual(w2.name, name, cs))
                w2.busy = false;
        break;
    }
    Property* own = o->FindOwn(name, cs);
    if (own && !VisibleTo(own->flags, curVersion)) {
        // Setting a property hidden from this version makes a plain, visible one of it.
        own->flags &= (kDontEnum | kDontDelete | kReadOnly);
        own->getter = own->setter = nullptr;
        own->value = std::move(v);
        return;
    }
    if (own) {
        if (own->IsAccessor()) {
            if (own->setter)
                Call(Value::Obj(own->setter), Value::Obj(o), {v});
            return;
        }
        if (own->flags & kReadOnly)
            return;
        own->value = std::move(v);
        return;
    }
    Object* holder = nullptr;
    Property* inherited = FindProperty(o, name, &holder);
    if (inherited && inherited->IsAccessor()) {
        if (inherited->setter)
            Call(Value::Obj(inherited->setter), Value::Obj(o), {v});
        return;
    }
    o->SetOwn(name, std::move(v), cs);
}

bool Vm::DeleteOf(Object* o, std::string_view name) {
    Property* p = o->FindOwn(name, CaseSensitive());
    if (!p || (p->flags & kDontDelete))
        return false;
    return o->RemoveOwn(name, CaseSensitive());
}

std::vector<std::string> Vm::EnumerableNames(Object* o) {
    std::vector<std::string> out;
    std::unordered_set<std::string> seen;
    bool cs = CaseSensitive();
    for (int d = 0; o && d < kMaxProtoDepth; ++d) {
        std::vector<std::string> level;
        if (o->kind == Kind::Clip && o->clip != kNoClip) {
            std::vector<ClipId> kids;
            host.Children(o->clip, kids);
            for (ClipId k : kids) {
                std::string n = host.Name(k);
                if (!n.empty())
                    level.push_back(n);
            }
        }
        o->ForEachProperty([&](Property& p) {
            std::string key = cs ? p.name : FoldCase(p.name);
            if (seen.count(key))
                return;
            seen.insert(key);
            if (!(p.flags & kDontEnum))
                level.push_back(p.name);  // version bits do not hide from for..in
        });
        out.insert(out.end(), level.begin(), level.end());
        o = ProtoOf(o);
    }
    return out;
}

uint32_t Vm::LengthOf(Object* o) {
    if (o->kind == Kind::Array)
        return o->length;
    double n = ToNumber(GetOf(o, "length"));
    if (!std::isfinite(n) || n < 0)
        return 0;
    return static_cast<uint32_t>(std::min(n, 4294967295.0));
}

Value Vm::Element(Object* o, uint32_t i) {
    return GetOf(o, std::to_string(i));
}

void Vm::SetElement(Object* o, uint32_t i, Value v) {
    if (o->kind == Kind::Array) {
        o->SetOwn(std::to_string(i), std::move(v), true);
        if (i >= o->length)
            o->length = i + 1;
    } else {
        SetOf(o, std::to_string(i), std::move(v));
    }
}

void Vm::SetLength(Object* o, uint32_t n) {
    if (o->kind != Kind::Array) {
        SetOf(o, "length", Value::Num(n));
        return;
    }
    if (n < o->length) {
        if (o->length - n < o->PropertyCount() * 2 + 16) {
            for (uint32_t i = n; i < o->length; ++i)
                o->RemoveOwn(std::to_string(i), true);
        } else {
            std::vector<std::string> drop;
            o->ForEachProperty([&](Property& p) {
                uint32_t idx;
                if (ParseIndex(p.name, idx) && idx >= n)
                    drop.push_back(p.name);
            });
            for (auto& d : drop)
                o->RemoveOwn(d, true);
        }
    }
    o->length = n;
}

Value Vm::ToPrimitive(const Value& v, bool hintString) {
    if (v.type != Type::Object)
        return v;
    Object* o = v.object;
    // The reference asks valueOf (toString for dates and string hints). A valueOf that gives an
    // object leaves the object (callers then read it as NaN, or as its text next to a text); a
    // missing method gives undefined.
    const char* first = hintString || o->kind == Kind::Date ? "toString" : "valueOf";
    Value fn = GetOf(o, first);
    if (!IsFunction(fn))
        return Value();
    Value r = Call(fn, v, {});
    if (r.type != Type::Object)
        return r;
    if (hintString || o->kind == Kind::Date)
        return Value::Str(ToString(v));
    return v;
}

double Vm::ToNumber(const Value& v) {
    if (v.type != Type::Object)
        return PrimitiveToNumber(v, curVersion);
    Value p = ToPrimitive(v);
    if (p.type == Type::Object)
        return curVersion < 5 ? 0.0 : NAN;
    return PrimitiveToNumber(p, curVersion);
}

std::string Vm::ToString(const Value& v) {
    if (v.type != Type::Object)
        return PrimitiveToString(v, curVersion);
    Object* o = v.object;
    if (o->kind == Kind::Clip)
        return TargetPathOf(o->clip, false);
    if (o->kind == Kind::Super)
        return "[type Object]";
    Value ts = GetOf(o, "toString");
    if (IsFunction(ts)) {
        Value r = Call(ts, v, {});
        if (r.type != Type::Object)
            return PrimitiveToString(r, curVersion);
        return o->kind == Kind::Function ? "[type Function]" : "[type Object]";
    }
    if (o->kind == Kind::Clip)
        return TargetPathOf(o->clip, false);
    return o->kind == Kind::Function ? "[type Function]" : "[type Object]";
}

Object* Vm::ToObject(const Value& v) {
    switch (v.type) {
    case Type::Object:
        return v.object;
    case Type::Undefined:
    case Type::Null:
        return nullptr;
    case Type::Boolean: {
        Object* o = NewObject(booleanProto);
        o->kind = Kind::Boolean;
        o->primitive = v;
        return o;
    }
    case Type::Number: {
        Object* o = NewObject(numberProto);
        o->kind = Kind::Number;
        o->primitive = v;
        return o;
    }
    case Type::String: {
        Object* o = NewObject(stringProto);
        o->kind = Kind::String;
        o->primitive = v;
        return o;
    }
    }
    return nullptr;
}

std::string Vm::TypeOf(const Value& v) {
    switch (v.type) {
    case Type::Undefined:
        return "undefined";
    case Type::Null:
        return "null";
    case Type::Boolean:
        return "boolean";
    case Type::Number:
        return "number";
    case Type::String:
        return "string";
    case Type::Object:
        if (v.object->kind == Kind::Function)
            return "function";
        if (v.object->kind == Kind::Clip)
            return "movieclip";
        return "object";
    }
    return "undefined";
}

bool Vm::InstanceOf(Object* o, Object* ctor) {
    Value protoV = GetOf(ctor, "prototype");
    if (protoV.type != Type::Object)
        return false;
    Object* proto = protoV.object;
    Object* p = ProtoOf(o);
    for (int d = 0; p && d < kMaxProtoDepth; ++d) {
        if (p == proto)
            return true;
        for (Object* i : p->interfaces) {
            // Interfaces count with their own ancestors.
            Object* q = i;
            for (int e = 0; q && e < kMaxProtoDepth; ++e) {
                if (q == proto)
                    return true;
                q = ProtoOf(q);
            }
        }
        p = ProtoOf(p);
    }
    return false;
}

Value Vm::Call(const Value& fn, const Value& self, std::vector<Value> args) {
    return CallWithHolder(fn, self, std::move(args), nullptr);
}

Value Vm::CallWithHolder(const Value& fn, const Value& self, std::vector<Value> args, Object* holder) {
    if (!IsFunction(fn))
        return Value();
    Object* f = fn.object;
    if (depth >= limits.maxRecursion)
        throw ScriptAbort{RunEnd::TooDeep};
    if (f->code)
        return RunFunction(f, self, args, holder);
    if (f->native) {
        ++depth;
        bool wasConstructing = constructing;
        constructing = false;
        struct Restore {
            Vm& vm;
            bool c;
            ~Restore() {
                --vm.depth;
                vm.constructing = c;
            }
        } restore{*this, wasConstructing};
        return f->native(*this, self, args, f->magic);
    }
    return Value();
}

Value Vm::CallMethod(const Value& self, std::string_view name, std::vector<Value> args) {
    Value fn = Get(self, name);
    return Call(fn, self, std::move(args));
}

Value Vm::Construct(const Value& ctor, std::vector<Value> args) {
    if (!IsFunction(ctor))
        return Value();
    Object* c = ctor.object;
    Value protoV = GetOf(c, "prototype");
    Object* o = NewObject(protoV.type == Type::Object ? protoV.object : objectProto);
    if (protoV.type != Type::Object)
        o->RemoveOwn("__proto__", false);
    o->SetOwn("__constructor__", ctor, false, kDontEnum);
    if (curVersion < 7)
        o->SetOwn("constructor", ctor, false, kDontEnum);
    if (c->native) {
        if (depth >= limits.maxRecursion)
            throw ScriptAbort{RunEnd::TooDeep};
        ++depth;
        bool was = constructing;
        constructing = true;
        struct Restore {
            Vm& vm;
            bool c;
            ~Restore() {
                --vm.depth;
                vm.constructing = c;
            }
        } restore{*this, was};
        NativeFn fn = c->nativeConstruct ? c->nativeConstruct : c->native;
        Value r = fn(*this, Value::Obj(o), args, c->magic);
        if (r.type == Type::Object)
            return r;
        return Value::Obj(o);
    }
    CallWithHolder(ctor, Value::Obj(o), std::move(args), protoV.type == Type::Object ? protoV.object : nullptr);
    return Value::Obj(o);
}

void Vm::CheckStringSize(size_t bytes) {
    if (bytes > limits.maxStringBytes)
        throw ScriptAbort{RunEnd::TooLarge};
}

std::string Vm::TargetPathOf(ClipId clip, bool slash) {
    std::vector<std::string> names;
    ClipId c = clip;
    while (c) {
        ClipId p = host.Parent(c);
        if (!p)
            break;
        names.push_back(host.Name(c));
        c = p;
    }
    int level = c ? host.LevelNumber(c) : 0;
    std::string out;
    if (slash) {
        if (level != 0)
            out = "_level" + std::to_string(level);
        for (auto it = names.rbegin(); it != names.rend(); ++it) {
            out += '/';
            out += *it;
        }
        if (out.empty())
            out.push_back('/');
    } else {
        out = "_level" + std::to_string(level < 0 ? 0 : level);
        for (auto it = names.rbegin(); it != names.rend(); ++it) {
            out += '.';
            out += *it;
        }
    }
    return out;
}

Object* Vm::ResolvePath(Object* start, std::string_view path) {
    if (!start)
        return nullptr;
    Object* cur = start;
    size_t i = 0;
    if (path.empty())
        return cur;
    auto rootOf = [&](Object* o) -> Object* {
        if (!o || o->kind != Kind::Clip || !o->clip)
            return ClipObject(host.Level(0));
        ClipId c = o->clip;
        while (ClipId p = host.Parent(c))
            c = p;
        return ClipObject(c);
    };
    if (path[0] == '/') {
        cur = rootOf(cur);
        i = 1;
    }
    bool cs = CaseSensitive();
    while (i < path.size() && cur) {
        size_t j = i;
        while (j < path.size() && path[j] != '/' && path[j] != '.' && path[j] != ':')
            ++j;
        // ".." in slash paths is the parent.
        if (j == i && path.compare(i, 2, "..") == 0) {
            j = i + 2;
            std::string_view seg = "..";
            (void)seg;
            if (cur->kind == Kind::Clip && cur->clip) {
                ClipId p = host.Parent(cur->clip);
                cur = p ? ClipObject(p) : nullptr;
            } else {
                cur = nullptr;
            }
            i = j;
            if (i < path.size() && (path[i] == '/' || path[i] == '.' || path[i] == ':'))
                ++i;
            continue;
        }
        std::string_view seg = path.substr(i, j - i);
        if (seg.empty()) {
            i = j + 1;
            continue;
        }
        if (NamesEqual(seg, "_root", cs)) {
            cur = rootOf(cur);
        } else if (NamesEqual(seg, "_global", cs)) {
            cur = global;
        } else if (NamesEqual(seg, "this", cs)) {
            // stays
        } else if (seg.size() > 6 && NamesEqual(seg.substr(0, 6), "_level", false)) {
            int n = 0;
            for (char ch : seg.substr(6))
                n = n * 10 + (ch >= '0' && ch <= '9' ? ch - '0' : 0);
            cur = ClipObject(host.Level(n));
        } else if (NamesEqual(seg, "_parent", cs)) {
            if (cur->kind == Kind::Clip && cur->clip) {
                ClipId p = host.Parent(cur->clip);
                cur = p ? ClipObject(p) : nullptr;
            } else {
                Value pv = GetOf(cur, "_parent");
                cur = pv.type == Type::Object ? pv.object : nullptr;
            }
        } else {
            Value v = GetOf(cur, seg);
            cur = v.type == Type::Object ? v.object : nullptr;
        }
        i = j;
        if (i < path.size())
            ++i;
    }
    return cur;
}

size_t Vm::CollectGarbage() {
    std::vector<Object*> roots = {global,         objectProto,  functionProto, arrayProto,    stringProto,
                                  numberProto,    booleanProto, dateProto,     errorProto,    clipProto,
                                  broadcasterObj, arrayCtor,    objectCtor,    currentTarget, keyObj};
    for (auto& [id, o] : m_clipObjects)
        roots.push_back(o);
    for (auto& [key, ctor] : registeredClasses)
        roots.push_back(ctor);
    for (auto& v : m_stack)
        if (v.type == Type::Object)
            roots.push_back(v.object);
    for (auto& v : globalRegisters)
        if (v.type == Type::Object)
            roots.push_back(v.object);
    for (auto& t : timers) {
        if (t.fn.type == Type::Object)
            roots.push_back(t.fn.object);
        for (auto& a : t.args)
            if (a.type == Type::Object)
                roots.push_back(a.object);
    }
    for (Object* o : extraRoots)
        roots.push_back(o);
    roots.erase(std::remove(roots.begin(), roots.end(), nullptr), roots.end());
    return heap.Collect(roots);
}

}  // namespace script
