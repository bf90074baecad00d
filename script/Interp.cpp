// The bytecode loop: every action of formats 4 to 8, the scope chain, function activations,
// With and Try blocks, and the limits (time-out, recursion) that end a block.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>

#include "Text.h"
#include "script/Vm.h"

namespace script {

struct Vm::Frame {
    std::shared_ptr<const std::vector<uint8_t>> bytes;
    uint8_t version = 0;
    std::shared_ptr<Scope> scope;  // innermost first; ends at the timeline
    Object* activation = nullptr;  // locals of a function call
    Value thisv;
    Object* baseClip = nullptr;  // the clip the code belongs to
    Object* target = nullptr;    // SetTarget's clip (starts as baseClip)
    Value* regs = nullptr;
    size_t regCount = 0;
    std::shared_ptr<const std::vector<std::string>> constants;
    size_t stackBase = 0;
    Value retval;
    size_t jumpTarget = 0;
    Object* callee = nullptr;
    bool thisSuppressed = false;  // DefineFunction2 without `this`
    bool baseAlive = false;       // the base clip was on the stage when the code started
    Value localRegs[4];
};

namespace {

enum Flow { kNormal = 0, kReturn = 1, kJump = 2 };

struct Reader {
    const uint8_t* p;
    size_t pos, end;
    bool ok = true;
    uint8_t U8() {
        if (pos + 1 > end) {
            ok = false;
            return 0;
        }
        return p[pos++];
    }
    uint16_t U16() {
        if (pos + 2 > end) {
            ok = false;
            pos = end;
            return 0;
        }
        uint16_t v = static_cast<uint16_t>(p[pos] | (p[pos + 1] << 8));
        pos += 2;
        return v;
    }
    uint32_t U32() {
        if (pos + 4 > end) {
            ok = false;
            pos = end;
            return 0;
        }
        uint32_t v = static_cast<uint32_t>(p[pos]) | (static_cast<uint32_t>(p[pos + 1]) << 8) |
                     (static_cast<uint32_t>(p[pos + 2]) << 16) | (static_cast<uint32_t>(p[pos + 3]) << 24);
        pos += 4;
        return v;
    }
    std::string Str(uint8_t version) {
        size_t s = pos;
        while (pos < end && p[pos] != 0)
            ++pos;
        if (pos >= end) {
            ok = false;
            return {};
        }
        std::string raw(reinterpret_cast<const char*>(p + s), pos - s);
        ++pos;
        if (version < 6)
            return Latin1ToUtf8(raw);
        return raw;
    }
};

std::mt19937& Rng() {
    static std::mt19937 rng(12345);
    return rng;
}

}  // namespace

struct Interp {
    Vm& vm;
    Vm::Frame& f;
    std::vector<Value>& st;

    Value Pop() {
        if (st.size() <= f.stackBase)
            return Value();
        Value v = std::move(st.back());
        st.pop_back();
        return v;
    }
    void Push(Value v) { st.push_back(std::move(v)); }
    void PushBool(bool b) {
        if (f.version < 5)
            Push(Value::Num(b ? 1 : 0));
        else
            Push(Value::Bool(b));
    }
    double Num(const Value& v) { return vm.ToNumber(v); }
    std::string Str(const Value& v) { return vm.ToString(v); }

    Object* Timeline() {
        if (f.target && f.target != f.baseClip)
            return InScope(f.target);
        for (Scope* s = f.scope.get(); s; s = s->parent.get())
            if (s->timeline)
                return InScope(s->object);
        return InScope(f.target);
    }
    // A tellTarget to a path that names no clip: the movie's root stands in for it.
    Object* MissingTarget() { return RootOf(f.baseClip); }
    // A gone clip in the scope chain stands for the clip now at its path, or for _level0.
    Object* InScope(Object* o) {
        if (!o || o->kind != Kind::Clip || o->clip != kNoClip)
            return o;
        Object* now = vm.LiveClip(o);
        return now ? now : vm.ClipObject(vm.host.Level(0));
    }
    Object* RootOf(Object* o) {
        if (o && o->kind == Kind::Clip && o->clip)
            return vm.ClipObject(vm.RootClipOf(o->clip));
        return vm.ClipObject(vm.host.Level(0));
    }

    // Names every scope knows before the chain: this, _root, _global, _levelN, _parent.
    bool ReservedName(std::string_view name, Value& out) {
        bool cs = vm.CaseSensitive();
        if (NamesEqual(name, "this", cs)) {
            if (f.activation && f.activation->FindOwn("this", cs))
                return false;
            if (f.thisSuppressed) {
                // A function that keeps `this` only in a register: the name reads the timeline,
                // and nothing in format 5 movies.
                out = f.version < 6 ? Value() : Value::Obj(f.target);
                return true;
            }
            out = f.thisv.IsUndefined() ? Value::Obj(f.target) : f.thisv;
            return true;
        }
        if (NamesEqual(name, "_root", cs)) {
            out = Value::Obj(RootOf(f.target));
            return true;
        }
        if (NamesEqual(name, "_global", cs) && f.version >= 6) {
            out = Value::Obj(vm.global);
            return true;
        }
        int level;
        if (LevelNumberOf(name, level)) {
            ClipId c = vm.host.Level(level);
            out = c ? Value::Obj(vm.ClipObject(c)) : Value();
            return true;
        }
        return false;
    }

    // The object of the scope chain that holds `name`, or nullptr.
    Object* FindScope(std::string_view name, bool withGlobal = true) {
        for (Scope* s = f.scope.get(); s; s = s->parent.get()) {
            Object* o = s->timeline ? Timeline() : s->object;
            if (s->timeline && s->object != f.baseClip)
                o = InScope(s->object);
            if (o && vm.Has(o, name))
                return o;
        }
        if (withGlobal && vm.Has(vm.global, name))
            return vm.global;
        return nullptr;
    }

    bool IsPath(std::string_view name) { return name.find_first_of(":/.") != std::string_view::npos; }

    // "a.b.c" or "/a/b:c" or "_root.x": splits into the object and the last name.
    Object* ResolveVarPath(std::string_view path, std::string& last) {
        size_t colon = path.rfind(':');
        if (colon != std::string_view::npos) {
            last = std::string(path.substr(colon + 1));
            return ResolveTarget(path.substr(0, colon));
        }
        size_t dot = path.rfind('.');
        if (dot != std::string_view::npos && dot > 0) {
            last = std::string(path.substr(dot + 1));
            return ResolveTarget(path.substr(0, dot));
        }
        size_t slash = path.rfind('/');
        if (slash != std::string_view::npos) {
            last = std::string(path.substr(slash + 1));
            if (slash == 0)
                return RootOf(f.target);
            return ResolveTarget(path.substr(0, slash));
        }
        last = std::string(path);
        return nullptr;
    }

    // A target path: slash or dot syntax; its first name may be a variable (of _global too
    // unless `withGlobal` is false, as for the clip a property action names).
    Object* ResolveTarget(std::string_view path, bool withGlobal = true) {
        if (path.empty())
            return f.target;
        if (path[0] == '/' || (path.compare(0, 2, "..") == 0 && (path.size() == 2 || path[2] == '/')))
            return vm.ResolvePath(f.target, path, true);
        size_t j = path.find_first_of("/.:");
        std::string_view first = path.substr(0, j);
        std::string_view rest = j == std::string_view::npos ? std::string_view() : path.substr(j + 1);
        Object* start = nullptr;
        Value v;
        if (first == "..") {
            start = vm.ResolvePath(f.target, "..");
        } else if (ReservedName(first, v)) {
            start = v.type == Type::Object ? v.object : nullptr;
        } else if (NamesEqual(first, "_parent", vm.CaseSensitive())) {
            start = vm.ResolvePath(f.target, "_parent");
        } else {
            Object* holder = FindScope(first, withGlobal);
            if (holder) {
                v = vm.GetOf(holder, first);
                start = v.type == Type::Object ? v.object : nullptr;
            }
        }
        if (!start)
            return nullptr;
        return rest.empty() ? start : vm.ResolvePath(start, rest, path[j] == '/');
    }

    Value GetVariable(std::string_view name) {
        Value v;
        // A variable a movie made named _root, _global, _parent or _levelN hides the clip.
        if (!name.empty() && name[0] == '_' && !IsPath(name)) {
            if (Object* holder = FindScope(name)) {
                if (holder->FindOwn(name, vm.CaseSensitive()))
                    return vm.GetOf(holder, name);
            }
        }
        if (ReservedName(name, v))
            return v;
        if (IsPath(name)) {
            std::string last;
            Object* o = ResolveVarPath(name, last);
            if (!o)
                return Value();
            if (last.empty())
                return Value::Obj(o);
            return vm.GetOf(o, last);
        }
        Object* holder = FindScope(name);
        if (holder)
            return vm.GetOf(holder, name);
        return Value();
    }

    void SetVariable(std::string_view name, Value v) {
        if (IsPath(name)) {
            std::string last;
            Object* o = ResolveVarPath(name, last);
            if (o && !last.empty())
                vm.SetOf(o, last, std::move(v));
            return;
        }
        for (Scope* s = f.scope.get(); s; s = s->parent.get()) {
            if (s->timeline)
                break;
            if (vm.Has(s->object, name)) {
                vm.SetOf(s->object, name, std::move(v));
                return;
            }
        }
        Object* t = Timeline();
        if (t)
            vm.SetOf(t, name, std::move(v));
    }

    // Outside a function, `var` sets the variable on a With object that holds it itself (not
    // through its prototypes), else on the timeline.
    void DefineLocal(std::string_view name, Value v) {
        if (f.activation) {
            f.activation->SetOwn(name, std::move(v), vm.CaseSensitive());
            return;
        }
        if (IsPath(name)) {
            SetVariable(name, std::move(v));
            return;
        }
        for (Scope* s = f.scope.get(); s && !s->timeline; s = s->parent.get()) {
            if (s->object->FindOwn(name, vm.CaseSensitive())) {
                vm.SetOf(s->object, name, std::move(v));
                return;
            }
        }
        if (Object* t = Timeline())
            vm.SetOf(t, name, std::move(v));
    }

    // A clip, or the target path an other value converts to: relative to the target, or to
    // the clip the code belongs to when the target has left the stage; _global's variables are
    // no clips here.
    Object* ClipFromValue(const Value& v) {
        if (v.type == Type::Object && v.object->kind == Kind::Clip)
            return v.object;
        std::string s = Str(v);
        Object* saved = f.target;
        if (f.target && f.target->kind == Kind::Clip && f.target->clip == kNoClip)
            f.target = f.baseClip;
        Object* o = s.empty() ? f.target : ResolveTarget(s, false);
        f.target = saved;
        if (s.empty())
            return o;
        return o && o->kind == Kind::Clip ? o : nullptr;
    }

    // A frame given as a number or text ("label", "12", "path:label").
    void GotoValue(const Value& frameV, bool play, int bias) {
        Object* clip = f.target;
        int n = 0;
        // An object frame is read as its text.
        Value frame = frameV.type == Type::Object ? Value::Str(Str(frameV)) : frameV;
        if (frame.type == Type::String) {
            std::string s = frame.string;
            size_t colon = s.rfind(':');
            if (colon != std::string::npos) {
                clip = ResolveTarget(s.substr(0, colon));
                s = s.substr(colon + 1);
            }
            if (!clip || clip->kind != Kind::Clip || !clip->clip)
                return;
            double d = StringToNumber(s, f.version);
            if (std::isfinite(d))
                n = ToInt32(d);
            else
                n = vm.host.FrameOfLabel(clip->clip, s);
            if (n <= 0)
                return;
        } else {
            double d = Num(frame);
            if (!std::isfinite(d))
                return;
            n = ToInt32(d);
        }
        if (!clip || clip->kind != Kind::Clip || !clip->clip)
            return;
        vm.host.GotoFrame(clip->clip, n + bias);
        if (play)
            vm.host.Play(clip->clip);
        else
            vm.host.Stop(clip->clip);
    }

    std::vector<Value> PopArgs() {
        double n = Num(Pop());
        size_t count = 0;
        if (std::isfinite(n) && n > 0)
            count = static_cast<size_t>(std::min(n, 1e6));
        count = std::min(count, st.size() > f.stackBase ? st.size() - f.stackBase : size_t{0});
        std::vector<Value> args;
        args.reserve(count);
        for (size_t i = 0; i < count; ++i)
            args.push_back(Pop());
        return args;
    }

    Value Add2(const Value& a, const Value& b) {
        Value pb = vm.ToPrimitive(b);  // the right operand is converted first
        Value pa = vm.ToPrimitive(a);
        if (pa.type == Type::String || pb.type == Type::String) {
            std::string s = OperandText(pa) + OperandText(pb);
            vm.CheckStringSize(s.size());
            return Value::Str(std::move(s));
        }
        // An operand whose valueOf gave an object is asked again (and is NaN).
        double x = vm.ToNumber(pa);
        double y = vm.ToNumber(pb);
        return Value::Num(x + y);
    }

    // The text of an operand of +: an object whose valueOf gave an object is asked for its
    // toString, and anything but a text from it reads "[type Object]".
    std::string OperandText(const Value& v) {
        if (v.type != Type::Object || v.object->kind == Kind::Clip)
            return vm.ToString(v);
        Value ts = vm.ConversionMethod(v.object, "toString");
        Value r = vm.IsFunction(ts) ? vm.Call(ts, v, {}) : Value();
        if (r.type == Type::String)
            return r.string;
        return v.object->kind == Kind::Function ? "[type Function]" : "[type Object]";
    }

    // Abstract "<" of the typed operators: true, false or undefined (NaN).
    // `bFirst`: convert b before a (Greater converts its left operand first).
    Value Less(const Value& a, const Value& b, bool bFirst = false) {
        Value pa, pb;
        if (bFirst) {
            pb = vm.ToPrimitive(b);
            pa = vm.ToPrimitive(a);
        } else if (f.version < 6) {
            // Format 5 gives false as soon as an operand stays an object (a clip is NaN), before
            // it converts the other one.
            auto staysObject = [](const Value& v) { return v.type == Type::Object && v.object->kind != Kind::Clip; };
            pa = vm.ToPrimitive(a);
            if (staysObject(pa))
                return Value::Bool(false);
            pb = vm.ToPrimitive(b);
            if (staysObject(pb))
                return Value::Bool(false);
        } else {
            pa = vm.ToPrimitive(a);
            pb = vm.ToPrimitive(b);
        }
        if (pa.type == Type::String && pb.type == Type::String)
            return Value::Bool(ToUtf16(pa.string) < ToUtf16(pb.string));
        double x = PrimitiveToNumber(pa, f.version), y = PrimitiveToNumber(pb, f.version);
        if (std::isnan(x) || std::isnan(y))
            return Value();
        return Value::Bool(x < y);
    }

    bool Equals2(const Value& a, const Value& b) {
        // The reference's loose equality holds NaN equal to NaN.
        if (a.type == Type::Number && b.type == Type::Number && std::isnan(a.number) && std::isnan(b.number))
            return true;
        if (a.type == Type::Object && b.type == Type::Object && a.object != b.object && f.version < 6) {
            // Format 5 compares two objects by their primitive values.
            Value pa = vm.ToPrimitive(a), pb = vm.ToPrimitive(b);
            if (pa.type == Type::Object || pb.type == Type::Object)
                return StrictEq(pa, pb);
            return Equals2(pa, pb);
        }
        if (a.type == b.type)
            return StrictEq(a, b);
        if (a.IsNullish() && b.IsNullish())
            return true;
        // An object is compared by its primitive value, also with undefined (an object without
        // valueOf is undefined); one that stays an object equals nothing else.
        if (a.type == Type::Object) {
            Value p = vm.ToPrimitive(a);
            if (p.type == Type::Object)
                return false;
            return Equals2(p, b);
        }
        if (b.type == Type::Object) {
            Value p = vm.ToPrimitive(b);
            if (p.type == Type::Object)
                return false;
            return Equals2(a, p);
        }
        if (a.IsNullish() || b.IsNullish())
            return false;
        if (a.type == Type::Number && b.type == Type::String)
            return a.number == PrimitiveToNumber(b, f.version);
        if (a.type == Type::String && b.type == Type::Number)
            return PrimitiveToNumber(a, f.version) == b.number;
        if (a.type == Type::Boolean)
            return Equals2(Value::Num(a.boolean ? 1 : 0), b);
        if (b.type == Type::Boolean)
            return Equals2(a, Value::Num(b.boolean ? 1 : 0));
        return false;
    }

    // Two clips are the same when their target paths are: a clip reference is found again by
    // its path, as the reference player does.
    bool SameClip(const Object* a, const Object* b) {
        if (a->kind != Kind::Clip || b->kind != Kind::Clip || !a->clip || !b->clip)
            return false;
        return vm.TargetPathOf(a->clip, false) == vm.TargetPathOf(b->clip, false);
    }

    bool StrictEq(const Value& a, const Value& b) {
        if (a.type != b.type)
            return false;
        switch (a.type) {
        case Type::Undefined:
        case Type::Null:
            return true;
        case Type::Boolean:
            return a.boolean == b.boolean;
        case Type::Number:
            return a.number == b.number;
        case Type::String:
            return a.string == b.string;
        case Type::Object:
            return a.object == b.object || SameClip(a.object, b.object);
        }
        return false;
    }

    Object* MakeFunction(std::shared_ptr<FunctionCode> code) {
        Object* fn = vm.NewFunction(nullptr);
        fn->code = std::move(code);
        Object* proto = vm.NewObject();
        proto->SetOwn("constructor", Value::Obj(fn), false, kDontEnum);
        fn->SetOwn("prototype", Value::Obj(proto), false, kDontEnum);
        if (f.version >= 6) {
            fn->scope = f.scope;
        } else {
            auto s = std::make_shared<Scope>();
            s->object = Timeline();
            s->timeline = true;
            fn->scope = s;
        }
        fn->definingClip = f.baseClip;
        return fn;
    }

    void DefineFunction(Reader& r, bool v2, size_t actionEnd, size_t& pc) {
        auto code = std::make_shared<FunctionCode>();
        code->name = r.Str(f.version);
        uint16_t n = r.U16();
        if (v2) {
            code->registerCount = r.U8();
            code->flags = r.U16();
        }
        for (uint16_t i = 0; i < n && r.ok; ++i) {
            FunctionCode::Param p;
            if (v2)
                p.reg = r.U8();
            p.name = r.Str(f.version);
            code->params.push_back(std::move(p));
        }
        uint16_t size = r.U16();
        if (!r.ok)
            throw ScriptAbort{RunEnd::Invalid};
        size_t bodyStart = actionEnd;
        size_t bodyEnd = std::min(bodyStart + size, f.bytes->size());
        code->bytes = f.bytes;
        code->start = bodyStart;
        code->end = bodyEnd;
        code->isFunction2 = v2;
        // Functions are a format 5 feature: in a format 4 movie they run by format 5 rules.
        code->version = std::max<uint8_t>(f.version, 5);
        code->constants = f.constants;
        std::string name = code->name;
        Object* fn = MakeFunction(std::move(code));
        pc = bodyEnd;
        if (name.empty())
            Push(Value::Obj(fn));
        else
            DefineLocal(name, Value::Obj(fn));
    }

    Value CallNamed(std::string_view name, std::vector<Value> args) {
        Value fn;
        Value self;
        if (IsPath(name)) {
            std::string last;
            Object* o = ResolveVarPath(name, last);
            if (o) {
                fn = vm.GetOf(o, last);
                self = Value::Obj(o);
            }
        } else {
            Object* holder = FindScope(name);
            if (holder)
                fn = vm.GetOf(holder, name);
            // A function found on a With object, a clip or a function's locals is called on that object.
            if (holder && holder != vm.global)
                self = Value::Obj(holder);
        }
        if (self.IsUndefined())
            self = Value::Obj(f.target);
        if (fn.type == Type::Object && fn.object->kind == Kind::Super)
            return CallSuper(fn.object, "", std::move(args));
        return vm.Call(fn, self, std::move(args));
    }

    // super() calls the __constructor__ seen from the super object's level (without
    // __resolve); super.m() calls m found above that level. Either runs with the level it
    // reached, so that the callee's own super goes one step further up. A clip ends both.
    Value CallSuper(Object* sup, std::string_view name, std::vector<Value> args) {
        Object* level = vm.SuperLevel(sup);
        if (!level || level->kind == Kind::Clip)
            return Value();
        Value self = Value::Obj(sup->superThis);
        auto read = [&](Property* p) {
            if (!p->IsAccessor())
                return p->value;
            return p->getter ? vm.Call(Value::Obj(p->getter), self, {}) : Value();
        };
        if (name.empty()) {
            Property* cp = vm.FindProperty(level, "__constructor__");
            if (!cp)
                return Value();
            Value ctor = read(cp);
            // A built-in constructor makes `this` one of its kind.
            if (vm.IsFunction(ctor) && ctor.object->native && !ctor.object->code && sup->superThis)
                return vm.ConstructNative(ctor.object, self, args);
            Object* next = vm.ProtoOf(level);
            return vm.CallWithHolder(ctor, self, std::move(args), next ? next : vm.emptyLevel);
        }
        Object* base = vm.ProtoOf(level);
        if (!base || base->kind == Kind::Clip)
            return Value();
        Object* holder = nullptr;
        Property* p = vm.FindProperty(base, name, &holder);
        if (!p)
            return Value();
        Value fn = read(p);
        return vm.CallWithHolder(fn, self, std::move(args), holder);
    }

    Value CallMethodOn(const Value& obj, const Value& nameV, std::vector<Value> args) {
        bool noName = nameV.IsUndefined() || (nameV.type == Type::String && nameV.string.empty());
        if (obj.type == Type::Object && obj.object->kind == Kind::Super)
            return CallSuper(obj.object, noName ? "" : Str(nameV), std::move(args));
        if (noName)
            return vm.Call(obj, Value(), std::move(args));
        std::string name = Str(nameV);
        Object* o = obj.type == Type::Object ? obj.object : vm.ToObject(obj);
        if (!o)
            return Value();
        Object* holder = nullptr;
        Value fn;
        if (o->FindOwn(name, vm.CaseSensitive()) || o->kind == Kind::Clip || o->kind == Kind::Array) {
            fn = vm.GetOf(o, name);
            holder = o;
            Object* h2 = nullptr;
            if (vm.FindProperty(o, name, &h2))
                holder = h2;
        } else {
            Property* p = vm.FindProperty(o, name, &holder);
            if (p)
                fn = vm.GetOf(o, name);
            else
                fn = vm.GetOf(o, name);  // __resolve
        }
        (void)holder;
        return vm.Call(fn, obj, std::move(args));
    }

    int GetPropIndex(const Value& v) {
        double d = Num(v);
        if (!std::isfinite(d))
            return -1;
        int i = ToInt32(d);
        return i >= 0 && i < kPropCount ? i : -1;
    }

    // Whether the clip the code belongs to left the stage while it ran: the reference ends the
    // code at the next call it makes (a call of a missing function or of a method of nothing
    // but undefined included, of a method of undefined not).
    bool BaseClipGone() const { return f.baseAlive && f.baseClip && f.baseClip->clip == kNoClip; }
    int Halt() {
        f.retval = Value();
        return kReturn;
    }

    int Run(size_t start, size_t end);
};

int Interp::Run(size_t start, size_t end) {
    const uint8_t* code = f.bytes->data();
    end = std::min(end, f.bytes->size());
    size_t pc = start;
    while (pc < end) {
        if ((++vm.opCounter & 1023) == 0) {
            double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - vm.blockStart).count();
            if (secs > vm.limits.timeoutSeconds)
                throw ScriptAbort{RunEnd::TimedOut};
            if (vm.limits.maxActionsPerBlock && vm.opCounter - vm.blockStartOps > vm.limits.maxActionsPerBlock)
                throw ScriptAbort{RunEnd::TimedOut};
        }
        uint8_t op = code[pc];
        size_t payload = pc + 1;
        size_t next = pc + 1;
        uint16_t len = 0;
        if (op >= 0x80) {
            if (pc + 3 > end)
                return kNormal;
            len = static_cast<uint16_t>(code[pc + 1] | (code[pc + 2] << 8));
            payload = pc + 3;
            next = payload + len;
            if (next > end)
                return kNormal;  // a record past the block's end: stop here
        }
        if (op == 0)
            return kNormal;
        Reader r{code, payload, next};
        pc = next;
        switch (op) {
        case 0x04:
            if (f.target && f.target->clip)
                vm.host.NextFrame(f.target->clip);
            break;
        case 0x05:
            if (f.target && f.target->clip)
                vm.host.PrevFrame(f.target->clip);
            break;
        case 0x06:
            if (f.target && f.target->clip)
                vm.host.Play(f.target->clip);
            break;
        case 0x07:
            if (f.target && f.target->clip)
                vm.host.Stop(f.target->clip);
            break;
        case 0x08:
        case 0x09:
            break;  // toggle quality, stop sounds
        case 0x0A:
        case 0x0B:
        case 0x0C:
        case 0x0D: {
            Value av = Pop(), bv = Pop();
            // The reference converts the left operand first for + and *, the right one first
            // for - and /.
            double a, b;
            if (op == 0x0A || op == 0x0C) {
                b = Num(bv);
                a = Num(av);
            } else {
                a = Num(av);
                b = Num(bv);
            }
            double res = 0;
            if (op == 0x0A)
                res = b + a;
            else if (op == 0x0B)
                res = b - a;
            else if (op == 0x0C)
                res = b * a;
            else {
                if (a == 0 && f.version < 5) {
                    Push(Value::Str("#ERROR#"));
                    break;
                }
                res = b / a;
            }
            Push(Value::Num(res));
            break;
        }
        case 0x0E: {
            Value av = Pop(), bv = Pop();
            double a = Num(av), b = Num(bv);
            PushBool(a == b);
            break;
        }  // converts the top first
        case 0x0F: {
            Value av = Pop(), bv = Pop();
            double b = Num(bv), a = Num(av);
            PushBool(b < a);
            break;
        }
        case 0x10: {
            Value a = Pop(), b = Pop();
            PushBool(ToBoolean(b, f.version) && ToBoolean(a, f.version));
            break;
        }
        case 0x11: {
            Value a = Pop(), b = Pop();
            PushBool(ToBoolean(b, f.version) || ToBoolean(a, f.version));
            break;
        }
        case 0x12: {
            Value a = Pop();
            PushBool(!ToBoolean(a, f.version));
            break;
        }
        case 0x13: {
            std::string a = Str(Pop()), b = Str(Pop());
            PushBool(a == b);
            break;
        }
        case 0x14:
        case 0x31: {
            std::string s = Str(Pop());
            Push(Value::Num(static_cast<double>(ToUtf16(s).size())));
            break;
        }
        case 0x15:
        case 0x35: {
            double count = Num(Pop()), index = Num(Pop());
            std::u16string s = ToUtf16(Str(Pop()));
            if (std::isnan(index))
                index = 0;
            if (std::isnan(count))
                count = 0;
            long long i = static_cast<long long>(index) - 1;
            if (i < 0)
                i = 0;
            long long c = count < 0 ? static_cast<long long>(s.size()) : static_cast<long long>(std::min(count, 1e12));
            if (i >= static_cast<long long>(s.size())) {
                Push(Value::Str(""));
                break;
            }
            c = std::min<long long>(c, static_cast<long long>(s.size()) - i);
            Push(Value::Str(ToUtf8(s.substr(static_cast<size_t>(i), static_cast<size_t>(c)))));
            break;
        }
        case 0x17:
            Pop();
            break;
        case 0x18: {
            Push(Value::Num(ToInt32(Num(Pop()))));
            break;
        }
        case 0x1C: {
            std::string name = Str(Pop());
            Push(GetVariable(name));
            break;
        }
        case 0x1D: {
            Value v = Pop();
            std::string name = Str(Pop());
            SetVariable(name, std::move(v));
            break;
        }
        case 0x20: {
            Value t = Pop();
            std::string path = t.type == Type::Object && t.object->kind == Kind::Clip ? std::string() : Str(t);
            Object* o = t.type == Type::Object && t.object->kind == Kind::Clip
                            ? t.object
                            : (path.empty() ? f.baseClip : ResolveTarget(path));
            f.target = o ? o : MissingTarget();
            break;
        }
        case 0x21: {
            std::string a = Str(Pop()), b = Str(Pop());
            vm.CheckStringSize(a.size() + b.size());
            Push(Value::Str(b + a));
            break;
        }
        case 0x22: {
            int idx = GetPropIndex(Pop());
            Object* clip = ClipFromValue(Pop());
            if (idx < 0 || !clip || !clip->clip) {
                Push(Value());
                break;
            }
            Push(idx == kPropFocusRect ? vm.FocusRectOf(clip->clip) : vm.host.GetProperty(clip->clip, idx));
            break;
        }
        case 0x23: {
            Value v = Pop();
            int idx = GetPropIndex(Pop());
            Object* clip = ClipFromValue(Pop());
            if (idx < 0)
                break;
            // The value is converted even when there is no such clip.
            vm.SetClipProperty(clip ? clip->clip : kNoClip, idx, v);
            break;
        }
        case 0x24: {
            double depthV = Num(Pop());
            std::string name = Str(Pop());
            Object* src = ClipFromValue(Pop());
            if (src && src->clip)
                vm.host.Duplicate(src->clip, name,
                                  static_cast<int>(std::max<int64_t>(int64_t(ToInt32(depthV)) - 16384, INT32_MIN)));
            break;
        }
        case 0x25: {
            Object* clip = ClipFromValue(Pop());
            if (clip && clip->clip)
                vm.host.Remove(clip->clip);
            break;
        }
        case 0x26: {
            Value v = Pop();
            // A toString that throws still prints "[type Object]" before the throw goes on.
            std::string text;
            try {
                text = v.IsUndefined() ? "undefined" : PrintableText(Str(v));
            } catch (ScriptThrow&) {
                vm.host.Trace(v.type == Type::Object && v.object->kind == Kind::Function ? "[type Function]"
                                                                                         : "[type Object]");
                throw;
            }
            vm.host.Trace(text);
            break;
        }
        case 0x27: {
            Object* clip = ClipFromValue(Pop());
            // The flags of a drag are read as numbers when they are objects, set only when 1.
            auto flag = [&](const Value& v) {
                if (v.type != Type::Object)
                    return ToBoolean(v, f.version);
                return Num(v) == 1;
            };
            bool lock = flag(Pop());
            bool constrain = flag(Pop());
            double rect[4];
            if (constrain) {
                rect[3] = Num(Pop());
                rect[2] = Num(Pop());
                rect[1] = Num(Pop());
                rect[0] = Num(Pop());
            }
            if (clip && clip->clip)
                vm.host.StartDrag(clip->clip, lock, constrain ? rect : nullptr);
            break;
        }
        case 0x28:
            vm.host.StopDrag();
            break;
        case 0x29: {
            std::string a = Str(Pop()), b = Str(Pop());
            PushBool(ToUtf16(b) < ToUtf16(a));
            break;
        }
        case 0x68: {
            std::string a = Str(Pop()), b = Str(Pop());
            PushBool(ToUtf16(b) > ToUtf16(a));
            break;
        }
        case 0x2A:
            vm.Throw(Pop());
        case 0x2B: {
            // A primitive object is wrapped and then fails; a primitive class is wrapped.
            Value obj = Pop(), ctor = Pop();
            if (obj.type != Type::Object) {
                vm.ToObject(obj);
                Push(Value::Null());
                break;
            }
            Object* c = vm.ToObject(ctor);
            Push(c && vm.InstanceOf(obj.object, c) ? obj : Value::Null());
            break;
        }
        case 0x2C: {
            Value ctor = Pop();
            std::vector<Value> ifaces = PopArgs();
            if (ctor.type != Type::Object)
                break;
            // The stored prototypes, read without getters, once: a prototype that has a list
            // keeps it, and an interface's later prototype is not seen.
            Value proto = vm.StoredPrototypeOf(ctor.object);
            if (proto.type != Type::Object || proto.object->interfacesNamed || ifaces.empty())
                break;
            proto.object->interfacesNamed = true;
            for (auto& i : ifaces) {
                if (i.type != Type::Object)
                    continue;
                Value ip = vm.StoredPrototypeOf(i.object);
                if (ip.type == Type::Object)
                    proto.object->interfaces.push_back(ip.object);
            }
            break;
        }
        case 0x30: {
            double m = Num(Pop());
            int32_t max = std::isfinite(m) ? ToInt32(m) : 0;
            if (max <= 0) {
                Push(Value::Num(0));
                break;
            }
            Push(Value::Num(static_cast<double>(Rng()() % static_cast<uint32_t>(max))));
            break;
        }
        case 0x32:
        case 0x36: {
            std::u16string s = ToUtf16(Str(Pop()));
            Push(Value::Num(s.empty() ? 0 : s[0]));
            break;
        }
        case 0x33:
        case 0x37: {
            uint32_t c = ToUint32(Num(Pop())) & 0xFFFF;
            if (c == 0) {
                Push(Value::Str(""));
                break;
            }
            std::u16string s(1, static_cast<char16_t>(c));
            Push(Value::Str(ToUtf8(s)));
            break;
        }
        case 0x34: {
            double ms =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - vm.blockStart).count();
            Push(Value::Num(std::floor(vm.m_clockMs + ms)));
            break;
        }
        case 0x3A: {
            std::string name = Str(Pop());
            Value obj = Pop();
            if (obj.type == Type::Object)
                PushBool(vm.DeleteOf(obj.object, name));
            else
                PushBool(false);
            break;
        }
        case 0x3B: {
            std::string name = Str(Pop());
            Object* holder = FindScope(name);
            PushBool(holder ? vm.DeleteOf(holder, name) : false);
            break;
        }
        case 0x3C: {
            Value v = Pop();
            std::string name = Str(Pop());
            DefineLocal(name, std::move(v));
            break;
        }
        case 0x41: {
            std::string name = Str(Pop());
            if (f.activation) {
                if (!f.activation->FindOwn(name, vm.CaseSensitive()))
                    f.activation->SetOwn(name, Value(), vm.CaseSensitive());
            } else {
                std::string last = name;
                Object* t = IsPath(name) ? ResolveVarPath(name, last) : Timeline();
                if (t && !last.empty() && !vm.Has(t, last))
                    vm.SetOf(t, last, Value());
            }
            break;
        }
        case 0x3D: {
            std::string name = Str(Pop());
            std::vector<Value> args = PopArgs();
            Push(CallNamed(name, std::move(args)));
            if (BaseClipGone())
                return Halt();
            break;
        }
        case 0x3E:
            f.retval = Pop();
            return kReturn;
        case 0x3F: {
            Value av = Pop(), bv = Pop();
            double b = Num(bv), a = Num(av);
            Push(Value::Num(std::fmod(b, a)));
            break;
        }
        case 0x40: {
            std::string name = Str(Pop());
            std::vector<Value> args = PopArgs();
            Value ctor = GetVariable(name);
            Push(vm.Construct(ctor, std::move(args)));
            if (BaseClipGone())
                return Halt();
            break;
        }
        case 0x42: {
            if (st.size() > f.stackBase) {
                double n = Num(st.back());
                if (!(n >= 0 && n <= 2147483647.0)) {
                    Pop();
                    Push(Value());
                    break;
                }
            }
            std::vector<Value> items = PopArgs();
            Push(Value::Obj(vm.NewArray(items)));
            break;
        }
        case 0x43: {
            double n = Num(Pop());
            if (!(n >= 0 && n <= 2147483647.0)) {
                Push(Value());
                break;
            }  // an invalid count makes nothing
            size_t count = static_cast<size_t>(n);
            Object* o = vm.NewObject();
            std::vector<std::pair<std::string, Value>> pairs;
            for (size_t i = 0; i < count && st.size() > f.stackBase; ++i) {
                Value v = Pop();
                std::string k = Str(Pop());
                pairs.emplace_back(std::move(k), std::move(v));
            }
            // Properties are set in the order they come off the stack (the last pair first).
            for (auto& [k, v] : pairs)
                vm.SetOf(o, k, std::move(v));
            Push(Value::Obj(o));
            break;
        }
        case 0x44:
            Push(Value::Str(vm.TypeOf(Pop())));
            break;
        case 0x45: {
            Value v = Pop();
            if (v.type == Type::Object && v.object->kind == Kind::Clip && v.object->clip)
                Push(Value::Str(vm.TargetPathOf(v.object->clip, false)));
            else
                Push(Value());
            break;
        }
        case 0x46:
        case 0x55: {
            Value obj;
            if (op == 0x46)
                obj = GetVariable(Str(Pop()));
            else
                obj = Pop();
            Push(Value::Null());
            if (obj.type != Type::Object)
                break;
            for (auto& n : vm.EnumerableNames(obj.object))
                Push(Value::Str(n));
            break;
        }
        case 0x47: {
            Value a = Pop(), b = Pop();
            Push(Add2(b, a));
            break;
        }
        case 0x48: {
            Value a = Pop(), b = Pop();
            Push(Less(b, a));
            break;
        }
        case 0x67: {
            Value a = Pop(), b = Pop();
            Push(Less(a, b, true));
            break;
        }
        case 0x49: {
            Value a = Pop(), b = Pop();
            PushBool(Equals2(b, a));
            break;
        }
        case 0x66: {
            Value a = Pop(), b = Pop();
            PushBool(StrictEq(b, a));
            break;
        }
        case 0x4A:
            Push(Value::Num(Num(Pop())));
            break;
        case 0x4B:
            Push(Value::Str(Str(Pop())));
            break;
        case 0x4C:
            Push(st.size() > f.stackBase ? st.back() : Value());
            break;
        case 0x4D: {
            Value a = Pop(), b = Pop();
            Push(std::move(a));
            Push(std::move(b));
            break;
        }
        case 0x4E: {
            Value nameV = Pop();
            Value obj = Pop();
            std::string name = Str(nameV);
            if (obj.type == Type::Object && obj.object->kind == Kind::Super) {
                Push(vm.GetOf(obj.object, name));
                break;
            }
            Push(vm.Get(obj, name));
            break;
        }
        case 0x4F: {
            Value v = Pop();
            std::string name = Str(Pop());
            Value obj = Pop();
            if (obj.type == Type::Object)
                vm.SetOf(obj.object, name, std::move(v));
            break;
        }
        case 0x50:
            Push(Value::Num(Num(Pop()) + 1));
            break;
        case 0x51:
            Push(Value::Num(Num(Pop()) - 1));
            break;
        case 0x52: {
            Value nameV = Pop();
            Value obj = Pop();
            std::vector<Value> args = PopArgs();
            const bool onSomething = !obj.IsNullish();
            Push(CallMethodOn(obj, nameV, std::move(args)));
            if (onSomething && BaseClipGone())
                return Halt();
            break;
        }
        case 0x53: {
            Value nameV = Pop();
            Value obj = Pop();
            std::vector<Value> args = PopArgs();
            bool noName = nameV.IsUndefined() || (nameV.type == Type::String && nameV.string.empty());
            Value ctor = noName ? obj : vm.Get(obj, Str(nameV));
            Push(vm.Construct(ctor, std::move(args)));
            if (!obj.IsNullish() && BaseClipGone())
                return Halt();
            break;
        }
        case 0x54: {
            // A primitive is an instance of nothing (and is not wrapped); a primitive class is.
            Value ctor = Pop(), obj = Pop();
            if (obj.type != Type::Object) {
                PushBool(false);
                break;
            }
            Object* c = vm.ToObject(ctor);
            PushBool(c && vm.InstanceOf(obj.object, c));
            break;
        }
        case 0x60:
        case 0x61:
        case 0x62:
        case 0x63:
        case 0x64:
        case 0x65: {
            Value av = Pop(), bv = Pop();
            int32_t b = vm.ToInt(bv), a = vm.ToInt(av);
            double res = 0;
            switch (op) {
            case 0x60:
                res = b & a;
                break;
            case 0x61:
                res = b | a;
                break;
            case 0x62:
                res = b ^ a;
                break;
            case 0x63:
                res = static_cast<int32_t>(static_cast<uint32_t>(b) << (a & 31));
                break;
            case 0x64:
                res = b >> (a & 31);
                break;
            case 0x65: {
                uint32_t u = static_cast<uint32_t>(b) >> (a & 31);
                // Movies up to format 8 get the result back as a signed 32-bit number.
                res = f.version <= 8 ? static_cast<double>(static_cast<int32_t>(u)) : static_cast<double>(u);
                break;
            }
            }
            Push(Value::Num(res));
            break;
        }
        case 0x69: {
            Value super = Pop(), sub = Pop();
            if (super.type != Type::Object || sub.type != Type::Object)
                break;
            Value sp = vm.GetOf(super.object, "prototype");
            Object* proto = vm.NewObject(sp.type == Type::Object ? sp.object : nullptr);
            proto->SetOwn("__constructor__", super, false, kDontEnum);
            vm.SetOf(sub.object, "prototype", Value::Obj(proto));
            break;
        }
        case 0x81: {
            int frame = r.U16();
            // GotoFrame and GoToLabel stop the timeline there (a Play may follow).
            if (f.target && f.target->clip) {
                vm.host.GotoFrame(f.target->clip, frame + 1);
                vm.host.Stop(f.target->clip);
            }
            break;
        }
        case 0x83: {
            std::string url = r.Str(f.version), target = r.Str(f.version);
            vm.RequestUrl(f.target, url, target, 0, false, false);
            break;
        }
        case 0x87: {
            uint8_t reg = r.U8();
            Value v = st.size() > f.stackBase ? st.back() : Value();
            if (reg < f.regCount)
                f.regs[reg] = std::move(v);
            break;
        }
        case 0x88: {
            uint16_t n = r.U16();
            auto pool = std::make_shared<std::vector<std::string>>();
            for (uint16_t i = 0; i < n && r.ok; ++i)
                pool->push_back(r.Str(f.version));
            f.constants = pool;
            break;
        }
        case 0x89:
            break;
        case 0x8A: {
            uint16_t frame = r.U16();
            uint8_t skip = r.U8();
            Object* t = f.target;
            bool loaded = true;
            if (t && t->clip) {
                double fl = vm.ToNumber(vm.host.GetProperty(t->clip, kPropFramesLoaded));
                double total = vm.ToNumber(vm.host.GetProperty(t->clip, kPropTotalFrames));
                loaded = fl >= total || frame + 1 <= fl;  // a whole clip has every frame
            }
            if (!loaded) {
                for (int i = 0; i < skip && pc < end; ++i)
                    pc += code[pc] >= 0x80 && pc + 3 <= end ? 3 + (code[pc + 1] | (code[pc + 2] << 8)) : 1;
            }
            break;
        }
        case 0x8B: {
            std::string t = r.Str(f.version);
            if (t.empty()) {
                f.target = f.baseClip;
                break;
            }
            Object* o = ResolveTarget(t);
            f.target = o ? o : MissingTarget();
            break;
        }
        case 0x8C: {
            std::string label = r.Str(f.version);
            if (f.target && f.target->clip) {
                int n = vm.host.FrameOfLabel(f.target->clip, label);
                if (n > 0)
                    vm.host.GotoFrame(f.target->clip, n);
                vm.host.Stop(f.target->clip);
            }
            break;
        }
        case 0x8D: {
            uint8_t skip = r.U8();
            Value frame = Pop();
            if (frame.type == Type::Object)
                frame = Value::Str(Str(frame));
            Object* t = f.target;
            bool loaded = true;
            if (t && t->clip) {
                double fl = vm.ToNumber(vm.host.GetProperty(t->clip, kPropFramesLoaded));
                double total = vm.ToNumber(vm.host.GetProperty(t->clip, kPropTotalFrames));
                if (frame.type == Type::String) {
                    loaded = fl >= total || vm.host.FrameOfLabel(t->clip, frame.string) <= fl;
                } else {
                    // A whole frame number whose index (from 0, in 32 bits) is past 16000 is never
                    // loaded; other values (fractions, NaN, undefined) count as loaded.
                    double d = Num(frame);
                    if (std::isfinite(d) && d == std::trunc(d)) {
                        double index = ToInt32(d - 1);
                        loaded = fl >= total ? index <= 16000 : index < fl;
                    }
                }
            }
            if (!loaded) {
                for (int i = 0; i < skip && pc < end; ++i)
                    pc += code[pc] >= 0x80 && pc + 3 <= end ? 3 + (code[pc + 1] | (code[pc + 2] << 8)) : 1;
            }
            break;
        }
        case 0x8E:
        case 0x9B:
            DefineFunction(r, op == 0x8E, next, pc);
            break;
        case 0x8F: {
            uint8_t flags = r.U8();
            uint16_t trySize = r.U16(), catchSize = r.U16(), finallySize = r.U16();
            std::string catchName;
            uint8_t catchReg = 0;
            bool inReg = flags & 4;
            if (inReg)
                catchReg = r.U8();
            else
                catchName = r.Str(f.version);
            if (!r.ok)
                return kNormal;
            size_t tryStart = next, catchStart = tryStart + trySize, finStart = catchStart + catchSize;
            size_t after = finStart + finallySize;
            bool hasCatch = flags & 1, hasFinally = flags & 2;
            int flow = kNormal;
            bool pending = false;
            Value pendingValue;
            size_t stackAt = st.size();
            try {
                flow = Run(tryStart, catchStart);
            } catch (ScriptThrow& t) {
                if (st.size() > stackAt)
                    st.resize(stackAt);
                if (hasCatch) {
                    if (inReg) {
                        if (catchReg < f.regCount)
                            f.regs[catchReg] = t.value;
                    } else if (f.activation)
                        f.activation->SetOwn(catchName, t.value, vm.CaseSensitive());
                    else
                        SetVariable(catchName, t.value);
                    try {
                        flow = Run(catchStart, finStart);
                    } catch (ScriptThrow& t2) {
                        pending = true;
                        pendingValue = t2.value;
                    }
                } else {
                    pending = true;
                    pendingValue = t.value;
                }
            }
            if (hasFinally) {
                Value savedRet = f.retval;
                size_t savedJump = f.jumpTarget;
                int ff = Run(finStart, after);
                if (ff != kNormal) {
                    flow = ff;
                    pending = false;
                } else {
                    f.retval = savedRet;
                    f.jumpTarget = savedJump;
                }
            }
            if (pending)
                throw ScriptThrow{pendingValue};
            if (flow == kReturn)
                return kReturn;
            if (flow == kJump) {
                if (f.jumpTarget >= start && f.jumpTarget <= end) {
                    pc = f.jumpTarget;
                    break;
                }
                return kJump;
            }
            pc = after;
            break;
        }
        case 0x94: {
            uint16_t size = r.U16();
            Value obj = Pop();
            Object* o = obj.type == Type::Object ? obj.object : vm.ToObject(obj);
            size_t bodyEnd = next + size;
            if (!o) {
                pc = bodyEnd;
                break;
            }
            auto saved = f.scope;
            auto s = std::make_shared<Scope>();
            s->object = o;
            s->parent = saved;
            f.scope = s;
            int flow;
            try {
                flow = Run(next, bodyEnd);
            } catch (...) {
                f.scope = saved;
                throw;
            }
            f.scope = saved;
            if (flow == kReturn)
                return kReturn;
            if (flow == kJump) {
                if (f.jumpTarget >= start && f.jumpTarget <= end) {
                    pc = f.jumpTarget;
                    break;
                }
                return kJump;
            }
            pc = bodyEnd;
            break;
        }
        case 0x96: {
            while (r.pos < r.end && r.ok) {
                uint8_t type = r.U8();
                switch (type) {
                case 0:
                    Push(Value::Str(r.Str(f.version)));
                    break;
                case 1: {
                    uint32_t bits = r.U32();
                    float fl;
                    std::memcpy(&fl, &bits, 4);
                    Push(Value::Num(fl));
                    break;
                }
                case 2:
                    Push(Value::Null());
                    break;
                case 3:
                    Push(Value());
                    break;
                case 4: {
                    uint8_t reg = r.U8();
                    Push(reg < f.regCount ? f.regs[reg] : Value());
                    break;
                }
                case 5:
                    Push(Value::Bool(r.U8() != 0));
                    break;
                case 6: {
                    uint64_t hi = r.U32(), lo = r.U32();
                    uint64_t bits = (hi << 32) | lo;
                    double d;
                    std::memcpy(&d, &bits, 8);
                    Push(Value::Num(d));
                    break;
                }
                case 7:
                    Push(Value::Num(static_cast<int32_t>(r.U32())));
                    break;
                case 8:
                case 9: {
                    uint16_t i = type == 8 ? r.U8() : r.U16();
                    if (f.constants && i < f.constants->size())
                        Push(Value::Str((*f.constants)[i]));
                    else
                        Push(Value());
                    break;
                }
                default:
                    r.ok = false;
                    break;
                }
            }
            break;
        }
        case 0x99:
        case 0x9D: {
            int16_t off = static_cast<int16_t>(r.U16());
            bool take = true;
            if (op == 0x9D)
                take = ToBoolean(Pop(), f.version);
            if (!take)
                break;
            long long t = static_cast<long long>(next) + off;
            if (t < 0 || t > static_cast<long long>(f.bytes->size()))
                return kNormal;
            size_t target = static_cast<size_t>(t);
            if (target >= start && target <= end) {
                pc = target;
                break;
            }
            f.jumpTarget = target;
            return kJump;
        }
        case 0x9A: {
            uint8_t flags = r.U8();
            std::string target = Str(Pop());
            std::string url = Str(Pop());
            int method = flags & 3;
            bool loadTarget = flags & 0x40, loadVars = flags & 0x80;
            vm.RequestUrl(f.target, url, target, method, loadTarget, loadVars);
            break;
        }
        case 0x9E: {
            Value frame = Pop();
            if (frame.type == Type::Object)
                frame = Value::Str(Str(frame));
            Object* clip = f.target;
            std::string s = frame.type == Type::String ? frame.string : std::string();
            if (frame.type == Type::String) {
                size_t colon = s.rfind(':');
                if (colon != std::string::npos) {
                    clip = ResolveTarget(s.substr(0, colon));
                    s = s.substr(colon + 1);
                }
            }
            if (!clip || !clip->clip)
                break;
            int n;
            if (frame.type == Type::String) {
                double d = StringToNumber(s, f.version);
                n = std::isfinite(d) ? ToInt32(d) : vm.host.FrameOfLabel(clip->clip, s);
            } else {
                n = ToInt32(Num(frame));  // NaN and numbers past an int wrap as the format's integers do
            }
            if (n > 0)
                vm.host.CallFrame(clip->clip, n);
            break;
        }
        case 0x9F: {
            uint8_t flags = r.U8();
            int bias = (flags & 2) ? r.U16() : 0;
            GotoValue(Pop(), flags & 1, bias);
            break;
        }
        default:
            break;  // unknown actions are skipped
        }
    }
    return kNormal;
}

int Vm::Execute(Frame& f, size_t start, size_t end) {
    Interp in{*this, f, m_stack};
    int saved = curVersion;
    curVersion = f.version;
    struct Restore {
        Vm& vm;
        int v;
        ~Restore() { vm.curVersion = v; }
    } restore{*this, saved};
    return in.Run(start, end);
}

Value Vm::RunFunction(Object* fn, const Value& self, std::vector<Value>& args, Object* holder) {
    if (depth >= limits.maxRecursion)
        throw ScriptAbort{RunEnd::TooDeep};
    ++depth;
    struct Depth {
        Vm& vm;
        ~Depth() { --vm.depth; }
    } guard{*this};
    const FunctionCode& code = *fn->code;
    Frame f;
    f.bytes = code.bytes;
    f.version = code.version;
    f.constants = code.constants;
    f.stackBase = m_stack.size();
    f.callee = fn;
    Object* act = heap.New(Kind::Plain);
    f.activation = act;
    auto scope = std::make_shared<Scope>();
    scope->object = act;
    scope->parent = fn->scope;
    f.scope = scope;
    Object* base = fn->definingClip;
    const bool selfIsClip = self.type == Type::Object && self.object->kind == Kind::Clip;
    // A function whose clip has gone runs on the clip it is called on, else on the root.
    if (base && base->kind == Kind::Clip && !base->clip)
        base = selfIsClip && self.object->clip ? self.object : ClipObject(host.Level(0));
    // Format 5 functions keep no scope of their own: called on a clip, they run on its timeline.
    if (code.version < 6 && selfIsClip && self.object->clip) {
        base = self.object;
        auto timeline = std::make_shared<Scope>();
        timeline->object = base;
        timeline->timeline = true;
        scope->parent = timeline;
    }
    f.baseClip = base ? base : currentTarget;
    f.baseAlive = f.baseClip && f.baseClip->kind == Kind::Clip && f.baseClip->clip != kNoClip;
    f.target = f.baseClip;
    f.thisv = self.type == Type::Object ? self : Value::Obj(f.baseClip);
    int savedVersion = curVersion;
    curVersion = code.version;
    bool cs = CaseSensitive();

    std::vector<Value> regs(code.isFunction2 ? std::max<size_t>(code.registerCount, 1) : 4);
    if (code.isFunction2) {
        f.regs = regs.data();
        f.regCount = regs.size();
    } else {
        f.regs = f.localRegs;
        f.regCount = 4;
    }

    Object* argsObj = nullptr;
    auto arguments = [&]() {
        if (!argsObj) {
            argsObj = NewArray(args);
            argsObj->SetOwn("callee", Value::Obj(fn), false, kDontEnum);
            argsObj->SetOwn("caller", Value(), false, kDontEnum);
        }
        return Value::Obj(argsObj);
    };
    Object* superObj = nullptr;
    auto super = [&]() {
        if (!superObj) {
            superObj = heap.New(Kind::Super);
            // super starts above the object the method was found on (none for plain calls).
            // Its level: the one a super call passed down, else (left empty) the prototype of
            // `this` when super is used.
            superObj->superProto = holder;
            superObj->superThis = f.thisv.type == Type::Object ? f.thisv.object : nullptr;
        }
        return Value::Obj(superObj);
    };

    if (code.isFunction2) {
        uint16_t fl = code.flags;
        size_t reg = 1;
        auto put = [&](Value v) {
            if (reg < regs.size())
                regs[reg] = std::move(v);
            ++reg;
        };
        // A register asked for `this` or `super` that is also suppressed stays undefined.
        if (fl & 0x01)
            put(fl & 0x02 ? Value() : f.thisv);
        if (fl & 0x04)
            put(arguments());
        if (fl & 0x10)
            put(fl & 0x20 ? Value() : super());
        if (fl & 0x40) {
            Object* root = f.baseClip;
            if (root && root->clip) {
                ClipId c = root->clip;
                while (ClipId p = host.Parent(c))
                    c = p;
                root = ClipObject(c);
            }
            put(Value::Obj(root));
        }
        // The reference loads _global before _parent.
        if (fl & 0x100)
            put(Value::Obj(global));
        if (fl & 0x80) {
            Value pv;
            if (f.baseClip && f.baseClip->clip) {
                ClipId p = host.Parent(f.baseClip->clip);
                if (p)
                    pv = Value::Obj(ClipObject(p));
            }
            put(pv);
        }
        if (!(fl & 0x02) && !(fl & 0x01))
            act->SetOwn("this", f.thisv, cs);
        if (fl & 0x03)
            f.thisSuppressed = true;  // "this" then names the timeline, not the call
        if (!(fl & 0x08) && !(fl & 0x04))
            act->SetOwn("arguments", arguments(), cs);
        if (!(fl & 0x20) && !(fl & 0x10))
            act->SetOwn("super", super(), cs);
    } else {
        act->SetOwn("this", f.thisv, cs);
        act->SetOwn("arguments", arguments(), cs);
        act->SetOwn("super", super(), cs);
    }
    for (size_t i = 0; i < code.params.size(); ++i) {
        Value v = i < args.size() ? args[i] : Value();
        const auto& p = code.params[i];
        if (code.isFunction2 && p.reg != 0) {
            if (p.reg < regs.size())
                regs[p.reg] = std::move(v);
        } else {
            act->SetOwn(p.name, std::move(v), cs);
        }
    }
    curVersion = savedVersion;
    int flow;
    try {
        flow = Execute(f, code.start, code.end);
    } catch (...) {
        if (m_stack.size() > f.stackBase)
            m_stack.resize(f.stackBase);
        throw;
    }
    if (m_stack.size() > f.stackBase)
        m_stack.resize(f.stackBase);
    return flow == kReturn ? f.retval : Value();
}

RunEnd Vm::RunActions(ClipId clip, std::shared_ptr<const std::vector<uint8_t>> bytes, uint8_t codeVersion) {
    Object* o = ClipObject(clip);
    Frame f;
    f.bytes = std::move(bytes);
    f.version = codeVersion;
    auto scope = std::make_shared<Scope>();
    scope->object = o;
    scope->timeline = true;
    f.scope = scope;
    f.baseClip = o;
    f.baseAlive = o != nullptr;
    f.target = o;
    f.thisv = Value::Obj(o);
    f.regs = f.localRegs;
    f.regCount = 4;
    f.stackBase = 0;
    Object* savedTarget = currentTarget;
    currentTarget = o;
    BlockNesting nesting(*this);
    const bool outer = nesting.outer;
    RunEnd end = RunEnd::Completed;
    try {
        // A frame's actions run from a script (the Call action) nest like a function call and
        // count towards the same recursion limit: a frame that calls itself ends there.
        int nested = 0;
        if (!outer) {
            if (depth >= limits.maxRecursion)
                throw ScriptAbort{RunEnd::TooDeep};
            nested = 1;
        }
        depth += nested;
        struct Depth {
            Vm& vm;
            int nested;
            ~Depth() { vm.depth -= nested; }
        } guard{*this, nested};
        Execute(f, 0, f.bytes->size());
    } catch (ScriptThrow& t) {
        end = RunEnd::Threw;
        int saved = curVersion;
        curVersion = codeVersion;
        try {
            std::string text = ToString(t.value);
            lastAbortMessage = "uncaught exception: " + text;
            // The reference player reports it in the trace output too.
            host.Trace("Warning: Uncaught exception, " + text);
        } catch (...) {
            lastAbortMessage = "uncaught exception";
        }
        curVersion = saved;
    } catch (ScriptAbort& a) {
        end = a.why;
        if (outer) {
            m_stack.clear();
            depth = 0;
        }
        if (end == RunEnd::TimedOut)
            lastAbortMessage = "A script has executed for longer than the time-out; the action block was abandoned";
        else if (end == RunEnd::TooDeep)
            lastAbortMessage =
                "256 levels of recursion were exceeded in one action list; the action block was abandoned";
        else if (end == RunEnd::TooLarge)
            lastAbortMessage = "a text or array grew past the interpreter's limit; the action block was abandoned";
        else
            lastAbortMessage = "invalid action data; the action block was abandoned";
        if (!outer) {
            currentTarget = savedTarget;
            throw;
        }
    }
    currentTarget = savedTarget;
    return end;
}

RunEnd Vm::CallClipMethod(ClipId clip, std::string_view name, std::vector<Value> args) {
    Object* o = ClipObject(clip);
    if (!o)
        return RunEnd::Completed;
    Object* savedTarget = currentTarget;
    currentTarget = o;
    BlockNesting nesting(*this);
    const bool outer = nesting.outer;
    RunEnd end = RunEnd::Completed;
    try {
        Value fn = GetOf(o, name);
        if (IsFunction(fn))
            Call(fn, Value::Obj(o), std::move(args));
    } catch (ScriptThrow&) {
        end = RunEnd::Threw;
    } catch (ScriptAbort& a) {
        end = a.why;
        if (!outer) {
            currentTarget = savedTarget;
            throw;
        }
        depth = 0;
    }
    currentTarget = savedTarget;
    return end;
}

}  // namespace script
