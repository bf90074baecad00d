// Global functions (parseInt, escape, ASSetPropFlags, ...), the interval and timeout timers, and
// the MovieClip methods that go through the display host.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "Text.h"
#include "script/Vm.h"

namespace script {

namespace {

// The initObject of attachMovie and duplicateMovieClip: its enumerable properties are set on
// the new clip (setters run) in the order they were made, before the clip's class constructor.
void CopyInitObject(Vm& vm, Object* clip, const Value& init) {
    if (!clip || init.type != Type::Object)
        return;
    for (const std::string& name : vm.EnumerableNames(init.object))
        vm.SetOf(clip, name, vm.GetOf(init.object, name));
}

Value Arg(std::vector<Value>& a, size_t i) {
    return i < a.size() ? a[i] : Value();
}

Value ParseInt(Vm& vm, const Value&, std::vector<Value>& args, int) {
    std::string s = vm.ToString(Arg(args, 0));
    int radix = args.size() > 1 && !args[1].IsUndefined() ? vm.ToInt(args[1]) : 0;
    size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\n' || s[i] == '\r'))
        ++i;
    bool neg = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) {
        neg = s[i] == '-';
        ++i;
    }
    if (radix == 0) {
        if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
            radix = 16;
            i += 2;
        } else if (i + 1 < s.size() && s[i] == '0')
            radix = 8;
        else
            radix = 10;
    } else if (radix == 16 && i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        i += 2;
    }
    if (radix < 2 || radix > 36)
        return Value::Num(NAN);
    double v = 0;
    bool any = false;
    for (; i < s.size(); ++i) {
        char c = s[i];
        int d = c >= '0' && c <= '9'
                    ? c - '0'
                    : (c >= 'a' && c <= 'z' ? c - 'a' + 10 : (c >= 'A' && c <= 'Z' ? c - 'A' + 10 : 99));
        if (d >= radix)
            break;
        v = v * radix + d;
        any = true;
    }
    if (!any)
        return Value::Num(NAN);
    return Value::Num(neg ? -v : v);
}

Value ParseFloat(Vm& vm, const Value&, std::vector<Value>& args, int) {
    std::string s = vm.ToString(Arg(args, 0));
    size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\n' || s[i] == '\r'))
        ++i;
    size_t j = i;
    if (j < s.size() && (s[j] == '-' || s[j] == '+'))
        ++j;
    size_t digits = 0;
    while (j < s.size() && isdigit(static_cast<unsigned char>(s[j]))) {
        ++j;
        ++digits;
    }
    if (j < s.size() && s[j] == '.') {
        ++j;
        while (j < s.size() && isdigit(static_cast<unsigned char>(s[j]))) {
            ++j;
            ++digits;
        }
    }
    if (!digits)
        return Value::Num(NAN);
    if (j < s.size() && (s[j] == 'e' || s[j] == 'E')) {
        size_t k = j + 1;
        if (k < s.size() && (s[k] == '-' || s[k] == '+'))
            ++k;
        size_t ed = 0;
        while (k < s.size() && isdigit(static_cast<unsigned char>(s[k]))) {
            ++k;
            ++ed;
        }
        if (ed)
            j = k;
    }
    return Value::Num(std::strtod(s.substr(i, j - i).c_str(), nullptr));
}

Value IsNaNFn(Vm& vm, const Value&, std::vector<Value>& args, int m) {
    // No argument at all is NaN (an undefined one converts by the version's rule).
    double d = args.empty() ? NAN : vm.ToNumber(args[0]);
    return Value::Bool(m == 0 ? std::isnan(d) : std::isfinite(d));
}

Value Escape(Vm& vm, const Value&, std::vector<Value>& args, int) {
    return Value::Str(EscapeText(vm.ToString(Arg(args, 0))));
}

Value Unescape(Vm& vm, const Value&, std::vector<Value>& args, int) {
    std::string out = UnescapeText(vm.ToString(Arg(args, 0)));
    if (vm.curVersion < 6)
        out = Latin1ToUtf8(out);
    return Value::Str(out);
}

Value GetTimer(Vm& vm, const Value&, std::vector<Value>&, int) {
    return Value::Num(std::floor(vm.ClockMs()));
}

Value GetVersion(Vm&, const Value&, std::vector<Value>&, int) {
    return Value::Str("WIN 32,0,0,0");
}

Value SetPropFlags(Vm& vm, const Value&, std::vector<Value>& args, int) {
    Value t = Arg(args, 0);
    if (t.type != Type::Object)
        return Value();
    Object* o = t.object;
    uint32_t setTrue = ToUint32(vm.ToNumber(Arg(args, 2)));
    uint32_t setFalse = args.size() > 3 ? ToUint32(vm.ToNumber(args[3])) : 0;
    auto apply = [&](Property& p) { p.flags = static_cast<uint16_t>((p.flags & ~setFalse) | setTrue); };
    Value names = Arg(args, 1);
    if (names.IsNull() || names.IsUndefined()) {
        o->ForEachProperty(apply);
        return Value();
    }
    std::vector<std::string> list;
    if (names.type == Type::Object) {
        uint32_t n = vm.LengthOf(names.object);
        for (uint32_t i = 0; i < n; ++i)
            list.push_back(vm.ToString(vm.Element(names.object, i)));
    } else {
        std::string s = vm.ToString(names);
        size_t pos = 0;
        while (true) {
            size_t c = s.find(',', pos);
            list.push_back(s.substr(pos, c == std::string::npos ? std::string::npos : c - pos));
            if (c == std::string::npos)
                break;
            pos = c + 1;
        }
    }
    for (auto& n : list)
        if (Property* p = o->FindOwn(n, vm.CaseSensitive()))
            apply(*p);
    return Value();
}

// setInterval(fn, ms, ...) / setInterval(obj, "name", ms, ...); magic 1 = setTimeout.
Value SetTimer(Vm& vm, const Value&, std::vector<Value>& args, int once) {
    if (args.size() < 2)
        return Value();
    Vm::Timer t;
    size_t next;
    if (vm.IsFunction(args[0])) {
        t.fn = args[0];
        next = 1;
    } else if (args[0].type == Type::Object && args.size() >= 3) {
        t.fn = args[0];
        t.method = vm.ToString(args[1]);
        next = 2;
    } else {
        return Value();
    }
    if (next >= args.size() || args[next].IsUndefined())
        return Value();
    double ms = vm.ToNumber(args[next]);
    if (!std::isfinite(ms) || ms < 0)
        ms = 0;
    t.interval = ms;
    t.args.assign(args.begin() + static_cast<long>(next + 1), args.end());
    t.repeat = !once;
    t.due = vm.ClockMs() + ms;
    t.id = vm.nextTimerId++;
    vm.timers.push_back(t);
    return Value::Num(t.id);
}

Value ClearTimer(Vm& vm, const Value&, std::vector<Value>& args, int) {
    double id = vm.ToNumber(Arg(args, 0));
    auto& ts = vm.timers;
    ts.erase(std::remove_if(ts.begin(), ts.end(), [&](const Vm::Timer& t) { return t.id == id; }), ts.end());
    return Value();
}

ClipId ClipOf(const Value& self) {
    return self.type == Type::Object && self.object->kind == Kind::Clip ? self.object->clip : kNoClip;
}

enum ClipMethod {
    kPlay,
    kStop,
    kNext,
    kPrev,
    kGotoPlay,
    kGotoStop,
    kBytesLoaded,
    kBytesTotal,
    kCreateEmpty,
    kDuplicate,
    kRemove,
    kAttach,
    kGetDepth,
    kNextHighestDepth,
    kInstanceAtDepth,
    kSwapDepths,
    kGetBounds,
    kLocalToGlobal,
    kGlobalToLocal,
    kHitTest,
    kClear,
    kLineStyle,
    kBeginFill,
    kEndFill,
    kMoveTo,
    kLineTo,
    kCurveTo,
    kNoop
};

// The drawing API's arguments as DisplayHost::Draw takes them; false when the call draws nothing.
bool DrawArguments(Vm& vm, int m, std::vector<Value>& args, double out[4]) {
    auto number = [&](size_t i, double fallback) {
        return i < args.size() && !args[i].IsUndefined() ? vm.ToNumber(args[i]) : fallback;
    };
    switch (m) {
    case kLineStyle:
        out[0] = args.empty() || args[0].IsUndefined() ? -1 : std::clamp(number(0, 0), 0.0, 255.0);
        if (std::isnan(out[0]))
            out[0] = 0;
        out[1] = double(uint32_t(ToInt32(number(1, 0))) & 0xFFFFFF);
        out[2] = std::clamp(number(2, 100), 0.0, 100.0);
        return true;
    case kBeginFill:
        out[0] = args.empty() || args[0].IsUndefined() ? -1 : double(uint32_t(ToInt32(number(0, 0))) & 0xFFFFFF);
        out[1] = std::clamp(number(1, 100), 0.0, 100.0);
        if (std::isnan(out[1]))
            out[1] = 0;
        return true;
    case kMoveTo:
    case kLineTo:
    case kCurveTo: {
        const int n = m == kCurveTo ? 4 : 2;
        for (int i = 0; i < n; ++i) {
            out[i] = number(size_t(i), NAN);
            if (!std::isfinite(out[i]))
                return false;
        }
        return true;
    }
    default:
        return true;
    }
}

// attachMovie's and duplicateMovieClip's init object: its enumerable properties are set on the
// new clip before its class constructor runs.
Value ClipMethodFn(Vm& vm, const Value& self, std::vector<Value>& args, int m) {
    ClipId c = ClipOf(self);
    if (!c)
        return Value();
    DisplayHost& h = vm.host;
    switch (m) {
    case kPlay:
        h.Play(c);
        break;
    case kStop:
        h.Stop(c);
        break;
    case kNext:
        h.NextFrame(c);
        break;
    case kPrev:
        h.PrevFrame(c);
        break;
    case kGotoPlay:
    case kGotoStop: {
        Value f = Arg(args, 0);
        int n = 0;
        if (f.type == Type::String) {
            double d = StringToNumber(f.string, vm.curVersion);
            n = std::isfinite(d) ? ToInt32(d) : h.FrameOfLabel(c, f.string);
        } else {
            double d = vm.ToNumber(f);
            n = std::isfinite(d) ? ToInt32(d) : 0;
        }
        if (n > 0)
            h.GotoFrame(c, n);
        if (m == kGotoPlay)
            h.Play(c);
        else
            h.Stop(c);
        break;
    }
    case kBytesLoaded:
    case kBytesTotal:
        return Value::Num(1);
    case kCreateEmpty: {
        // Arguments convert in order: the name, then the depth.
        const std::string name = vm.ToString(Arg(args, 0));
        ClipId k = h.CreateEmpty(c, name, vm.ToInt(Arg(args, 1)));
        return k ? Value::Obj(vm.ClipObject(k)) : Value();
    }
    case kDuplicate: {
        const std::string name = vm.ToString(Arg(args, 0));
        ClipId k = h.Duplicate(c, name, vm.ToInt(Arg(args, 1)));
        if (!k)
            return Value();
        CopyInitObject(vm, vm.ClipObject(k), Arg(args, 2));
        return Value::Obj(vm.ClipObject(k));
    }
    case kRemove:
        h.Remove(c);
        break;
    case kAttach: {
        const std::string linkage = vm.ToString(Arg(args, 0));
        const std::string name = vm.ToString(Arg(args, 1));
        ClipId k = h.Attach(c, linkage, name, vm.ToInt(Arg(args, 2)));
        if (!k)
            return Value();
        CopyInitObject(vm, vm.ClipObject(k), Arg(args, 3));
        vm.ClipPlaced(k);
        return Value::Obj(vm.ClipObject(k));
    }
    case kGetDepth:
        return Value::Num(h.Depth(c));
    case kNextHighestDepth:
        return Value::Num(h.NextHighestDepth(c));
    case kInstanceAtDepth: {
        if (args.empty())
            return Value();
        const double d = vm.ToNumber(args[0]);
        const ClipId k = std::isfinite(d) ? h.ChildAtDepth(c, ToInt32(d)) : kNoClip;
        return k ? Value::Obj(vm.ClipObject(k)) : Value();
    }
    case kGetBounds: {
        ClipId space = c;
        if (!args.empty() && args[0].type == Type::Object && args[0].object->kind == Kind::Clip)
            space = args[0].object->clip;
        double b[4] = {};
        if (!space || !h.Bounds(c, space, b))
            return Value();
        Object* r = vm.NewObject();
        const char* names[4] = {"xMin", "xMax", "yMin", "yMax"};
        for (int i = 0; i < 4; ++i)
            r->SetOwn(names[i], Value::Num(b[i]), false);
        return Value::Obj(r);
    }
    case kLocalToGlobal:
    case kGlobalToLocal: {
        if (args.empty() || args[0].type != Type::Object)
            break;
        Object* pt = args[0].object;
        double x = vm.ToNumber(vm.GetOf(pt, "x")), y = vm.ToNumber(vm.GetOf(pt, "y"));
        if (!std::isfinite(x) || !std::isfinite(y) || !h.MapPoint(c, m == kLocalToGlobal, x, y))
            break;
        vm.SetOf(pt, "x", Value::Num(x));
        vm.SetOf(pt, "y", Value::Num(y));
        break;
    }
    case kHitTest: {
        if (!args.empty() && args[0].type == Type::Object && args[0].object->kind == Kind::Clip) {
            // Two clips: whether the boxes around them meet on the stage.
            const ClipId other = args[0].object->clip;
            const ClipId root = h.Level(0);
            double a[4] = {}, b[4] = {};
            if (!other || !h.Bounds(c, root, a) || !h.Bounds(other, root, b))
                return Value::Bool(false);
            return Value::Bool(a[0] <= b[1] && b[0] <= a[1] && a[2] <= b[3] && b[2] <= a[3]);
        }
        if (args.size() < 2)
            return Value::Bool(false);
        const double x = vm.ToNumber(args[0]), y = vm.ToNumber(args[1]);
        const bool shapes = args.size() > 2 && ToBoolean(args[2], vm.curVersion);
        return Value::Bool(std::isfinite(x) && std::isfinite(y) && h.HitTest(c, x, y, shapes));
    }
    case kSwapDepths: {
        const Value target = args.empty() ? Value() : args[0];
        if (target.type == Type::Object && target.object->kind == Kind::Clip) {
            if (target.object->clip)
                h.SwapDepths(c, target.object->clip, 0);
            break;
        }
        const double d = vm.ToNumber(target);
        if (std::isfinite(d))
            h.SwapDepths(c, kNoClip, ToInt32(d));
        break;
    }
    case kClear:
    case kLineStyle:
    case kBeginFill:
    case kEndFill:
    case kMoveTo:
    case kLineTo:
    case kCurveTo: {
        static constexpr DrawCall kCalls[] = {DrawCall::Clear,   DrawCall::LineStyle, DrawCall::BeginFill,
                                              DrawCall::EndFill, DrawCall::MoveTo,    DrawCall::LineTo,
                                              DrawCall::CurveTo};
        double drawArgs[4] = {};
        if (DrawArguments(vm, m, args, drawArgs))
            h.Draw(c, kCalls[m - kClear], drawArgs);
        break;
    }
    default:
        break;
    }
    return Value();
}

}  // namespace

void InstallGlobalFunctions(Vm& vm) {
    Object* g = vm.global;
    vm.Method(g, "parseInt", ParseInt);
    vm.Method(g, "parseFloat", ParseFloat);
    vm.Method(g, "isNaN", IsNaNFn, 0);
    vm.Method(g, "isFinite", IsNaNFn, 1);
    vm.Method(g, "escape", Escape);
    vm.Method(g, "unescape", Unescape);
    vm.Method(g, "getTimer", GetTimer);
    vm.Method(g, "getVersion", GetVersion);
    vm.Method(g, "ASSetPropFlags", SetPropFlags);
    vm.Method(g, "setInterval", SetTimer, 0);
    vm.Method(g, "setTimeout", SetTimer, 1);
    vm.Method(g, "clearInterval", ClearTimer);
    vm.Method(g, "clearTimeout", ClearTimer);
    vm.Method(g, "updateAfterEvent", [](Vm&, const Value&, std::vector<Value>&, int) { return Value(); });
    g->SetOwn("NaN", Value::Num(NAN), false, kDontEnum);
    g->SetOwn("Infinity", Value::Num(INFINITY), false, kDontEnum);
}

void InstallClipBuiltins(Vm& vm) {
    Object* proto = vm.NewObject();
    vm.clipProto = proto;
    Object* ctor = vm.NewFunction([](Vm&, const Value&, std::vector<Value>&, int) { return Value(); }, 0, proto);
    vm.global->SetOwn("MovieClip", Value::Obj(ctor), false, kDontEnum);
    const std::pair<const char*, int> methods[] = {{"play", kPlay},
                                                   {"stop", kStop},
                                                   {"nextFrame", kNext},
                                                   {"prevFrame", kPrev},
                                                   {"gotoAndPlay", kGotoPlay},
                                                   {"gotoAndStop", kGotoStop},
                                                   {"getBytesLoaded", kBytesLoaded},
                                                   {"getBytesTotal", kBytesTotal},
                                                   {"createEmptyMovieClip", kCreateEmpty},
                                                   {"duplicateMovieClip", kDuplicate},
                                                   {"removeMovieClip", kRemove},
                                                   {"attachMovie", kAttach},
                                                   {"getDepth", kGetDepth},
                                                   {"getNextHighestDepth", kNextHighestDepth},
                                                   {"getInstanceAtDepth", kInstanceAtDepth},
                                                   {"swapDepths", kSwapDepths},
                                                   {"getBounds", kGetBounds},
                                                   {"localToGlobal", kLocalToGlobal},
                                                   {"globalToLocal", kGlobalToLocal},
                                                   {"hitTest", kHitTest},
                                                   {"clear", kClear},
                                                   {"lineStyle", kLineStyle},
                                                   {"beginFill", kBeginFill},
                                                   {"endFill", kEndFill},
                                                   {"moveTo", kMoveTo},
                                                   {"lineTo", kLineTo},
                                                   {"curveTo", kCurveTo}};
    for (auto& [n, m] : methods)
        vm.Method(proto, n, ClipMethodFn, m);
}

void Vm::RunDeferredCalls() {
    std::vector<DeferredCall> calls;
    calls.swap(deferredCalls);
    for (DeferredCall& c : calls)
        RunAsBlock([&] { Call(c.fn, c.self, std::move(c.args)); });
}

void Vm::AdvanceClock(double ms) {
    RunDeferredCalls();
    m_clockMs += ms;
    // Timers due by now run once each, in the order they were set.
    std::vector<int> due;
    for (auto& t : timers)
        if (t.due <= m_clockMs)
            due.push_back(t.id);
    for (int id : due) {
        auto it = std::find_if(timers.begin(), timers.end(), [&](const Timer& t) { return t.id == id; });
        if (it == timers.end())
            continue;
        Timer t = *it;
        if (t.repeat) {
            it->due = std::max(it->due + std::max(t.interval, 1.0), m_clockMs - ms + std::max(t.interval, 1.0));
            if (it->due <= m_clockMs)
                it->due = m_clockMs + std::max(t.interval, 1.0);
        } else {
            timers.erase(it);
        }
        // A method timer on a clip that has gone calls nothing (the clip's methods went with it).
        if (!t.method.empty() && t.fn.type == Type::Object && t.fn.object->kind == Kind::Clip &&
            t.fn.object->clip == kNoClip)
            continue;
        RunAsBlock([&] {
            if (t.method.empty())
                Call(t.fn, Value::Obj(currentTarget), t.args);
            else
                CallMethod(t.fn, t.method, t.args);
        });
    }
}

}  // namespace script
