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

// An element name as arrays read it: decimal digits with an optional minus sign, wrapped to 32
// bits as the reference's integer parse does ("4294967296" is element 0, "-1" is -1).
bool ParseIndex(std::string_view name, int32_t& out) {
    size_t i = name.size() > 1 && name[0] == '-' ? 1 : 0;
    if (i >= name.size() || (name.size() - i > 1 && name[i] == '0'))
        return false;
    uint32_t v = 0;
    for (; i < name.size(); ++i) {
        char c = name[i];
        if (c < '0' || c > '9')
            return false;
        v = v * 10u + static_cast<uint32_t>(c - '0');
    }
    out = static_cast<int32_t>(name[0] == '-' ? 0u - v : v);
    return true;
}
}  // namespace

bool LevelNumberOf(std::string_view name, int& level) {
    if (name.size() <= 6 || !NamesEqual(name.substr(0, 6), "_level", false))
        return false;
    int n = 0;
    for (char c : name.substr(6)) {
        if (c < '0' || c > '9')
            return false;
        n = n * 10 + (c - '0');
        if (n > 100000)
            return false;
    }
    level = n;
    return true;
}

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
    functionProto = heap.New(Kind::Plain);  // an object, not itself a function
    functionProto->SetOwn("__proto__", Value::Obj(objectProto), false, kDontEnum | kDontDelete);
    global = heap.New(Kind::Plain);  // _global has no prototype
    emptyLevel = heap.New(Kind::Plain);
    InstallObjectBuiltins(*this);
    InstallFunctionBuiltins(*this);
    InstallArrayBuiltins(*this);
    InstallStringBuiltins(*this);
    InstallNumberBuiltins(*this);
    InstallMathBuiltins(*this);
    InstallDateBuiltins(*this);
    InstallGlobalFunctions(*this);
    InstallClipBuiltins(*this);
    InstallClipLookBuiltins(*this);
    InstallGeomBuiltins(*this);
    InstallGeomRectBuiltins(*this);
    InstallBitmapDataBuiltins(*this);
    InstallTransformBuiltins(*this);
    InstallXmlBuiltins(*this);
    InstallLoadVarsBuiltins(*this);
    InstallClipLoaderBuiltins(*this);
    InstallNativeTableBuiltins(*this);
    InstallColorBuiltins(*this);
    InstallKeyBuiltins(*this);
    InstallTextFieldBuiltins(*this);
    InstallSoundBuiltins(*this);
    InstallSharedObjectBuiltins(*this);
    InstallSelectionBuiltins(*this);
    InstallButtonBuiltins(*this);
    InstallTabIndexBuiltins(*this);
    InstallStubBuiltins(*this);
    InstallStageBuiltins(*this);
    InstallPrintJobBuiltins(*this);
    InstallExternalInterfaceBuiltins(*this);
    InstallConnectionBuiltins(*this);
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

void Vm::SetClipProperty(ClipId clip, int idx, const Value& v) {
    // Each property converts the value its own way: texts for the name and quality, nothing for
    // the read-only paths, a number for the rest.
    if (idx == kPropFocusRect) {
        SetFocusRect(clip, v);
        return;
    }
    double n = NAN;
    std::string s;
    if (idx == kPropName || idx == kPropQuality) {
        s = ToString(v);
        n = StringToNumber(s, curVersion);
    } else if (idx != kPropUrl && idx != kPropTarget && idx != kPropDropTarget) {
        n = ToNumber(v);
        s = NumberToString(n);
    }
    if (clip != kNoClip)
        host.SetProperty(clip, idx, n, s);
    // An object made invisible loses the keyboard focus.
    if (idx == kPropVisible && clip != kNoClip && clip == focus && n == 0)
        ChangeFocus(kNoClip);
}

Object* Vm::ClipObject(ClipId clip) {
    if (clip == kNoClip)
        return nullptr;
    auto it = m_clipObjects.find(clip);
    if (it != m_clipObjects.end())
        return it->second;
    Object* proto = textFieldProto && host.TextFieldOf(clip) ? textFieldProto
                    : buttonProto && host.IsButton(clip)     ? buttonProto
                                                             : clipProto;
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
    RunAsBlock([&] { Call(Value::Obj(cls->second), Value::Obj(o), {}); });
}

void Vm::ClipRemoved(ClipId clip) {
    if (clip == focus)
        focus = kNoClip;
    auto it = m_clipObjects.find(clip);
    if (it == m_clipObjects.end())
        return;
    it->second->clipPath = TargetPathOf(clip, false);
    it->second->clip = kNoClip;
    m_clipObjects.erase(it);
    m_constructed.erase(clip);
}

Object* Vm::LiveClip(Object* o) {
    if (!o || o->kind != Kind::Clip || o->clip != kNoClip)
        return o;
    if (o->clipPath.empty())
        return nullptr;
    Object* found = ResolvePath(ClipObject(host.Level(0)), o->clipPath);
    return found && found->kind == Kind::Clip && found->clip != kNoClip ? found : nullptr;
}

// A super object may be made its own prototype; reading through such a loop ends the script.
Vm::SuperGuard::SuperGuard(Vm& v) : vm(v) {
    if (++vm.m_superNesting > 256) {
        --vm.m_superNesting;
        throw ScriptAbort{RunEnd::TooDeep};
    }
}
Vm::SuperGuard::~SuperGuard() {
    --vm.m_superNesting;
}

Object* Vm::SuperLevel(Object* sup) {
    if (sup->superProto)
        return sup->superProto;
    return sup->superThis ? ProtoOf(sup->superThis) : nullptr;
}

Object* Vm::ProtoOf(Object* o) {
    if (o->kind == Kind::Super)  // a super object reads through the prototype above its level
    {
        Object* level = SuperLevel(o);
        return level && level->kind != Kind::Clip ? ProtoOf(level) : nullptr;
    }
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
        if (Value v; ClipPathName(o->clip, name, v) && !v.IsUndefined())
            return true;
    }
    if (o->kind == Kind::Array && NamesEqual(name, "length", CaseSensitive()))
        return true;
    if (o->kind == Kind::String && NamesEqual(name, "length", CaseSensitive()))
        return true;
    return FindProperty(o, name) != nullptr;
}

bool Vm::ClipPathName(ClipId clip, std::string_view name, Value& out) {
    if (name.size() < 2 || name[0] != '_')
        return false;
    bool cs = CaseSensitive();
    if (NamesEqual(name, "_parent", cs)) {
        ClipId p = host.Parent(clip);
        out = p ? Value::Obj(ClipObject(p)) : Value();
        return true;
    }
    if (NamesEqual(name, "_root", cs)) {
        out = Value::Obj(ClipObject(RootClipOf(clip)));
        return true;
    }
    if (curVersion >= 6 && NamesEqual(name, "_global", cs)) {
        out = Value::Obj(global);
        return true;
    }
    if (int level; LevelNumberOf(name, level)) {
        ClipId l = host.Level(level);
        out = l ? Value::Obj(ClipObject(l)) : Value();
        return true;
    }
    return false;
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
    if (o->kind == Kind::Super) {
        Object* base = ProtoOf(o);
        SuperGuard guard{*this};
        return base && base->kind != Kind::Clip ? GetOf(base, name) : Value();
    }
    // A clip that has gone takes its properties with it: scripts holding it find those of the
    // clip now at its path, or nothing.
    if (o->kind == Kind::Clip && o->clip == kNoClip) {
        Object* now = LiveClip(o);
        return now ? GetOf(now, name) : Value();
    }
    if (o->kind == Kind::Clip && o->clip != kNoClip) {
        int idx = ClipPropertyIndex(name);
        if (idx >= 0)
            return idx == kPropFocusRect ? FocusRectOf(o->clip) : host.GetProperty(o->clip, idx);
        if (Property* own = o->FindOwn(name, cs); own && !own->IsAccessor() && name.size() && name[0] == '_') {
            return own->value;  // a variable named like a clip reference wins
        }
        if (Value v; ClipPathName(o->clip, name, v))
            return v;
    }
    if (o->kind == Kind::Array && NamesEqual(name, "length", cs))
        return Value::Num(static_cast<int32_t>(o->length));
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
        if (p->IsAccessor())
            return GetThroughAccessor(holder ? holder : o, o, name);
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
    if (o->kind == Kind::Clip && o->clip == kNoClip) {
        if (Object* now = LiveClip(o))
            SetOf(now, name, std::move(v));
        return;
    }
    if (o->kind == Kind::Clip && o->clip != kNoClip) {
        int idx = ClipPropertyIndex(name);
        if (idx >= 0) {
            SetClipProperty(o->clip, idx, v);
            return;
        }
    }
    if (o->kind == Kind::Array) {
        if (NamesEqual(name, "length", cs)) {
            SetArrayLength(o, ToInt32(ToNumber(v)));
            return;
        }
        // An element at or past the end makes the length one more, in 32-bit arithmetic.
        int32_t index;
        if (ParseIndex(name, index) && index >= static_cast<int32_t>(o->length))
            SetArrayLength(o, static_cast<int32_t>(static_cast<uint32_t>(index) + 1u));
    }
    // Watchers see the old and new value and decide what is stored. A watcher that sets the
    // property again is called again, 65 levels deep at most; a set past that stores directly.
    constexpr int kMaxWatchNesting = 65;
    for (auto& w : o->watchers) {
        if (w.busy >= kMaxWatchNesting || !NamesEqual(w.name, name, cs))
            continue;
        // The watcher sees the stored value (an addProperty pair keeps one too, without its
        // getter being asked).
        Property* slot = o->FindOwn(name, cs);
        Value old = slot ? slot->value : Value();
        ++w.busy;
        // A watcher counts as a call of the pair's getter or setter too: at the deepest
        // watcher they are no longer called.
        bool pair = slot && slot->IsAccessor();
        if (pair)
            ++slot->getting;
        Object* cb = w.callback;
        Value data = w.data;
        // The watcher list and the property may change during the call: both are found again.
        auto release = [&] {
            for (auto& w2 : o->watchers)
                if (NamesEqual(w2.name, name, cs) && w2.busy > 0) {
                    --w2.busy;
                    break;
                }
            if (Property* q = o->FindOwn(name, cs); pair && q && q->getting)
                --q->getting;
        };
        try {
            v = Call(Value::Obj(cb), Value::Obj(o), {Value::Str(std::string(name)), old, v, data});
        } catch (...) {
            release();
            throw;
        }
        release();
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
            SetThroughAccessor(o, o, name, std::move(v));
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
        SetThroughAccessor(holder, o, name, std::move(v));
        return;
    }
    o->SetOwn(name, std::move(v), cs);
}

// An addProperty pair keeps a stored value: what a getter called too deep inside itself
// answers, and what a watcher sees. Movies of format 6 may not re-enter a getter or setter;
// later ones may, 65 calls deep (getter, setter and watcher calls of the property together).
int Vm::AccessorNesting() const {
    return curVersion >= 7 ? 65 : 1;
}

Value Vm::GetThroughAccessor(Object* holder, Object* self, std::string_view name) {
    bool cs = CaseSensitive();
    Property* p = holder->FindOwn(name, cs);
    if (!p || !p->IsAccessor())
        return p ? p->value : Value();
    if (p->getting + p->setting >= AccessorNesting() || !p->getter)
        return p->getter ? p->value : Value();
    ++p->getting;
    Object* getter = p->getter;
    auto release = [&] {
        if (Property* q = holder->FindOwn(name, cs); q && q->getting)
            --q->getting;
    };
    Value r;
    try {
        r = Call(Value::Obj(getter), Value::Obj(self), {});
    } catch (...) {
        release();
        throw;
    }
    release();
    return r;
}

void Vm::SetThroughAccessor(Object* holder, Object* self, std::string_view name, Value v) {
    bool cs = CaseSensitive();
    Property* p = holder->FindOwn(name, cs);
    if (!p || !p->IsAccessor())
        return;
    if (!p->setter || p->getting + p->setting >= AccessorNesting()) {  // too deep: only stored
        p->value = std::move(v);
        return;
    }
    ++p->setting;
    Object* setter = p->setter;
    auto release = [&]() -> Property* {
        Property* q = holder->FindOwn(name, cs);
        if (q && q->setting)
            --q->setting;
        return q;
    };
    try {
        Call(Value::Obj(setter), Value::Obj(self), {v});
    } catch (...) {
        release();
        throw;
    }
    // The value is stored once the setter is done (so the outermost set is the one kept).
    if (Property* q = release(); q && q->IsAccessor())
        q->value = std::move(v);
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
        return static_cast<int32_t>(o->length) < 0 ? 0 : o->length;
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
        if (static_cast<int32_t>(i) >= static_cast<int32_t>(o->length))
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
    SetArrayLength(o, static_cast<int32_t>(n));
}

void Vm::SetArrayLength(Object* o, int32_t n) {
    // A shorter length deletes the elements from max(n, 0) up to the old length (those that
    // may be deleted); a negative length is kept as it is.
    const int32_t old = static_cast<int32_t>(o->length);
    const int32_t from = std::max(n, 0);
    if (from < old) {
        if (static_cast<uint32_t>(old - from) < o->PropertyCount() * 2 + 16) {
            for (int32_t i = from; i < old; ++i)
                DeleteOf(o, std::to_string(i));
        } else {
            std::vector<std::string> drop;
            o->ForEachProperty([&](Property& p) {
                int32_t idx;
                if (p.name[0] != '-' && ParseIndex(p.name, idx) && idx >= from && idx < old &&
                    std::to_string(idx) == p.name)
                    drop.push_back(p.name);
            });
            for (auto& d : drop)
                DeleteOf(o, d);
        }
    }
    o->length = static_cast<uint32_t>(n);
}

// valueOf and toString for a conversion: found through prototypes and getters, never through
// __resolve.
Value Vm::ConversionMethod(Object* o, std::string_view name) {
    if (o->kind == Kind::Super) {
        Object* base = ProtoOf(o);
        SuperGuard guard{*this};
        return base && base->kind != Kind::Clip ? ConversionMethod(base, name) : Value();
    }
    Property* p = FindProperty(o, name);
    if (!p)
        return Value();
    if (!p->IsAccessor())
        return p->value;
    return p->getter ? Call(Value::Obj(p->getter), Value::Obj(o), {}) : Value();
}

Value Vm::ToPrimitive(const Value& v, bool hintString) {
    if (v.type != Type::Object)
        return v;
    Object* o = v.object;
    // The reference asks valueOf (toString for dates and string hints). A valueOf that gives an
    // object leaves the object (callers then read it as NaN, or as its text next to a text); a
    // missing method gives undefined.
    // Format 5 gives dates no string preference.
    bool dateText = o->kind == Kind::Date && curVersion >= 6;
    const char* first = hintString || dateText ? "toString" : "valueOf";
    Value fn = ConversionMethod(o, first);
    if (!IsFunction(fn))
        return Value();
    Value r = Call(fn, v, {});
    if (r.type != Type::Object)
        return r;
    if (hintString || dateText)
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
    if (o->kind == Kind::Clip) {
        Object* now = LiveClip(o);
        return now ? TargetPathOf(now->clip, false) : std::string();
    }
    if (o->kind == Kind::Super)
        return "[type Object]";
    Value ts = ConversionMethod(o, "toString");
    if (IsFunction(ts)) {
        // Only a text from toString counts; anything else reads as the object's type.
        Value r = Call(ts, v, {});
        if (r.type == Type::String)
            return r.string;
        return o->kind == Kind::Function ? "[type Function]" : "[type Object]";
    }
    if (o->kind == Kind::Clip)
        return TargetPathOf(o->clip, false);
    return o->kind == Kind::Function ? "[type Function]" : "[type Object]";
}

Object* Vm::ToObject(const Value& v) {
    const char* ctorName = nullptr;
    switch (v.type) {
    case Type::Object:
        return v.object;
    case Type::Undefined:
    case Type::Null:
        return nullptr;
    case Type::Boolean:
        ctorName = "Boolean";
        break;
    case Type::Number:
        ctorName = "Number";
        break;
    case Type::String:
        ctorName = "String";
        break;
    }
    // A primitive is wrapped by whatever _global's Boolean, Number or String is now (a getter
    // counts, __resolve does not); something that is not a function wraps nothing.
    Property* p = FindProperty(global, ctorName);
    Value ctor;
    if (p)
        ctor = p->IsAccessor() ? (p->getter ? Call(Value::Obj(p->getter), Value::Obj(global), {}) : Value()) : p->value;
    if (!IsFunction(ctor))
        return nullptr;
    Value r = Construct(ctor, {v});
    return r.type == Type::Object ? r.object : nullptr;
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
        if (v.object->kind == Kind::Clip && !(v.object->clip != kNoClip && host.IsButton(v.object->clip)))
            return "movieclip";
        return "object";  // buttons too
    }
    return "undefined";
}

Value Vm::StoredPrototypeOf(Object* ctor) {
    Property* p = ctor->FindOwn("prototype", CaseSensitive());
    return p ? p->value : Value();
}

bool Vm::InstanceOf(Object* o, Object* ctor) {
    // The constructor's own stored "prototype" (no getter, no prototypes, whatever the version
    // bits); a primitive there is wrapped, which runs the String, Number or Boolean constructor
    // a movie may have replaced (and that may name interfaces before the chain is read).
    // A clip reference reads through to the clip it names now (a gone one has no properties).
    ctor = LiveClip(ctor);
    if (!ctor)
        return false;
    const Value stored = StoredPrototypeOf(ctor);
    // A clip as a prototype matches nothing.
    if (stored.IsNullish() || (stored.type == Type::Object && stored.object->kind == Kind::Clip))
        return false;
    Object* proto = ToObject(stored);
    o = LiveClip(o);
    if (!proto || !o)
        return false;
    return ChainHas(ProtoOf(o), proto, 0);
}

// Whether `proto` is on the chain from `p`, counting the interfaces each level implements and
// the interfaces those implement (not the chains of the interfaces).
bool Vm::ChainHas(Object* p, Object* proto, int nesting) {
    if (nesting > 16)
        return false;
    for (int d = 0; p && d < kMaxProtoDepth; ++d) {
        if (p == proto || ImplementsInterface(p, proto, nesting))
            return true;
        p = ProtoOf(p);
    }
    return false;
}

bool Vm::ImplementsInterface(Object* p, Object* proto, int nesting) {
    if (nesting > 16)
        return false;
    for (Object* i : p->interfaces)
        if (i == proto || ImplementsInterface(i, proto, nesting + 1))
            return true;
    return false;
}

namespace {

// One call of a native function: a level of depth, and whether it runs as a constructor, both
// undone on the way out, a throw included.
struct NativeCallScope {
    Vm& vm;
    bool wasConstructing;
    NativeCallScope(Vm& v, bool constructing) : vm(v), wasConstructing(v.constructing) {
        ++vm.depth;
        vm.constructing = constructing;
    }
    ~NativeCallScope() {
        --vm.depth;
        vm.constructing = wasConstructing;
    }
};

}  // namespace

Value Vm::Call(const Value& fn, const Value& self, std::vector<Value> args) {
    return CallWithHolder(fn, self, std::move(args), nullptr);
}

Value Vm::CallWithHolder(const Value& fn, const Value& self, std::vector<Value> args, Object* holder) {
    if (!IsFunction(fn)) {
        if (fn.type == Type::Boolean || fn.type == Type::Number || fn.type == Type::String)
            ToObject(fn);  // calling a primitive wraps it first, then gives nothing
        return Value();
    }
    Object* f = fn.object;
    if (depth >= limits.maxRecursion)
        throw ScriptAbort{RunEnd::TooDeep};
    if (f->code)
        return RunFunction(f, self, args, holder);
    if (f->native) {
        NativeCallScope scope{*this, false};
        return f->native(*this, self, args, f->magic);
    }
    return Value();
}

Value Vm::CallMethod(const Value& self, std::string_view name, std::vector<Value> args) {
    Value fn = Get(self, name);
    return Call(fn, self, std::move(args));
}

Value Vm::Construct(const Value& ctor, std::vector<Value> args) {
    if (!IsFunction(ctor)) {
        if (ctor.type == Type::Boolean || ctor.type == Type::Number || ctor.type == Type::String)
            ToObject(ctor);
        return Value();
    }
    Object* c = ctor.object;
    Value protoV = GetOf(c, "prototype");
    // The new object's __proto__ is the constructor's prototype, whatever value that is.
    Object* o = NewObject();
    o->SetOwn("__proto__", protoV, false);
    o->SetOwn("__constructor__", ctor, false, kDontEnum);
    if (curVersion < 7)
        o->SetOwn("constructor", ctor, false, kDontEnum);
    if (c->native) {
        // A native constructor that refuses its arguments answers null: no object.
        Value r = ConstructNative(c, Value::Obj(o), args);
        if (r.type == Type::Object)
            return r;
        return r.IsNull() ? Value() : Value::Obj(o);
    }
    CallWithHolder(ctor, Value::Obj(o), std::move(args), nullptr);
    return Value::Obj(o);
}

Value Vm::ConstructNative(Object* c, const Value& self, std::vector<Value>& args) {
    if (depth >= limits.maxRecursion)
        throw ScriptAbort{RunEnd::TooDeep};
    NativeCallScope scope{*this, true};
    NativeFn fn = c->nativeConstruct ? c->nativeConstruct : c->native;
    return fn(*this, self, args, c->magic);
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

Object* Vm::ResolvePath(Object* start, std::string_view path, bool slashes) {
    if (!start)
        return nullptr;
    Object* cur = start;
    size_t i = 0;
    if (path.empty())
        return cur;
    auto rootOf = [&](Object* o) -> Object* {
        if (!o || o->kind != Kind::Clip || !o->clip)
            return ClipObject(host.Level(0));
        return ClipObject(RootClipOf(o->clip));
    };
    if (path[0] == '/') {
        cur = rootOf(cur);
        i = 1;
    }
    bool cs = CaseSensitive();
    // Once a slash has been read, a dot no longer separates names (it is part of one).
    slashes = slashes || path[0] == '/';
    while (i < path.size() && cur) {
        size_t j = i;
        // ".." in slash paths is the parent.
        if (path.compare(i, 2, "..") == 0 && (i + 2 == path.size() || path[i + 2] == '/' || path[i + 2] == ':')) {
            j = i + 2;
            if (cur->kind == Kind::Clip && cur->clip) {
                ClipId p = host.Parent(cur->clip);
                cur = p ? ClipObject(p) : nullptr;
            } else {
                cur = nullptr;
            }
            i = j;
            if (i < path.size()) {
                slashes = slashes || path[i] == '/';
                ++i;
            }
            continue;
        }
        while (j < path.size() && path[j] != '/' && path[j] != ':' && (slashes || path[j] != '.'))
            ++j;
        std::string_view seg = path.substr(i, j - i);
        if (seg.empty()) {
            // A name left out between two separators names nothing; one at the end is the clip.
            if (j < path.size())
                return nullptr;
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
        if (i < path.size()) {
            slashes = slashes || path[i] == '/';
            ++i;
        }
    }
    return cur;
}

size_t Vm::CollectGarbage() {
    std::vector<Object*> roots = {global,       objectProto,   functionProto, arrayProto, stringProto,    numberProto,
                                  booleanProto, dateProto,     errorProto,    clipProto,  broadcasterObj, arrayCtor,
                                  objectCtor,   currentTarget, emptyLevel,    keyObj,     selectionObj,   buttonProto};
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
    for (auto& c : deferredCalls)
        for (const Value* v : {&c.fn, &c.self})
            if (v->type == Type::Object)
                roots.push_back(v->object);
    for (auto& c : deferredCalls)
        for (auto& a : c.args)
            if (a.type == Type::Object)
                roots.push_back(a.object);
    for (auto& [name, o] : localConnections)
        roots.push_back(o);
    for (auto& [key, o] : sharedObjects)
        roots.push_back(o);
    for (Object* o : extraRoots)
        roots.push_back(o);
    for (const PendingLoad& l : pendingLoads)
        roots.insert(roots.end(), {l.receiver, l.clipLoader});
    for (const PendingInit& i : pendingInits)
        roots.push_back(i.clipLoader);
    roots.erase(std::remove(roots.begin(), roots.end(), nullptr), roots.end());
    const size_t freed = heap.Collect(roots);
    m_liveAfterCollect = heap.Count();
    return freed;
}

size_t Vm::CollectGarbageWhenGrown() {
    const size_t live = m_liveAfterCollect;
    if (heap.Count() < std::max(live * 2, live + kCollectSlack))
        return 0;
    return CollectGarbage();
}

}  // namespace script
