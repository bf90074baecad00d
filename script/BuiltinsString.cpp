// String (methods index in UTF-16 units; format 5 rules for negative arguments differ).
#include <algorithm>
#include <cmath>

#include "Text.h"
#include "script/Vm.h"

namespace script {

namespace {

Value Arg(std::vector<Value>& a, size_t i) {
    return i < a.size() ? a[i] : Value();
}

std::u16string ThisText(Vm& vm, const Value& self) {
    if (self.type == Type::Object && self.object->kind == Kind::String)
        return ToUtf16(self.object->primitive.string);
    return ToUtf16(vm.ToString(self));
}

double IntArg(Vm& vm, std::vector<Value>& a, size_t i, double dflt) {
    if (i >= a.size() || a[i].IsUndefined())
        return dflt;
    return static_cast<double>(ToInt32(vm.ToNumber(a[i])));
}

Value StringCtor(Vm& vm, const Value& self, std::vector<Value>& args, int) {
    std::string s = args.empty() ? "" : vm.ToString(args[0]);
    if (vm.constructing && self.type == Type::Object) {
        self.object->kind = Kind::String;
        self.object->primitive = Value::Str(s);
        return self;
    }
    return Value::Str(s);
}

Value FromCharCode(Vm& vm, const Value&, std::vector<Value>& args, int) {
    std::u16string s;
    for (auto& a : args) {
        uint32_t c = ToUint32(vm.ToNumber(a)) & 0xFFFF;
        if (c == 0)
            break;
        s += static_cast<char16_t>(c);
    }
    return Value::Str(ToUtf8(s));
}

enum Method {
    kToString,
    kValueOf,
    kCharAt,
    kCharCodeAt,
    kConcat,
    kIndexOf,
    kLastIndexOf,
    kSlice,
    kSplit,
    kSubstr,
    kSubstring,
    kToLower,
    kToUpper
};

Value StringMethod(Vm& vm, const Value& self, std::vector<Value>& args, int m) {
    if (m == kToString || m == kValueOf) {
        if (self.type == Type::Object && self.object->kind == Kind::String)
            return self.object->primitive;
        if (self.type == Type::String)
            return self;
        return Value::Str(vm.ToString(self));
    }
    std::u16string s = ThisText(vm, self);
    double len = static_cast<double>(s.size());
    // The searching and cutting methods want at least one argument.
    if (args.empty() && (m == kIndexOf || m == kLastIndexOf || m == kSlice || m == kSubstr || m == kSubstring))
        return Value();
    switch (m) {
    case kCharAt:
    case kCharCodeAt: {
        double i = IntArg(vm, args, 0, 0);
        if (i < 0 || i >= len) {
            // Past the end, format 5 reads a code of 0.
            double none = i >= len && vm.curVersion < 6 ? 0 : NAN;
            return m == kCharAt ? Value::Str("") : Value::Num(none);
        }
        char16_t c = s[static_cast<size_t>(i)];
        return m == kCharAt ? Value::Str(ToUtf8(std::u16string(1, c))) : Value::Num(c);
    }
    case kConcat: {
        std::string out = ToUtf8(s);
        for (auto& a : args) {
            out += vm.ToString(a);
            vm.CheckStringSize(out.size());
        }
        return Value::Str(out);
    }
    case kIndexOf: {
        std::u16string needle = ToUtf16(vm.ToString(Arg(args, 0)));
        double start = IntArg(vm, args, 1, 0);
        if (start < 0)
            start = 0;
        if (start > len)
            return Value::Num(-1);
        size_t p = s.find(needle, static_cast<size_t>(start));
        return Value::Num(p == std::u16string::npos ? -1 : static_cast<double>(p));
    }
    case kLastIndexOf: {
        std::u16string needle = ToUtf16(vm.ToString(Arg(args, 0)));
        double start = IntArg(vm, args, 1, len);
        if (start < 0)
            return Value::Num(-1);
        size_t p = s.rfind(needle, static_cast<size_t>(std::min(start, len)));
        return Value::Num(p == std::u16string::npos ? -1 : static_cast<double>(p));
    }
    case kSlice: {
        double a = IntArg(vm, args, 0, 0), b = IntArg(vm, args, 1, len);
        if (a < 0)
            a = std::max(0.0, len + a);
        if (b < 0)
            b = std::max(0.0, len + b);
        a = std::min(a, len);
        b = std::min(b, len);
        if (b <= a)
            return Value::Str("");
        return Value::Str(ToUtf8(s.substr(static_cast<size_t>(a), static_cast<size_t>(b - a))));
    }
    case kSubstring: {
        double a = IntArg(vm, args, 0, 0), b = IntArg(vm, args, 1, len);
        a = std::clamp(a, 0.0, len);
        b = std::clamp(b, 0.0, len);
        if (b < a)
            std::swap(a, b);
        return Value::Str(ToUtf8(s.substr(static_cast<size_t>(a), static_cast<size_t>(b - a))));
    }
    case kSubstr: {
        double a = IntArg(vm, args, 0, 0), c = IntArg(vm, args, 1, len);
        if (a < 0)
            a = std::max(0.0, len + a);
        a = std::min(a, len);
        if (c < 0) {
            // A negative length counts back from the end of the whole text; a piece that
            // would reach the end is empty, as the reference gives it.
            c = len + c;
            if (c <= 0 || a + c >= len)
                return Value::Str("");
        }
        c = std::min(c, len - a);
        return Value::Str(ToUtf8(s.substr(static_cast<size_t>(a), static_cast<size_t>(c))));
    }
    case kSplit: {
        Object* out = vm.NewArray();
        Value sepV = Arg(args, 0);
        double limit = args.size() > 1 && !args[1].IsUndefined() ? vm.ToNumber(args[1]) : 4294967295.0;
        if (std::isnan(limit))
            limit = 0;
        if (sepV.IsUndefined() && vm.curVersion < 6)
            sepV = Value::Str(",");  // format 5 splits at commas without a separator
        if (sepV.IsUndefined()) {
            vm.SetElement(out, 0, Value::Str(ToUtf8(s)));
            return Value::Obj(out);
        }
        std::u16string sep = ToUtf16(vm.ToString(sepV));
        uint32_t n = 0;
        if (sep.empty()) {
            if (vm.curVersion < 6) {
                vm.SetElement(out, 0, Value::Str(ToUtf8(s)));
                return Value::Obj(out);
            }
            for (size_t i = 0; i < s.size() && n < limit; ++i)
                vm.SetElement(out, n++, Value::Str(ToUtf8(s.substr(i, 1))));
            return Value::Obj(out);
        }
        size_t pos = 0;
        while (n < limit) {
            size_t p = s.find(sep, pos);
            if (p == std::u16string::npos) {
                vm.SetElement(out, n++, Value::Str(ToUtf8(s.substr(pos))));
                break;
            }
            vm.SetElement(out, n++, Value::Str(ToUtf8(s.substr(pos, p - pos))));
            pos = p + sep.size();
        }
        return Value::Obj(out);
    }
    case kToLower:
    case kToUpper: {
        if (m == kToLower)
            LowerCase(s);
        else
            UpperCase(s);
        return Value::Str(ToUtf8(s));
    }
    }
    return Value();
}

}  // namespace

void InstallStringBuiltins(Vm& vm) {
    Object* proto = vm.NewObject();
    proto->kind = Kind::String;
    proto->primitive = Value::Str("");
    vm.stringProto = proto;
    Object* ctor = vm.NewFunction(StringCtor, 0, proto);
    vm.global->SetOwn("String", Value::Obj(ctor), false, kDontEnum);
    vm.Method(ctor, "fromCharCode", FromCharCode);
    const std::pair<const char*, int> methods[] = {
        {"toString", kToString},  {"valueOf", kValueOf}, {"charAt", kCharAt},           {"charCodeAt", kCharCodeAt},
        {"concat", kConcat},      {"indexOf", kIndexOf}, {"lastIndexOf", kLastIndexOf}, {"slice", kSlice},
        {"split", kSplit},        {"substr", kSubstr},   {"substring", kSubstring},     {"toLowerCase", kToLower},
        {"toUpperCase", kToUpper}};
    for (auto& [n, m] : methods)
        vm.Method(proto, n, StringMethod, m);
}

}  // namespace script
