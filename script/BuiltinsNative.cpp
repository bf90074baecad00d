// The player's table of native functions by category and number (ASnative), and the two
// functions its own class definitions use to fill prototypes from it: ASSetNative (methods)
// and ASSetNativeAccessor (getter/setter pairs).
#include <cmath>
#include <string>

#include "script/Vm.h"

namespace script {

namespace {

constexpr int kMathCategory = 200, kDateCategory = 103;

// Date's methods in the order of its native numbers.
const char* const kDateNatives[] = {"getFullYear",     "getYear",    "getMonth",   "getDate",           "getDay",
                                    "getHours",        "getMinutes", "getSeconds", "getMilliseconds",   "setFullYear",
                                    "setMonth",        "setDate",    "setHours",   "setMinutes",        "setSeconds",
                                    "setMilliseconds", "getTime",    "setTime",    "getTimezoneOffset", "toString",
                                    "setYear"};

// ASnative(category, index): a new function object for the native, or nullptr.
Object* NativeFunction(Vm& vm, int category, int index) {
    if (category == kMathCategory)
        return MathNativeFunction(vm, index);
    if (category == kDateCategory && index >= 0 && static_cast<size_t>(index) < std::size(kDateNatives) &&
        vm.dateProto) {
        Property* p = vm.dateProto->FindOwn(kDateNatives[index], true);
        if (p && !p->IsAccessor() && vm.IsFunction(p->value) && p->value.object->native)
            return vm.NewFunction(p->value.object->native, p->value.object->magic);
    }
    return nullptr;
}

Value AsNative(Vm& vm, const Value&, std::vector<Value>& args, int) {
    if (args.size() < 2)
        return Value();
    double cat = vm.ToNumber(args[0]), idx = vm.ToNumber(args[1]);
    if (!std::isfinite(cat) || !std::isfinite(idx))
        return Value();
    return Value::Obj(NativeFunction(vm, ToInt32(cat), ToInt32(idx)));
}

// A name in the list may start with the first movie version that sees it: 1, 6, 7, 8, 9 or
// 10 (other digits belong to the name).
uint16_t TakeVersionPrefix(std::string& name) {
    if (name.compare(0, 2, "10") == 0) {
        name.erase(0, 2);
        return kVersion10;
    }
    if (name.empty())
        return 0;
    const char c = name[0];
    const uint16_t bits[] = {kVersion6, kVersion7, kVersion8, kVersion9};
    if (c == '1' || (c >= '6' && c <= '9')) {
        name.erase(0, 1);
        return c == '1' ? 0 : bits[c - '6'];
    }
    return 0;
}

// Walks the comma-separated names with their native numbers (empty names use a number too).
template <typename F>
void ForEachNativeName(Vm& vm, std::vector<Value>& args, int step, F&& f) {
    std::string list = vm.ToString(args[2]);
    int index = args.size() > 3 ? ToInt32(vm.ToNumber(args[3])) : 0;
    int category = ToInt32(vm.ToNumber(args[1]));
    size_t start = 0;
    for (;;) {
        size_t comma = list.find(',', start);
        std::string name = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        uint16_t flags = TakeVersionPrefix(name);
        if (!name.empty())
            f(name, flags, category, index);
        index += step;
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
}

Value AsSetNative(Vm& vm, const Value&, std::vector<Value>& args, int) {
    if (args.size() < 3 || !args[0].IsObject())
        return Value();
    Object* o = args[0].object;
    ForEachNativeName(vm, args, 1, [&](const std::string& name, uint16_t flags, int category, int index) {
        Value fn = Value::Obj(NativeFunction(vm, category, index));
        // An existing property takes the function and keeps its attributes.
        if (Property* p = o->FindOwn(name, true); p && !p->IsAccessor())
            p->value = fn;
        else
            o->SetOwn(name, fn, true, flags);
    });
    return Value();
}

Value AsSetNativeAccessor(Vm& vm, const Value&, std::vector<Value>& args, int) {
    if (args.empty())
        return Value::Obj(vm.NewFunction([](Vm&, const Value&, std::vector<Value>&, int) { return Value(); }));
    if (args.size() < 3 || !args[0].IsObject())
        return Value();
    Object* o = args[0].object;
    ForEachNativeName(vm, args, 2, [&](const std::string& name, uint16_t flags, int category, int index) {
        Object* getter = NativeFunction(vm, category, index);
        Object* setter = NativeFunction(vm, category, index + 1);
        // The pair replaces a property in its place, attributes included.
        Property& p = o->SetOwn(name, Value(), true, flags);
        p.flags = flags;
        p.getter = getter;
        p.setter = setter;
    });
    return Value();
}

}  // namespace

void InstallNativeTableBuiltins(Vm& vm) {
    vm.Method(vm.global, "ASnative", AsNative);
    vm.Method(vm.global, "ASSetNative", AsSetNative);
    vm.Method(vm.global, "ASSetNativeAccessor", AsSetNativeAccessor);
}

}  // namespace script
