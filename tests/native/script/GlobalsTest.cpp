// String, Math and global functions by the reference's rules for missing arguments, argument
// conversion and format 5.
#include <gtest/gtest.h>

#include <cmath>

#include "TestHost.h"

namespace script {
namespace {

using test::TestHost;

struct MethodCase {
    uint8_t version;
    const char* text;
    const char* method;
    std::vector<Value> args;
    const char* printed;
};

TEST(Globals, StringMethodsWithoutOrBeyondTheirArguments) {
    const MethodCase cases[] = {
        {8, "hello", "indexOf", {}, "undefined"},
        {8, "hello", "lastIndexOf", {}, "undefined"},
        {8, "hello", "slice", {}, "undefined"},
        {8, "hello", "substr", {}, "undefined"},
        {8, "hello", "substring", {}, "undefined"},
        {8, "hello", "indexOf", {Value::Str(""), Value::Num(100)}, "-1"},
        {5, "abc", "charCodeAt", {Value::Num(9)}, "0"},  // format 5 reads 0 past the end
        {8, "abc", "charCodeAt", {Value::Num(9)}, "NaN"},
        {5, "a,b,c", "split", {}, "a|b|c"},  // format 5 splits at commas by default
        {8, "a,b,c", "split", {}, "a,b,c"},
        {8, "\xC4\xB0\xCE\xA3\xE1\x82\xA0", "toLowerCase", {}, "i\xCF\x83\xE1\x83\x90"},  // İ Σ Ⴀ
        {8, "\xE1\xBE\xB3", "toUpperCase", {}, "\xE1\xBE\xBC"},                           // ᾳ -> ᾼ
    };
    for (const auto& c : cases) {
        TestHost host;
        Vm vm(host, c.version);
        Value r = vm.CallMethod(Value::Str(c.text), c.method, c.args);
        std::string printed = r.IsUndefined() ? "undefined" : vm.ToString(r);
        if (r.IsObject() && std::string(c.method) == "split")
            printed = vm.ToString(vm.CallMethod(r, "join", {Value::Str("|")}));
        EXPECT_EQ(printed, c.printed) << c.method << " v" << int(c.version);
    }
}

TEST(Globals, IsNaNAndBooleanWithoutAnArgument) {
    TestHost host;
    Vm vm(host, 6);
    auto call = [&](const char* name, std::vector<Value> args) {
        return vm.Call(vm.GetOf(vm.global, name), Value(), args);
    };
    EXPECT_TRUE(call("isNaN", {}).boolean);
    EXPECT_FALSE(call("isNaN", {Value()}).boolean);  // undefined is 0 in format 6
    EXPECT_FALSE(call("isFinite", {}).boolean);
    EXPECT_TRUE(call("Boolean", {}).IsUndefined());
    EXPECT_FALSE(call("Boolean", {Value::Num(0)}).boolean);
}

Value CountingValueOf(Vm& vm, const Value& self, std::vector<Value>&, int) {
    vm.SetOf(vm.global, "calls", Value::Num(vm.ToNumber(vm.GetOf(vm.global, "calls")) + 1));
    return vm.Get(self, "v");
}

TEST(Globals, MathConvertsTheFirstTwoArgumentsAndUsesThem) {
    TestHost host;
    Vm vm(host, 8);
    auto noisy = [&](double v) {
        Object* o = vm.NewObject();
        vm.SetOf(o, "v", Value::Num(v));
        vm.SetOf(o, "valueOf", Value::Obj(vm.NewFunction(CountingValueOf)));
        return Value::Obj(o);
    };
    Value math = vm.GetOf(vm.global, "Math");
    struct Case {
        const char* fn;
        double result;
    };
    for (const Case& c : {Case{"abs", 3}, Case{"min", 2}, Case{"max", 3}, Case{"pow", 9}}) {
        vm.SetOf(vm.global, "calls", Value::Num(0));
        Value r = vm.CallMethod(math, c.fn, {noisy(3), noisy(2), noisy(1)});
        EXPECT_EQ(r.number, c.result) << c.fn;
        EXPECT_EQ(vm.GetOf(vm.global, "calls").number, 2) << c.fn;
    }
    Value asnative = vm.GetOf(vm.global, "ASnative");
    Value abs = vm.Call(asnative, Value(), {Value::Num(200), Value::Num(0)});
    EXPECT_EQ(vm.Call(abs, Value(), {Value::Num(-4)}).number, 4);
    Value unknown = vm.Call(asnative, Value(), {Value::Num(200), Value::Num(50)});
    EXPECT_TRUE(std::isnan(vm.Call(unknown, Value(), {Value::Num(1)}).number));
}

TEST(Globals, ThePlayersClassesArePresentByVersion) {
    struct Case {
        uint8_t version;
        const char* path;
        const char* type;
    };
    const Case cases[] = {
        {6, "Sound", "function"},
        {6, "Key", "object"},
        {6, "System.capabilities", "object"},
        {6, "TextField.StyleSheet", "undefined"},
        {7, "TextField.StyleSheet", "function"},
        {7, "flash", "undefined"},
        {8, "flash.geom.Point", "function"},
        {6, "Function.prototype", "object"},
    };
    for (const auto& c : cases) {
        TestHost host;
        Vm vm(host, c.version);
        Value v = Value::Obj(vm.global);
        std::string path = c.path;
        for (size_t start = 0;;) {
            size_t dot = path.find('.', start);
            v = vm.Get(v, path.substr(start, dot - start));
            if (dot == std::string::npos)
                break;
            start = dot + 1;
        }
        EXPECT_EQ(vm.TypeOf(v), c.type) << c.path << " v" << int(c.version);
    }
    TestHost host;
    Vm vm(host, 8);
    Value bd = vm.Get(vm.Get(vm.Get(Value::Obj(vm.global), "flash"), "display"), "BitmapData");
    EXPECT_TRUE(vm.Construct(bd, {Value::Num(42)}).IsUndefined());  // no height: no object
    EXPECT_TRUE(vm.Construct(bd, {Value::Num(20), Value::Num(30)}).IsObject());
}

TEST(Globals, PointKeepsItsValuesAndComputesWithNumbers) {
    TestHost host;
    Vm vm(host, 8);
    Value point = vm.Get(vm.Get(vm.Get(Value::Obj(vm.global), "flash"), "geom"), "Point");
    auto text = [&](const Value& p) { return vm.ToString(p); };
    EXPECT_EQ(text(vm.Construct(point, {})), "(x=0, y=0)");
    EXPECT_EQ(text(vm.Construct(point, {Value::Num(1)})), "(x=1, y=undefined)");
    Value a = vm.Construct(point, {Value::Num(-100), Value::Num(200)});
    Value b = vm.Construct(point, {Value::Num(100), Value::Num(200)});
    EXPECT_EQ(vm.CallMethod(point, "distance", {a, b}).number, 200);
    Object* plain = vm.NewObject();
    EXPECT_TRUE(vm.CallMethod(point, "distance", {Value::Obj(plain), b}).IsUndefined());
    EXPECT_EQ(text(vm.CallMethod(point, "interpolate", {a, b, Value::Num(0.5)})), "(x=0, y=200)");
    EXPECT_TRUE(vm.CallMethod(a, "equals", {vm.CallMethod(a, "clone", {})}).boolean);
    EXPECT_FALSE(vm.CallMethod(a, "equals", {Value::Obj(plain)}).boolean);
    Value c = vm.Construct(point, {Value::Num(3), Value::Num(4)});
    EXPECT_EQ(vm.Get(c, "length").number, 5);
    vm.CallMethod(c, "normalize", {Value::Num(10)});
    EXPECT_EQ(text(c), "(x=6, y=8)");
}

TEST(Globals, MatrixIsTheIdentityOrTheValuesGiven) {
    TestHost host;
    Vm vm(host, 8);
    Value matrix = vm.Get(vm.Get(vm.Get(Value::Obj(vm.global), "flash"), "geom"), "Matrix");
    EXPECT_EQ(vm.ToString(vm.Construct(matrix, {})), "(a=1, b=0, c=0, d=1, tx=0, ty=0)");
    Object* m = vm.NewObject();
    vm.CallMethod(matrix, "call", {Value::Obj(m), Value::Num(2), Value::Num(3)});  // as a plain function
    EXPECT_EQ(vm.GetOf(m, "a").number, 2);
    EXPECT_EQ(vm.GetOf(m, "b").number, 3);
    EXPECT_TRUE(vm.GetOf(m, "c").IsUndefined());
}

TEST(Globals, LoadVarsPrintsItsVariablesEscapedInLoopOrder) {
    TestHost host;
    Vm vm(host, 7);
    Value lv = vm.Construct(vm.GetOf(vm.global, "LoadVars"), {});
    vm.SetOf(lv.object, "a b", Value::Str("1&2"));
    vm.SetOf(lv.object, "c", Value());
    EXPECT_EQ(vm.ToString(vm.CallMethod(lv, "toString", {})), "c=undefined&a%20b=1%262");
}

TEST(Globals, LoadVarsDecodesFormTextAndItsLoadsWaitUntilTheFrameHasRun) {
    TestHost host;  // reads no files
    Vm vm(host, 7);
    Value lv = vm.Construct(vm.GetOf(vm.global, "LoadVars"), {});
    vm.CallMethod(lv, "decode", {Value::Str("a=1&b=x+y%21&=skip&c&&d=%E7%89%87")});
    const std::pair<const char*, const char*> decoded[] = {{"a", "1"}, {"b", "x y!"}, {"c", ""}, {"d", "\xE7\x89\x87"}};
    for (const auto& [name, value] : decoded)
        EXPECT_EQ(vm.ToString(vm.GetOf(lv.object, name)), value) << name;
    static std::vector<std::string> heard;
    heard.clear();
    vm.SetOf(lv.object, "onLoad", Value::Obj(vm.NewFunction([](Vm& v, const Value&, std::vector<Value>& args, int) {
                 heard.push_back(v.ToString(args.empty() ? Value() : args[0]));
                 return Value();
             })));
    EXPECT_TRUE(vm.CallMethod(lv, "load", {Value::Str("missing.txt")}).boolean);
    EXPECT_FALSE(vm.CallMethod(lv, "load", {}).boolean);
    EXPECT_EQ(vm.ToString(vm.GetOf(lv.object, "loaded")), "false");
    EXPECT_TRUE(heard.empty());
    vm.CompleteLoads();  // the file is not there: onData hears nothing, onLoad false
    EXPECT_EQ(heard, (std::vector<std::string>{"false"}));
}

TEST(Globals, ASSetNativeNamesNativesWithVersionPrefixes) {
    TestHost host;
    Vm vm(host, 7);
    Object* o = vm.NewObject();
    vm.SetOf(o, "h", Value::Str("kept flags"));
    Value set = vm.GetOf(vm.global, "ASSetNative");
    vm.Call(set, Value(), {Value::Obj(o), Value::Num(200), Value::Str("1a,,2b,7g,8h,8x,10j,11k")});
    // Numbers count every name, empty ones too: a is Math 0 (abs), g is Math 3 (sin).
    EXPECT_EQ(vm.CallMethod(Value::Obj(o), "a", {Value::Num(-3)}).number, 3);
    EXPECT_EQ(vm.CallMethod(Value::Obj(o), "g", {Value::Num(std::acos(-1.0) / 2)}).number, 1);
    EXPECT_TRUE(vm.IsFunction(vm.GetOf(o, "2b")));  // 2 is not a version
    EXPECT_TRUE(vm.IsFunction(vm.GetOf(o, "h")));   // an existing property keeps its attributes
    EXPECT_TRUE(vm.GetOf(o, "x").IsUndefined());    // format 8 names are hidden from format 7
    EXPECT_TRUE(vm.GetOf(o, "j").IsUndefined());
    EXPECT_TRUE(vm.IsFunction(vm.GetOf(o, "1k")));
    // Date's natives by number: 103, 16 is getTime.
    Value getTime = vm.Call(vm.GetOf(vm.global, "ASnative"), Value(), {Value::Num(103), Value::Num(16)});
    Value d = vm.Construct(vm.GetOf(vm.global, "Date"), {Value::Num(1234)});
    EXPECT_EQ(vm.Call(getTime, d, {}).number, 1234);
}

}  // namespace
}  // namespace script

namespace script {
namespace {

// TextFormat: the constructor takes numbers toward zero; setters round halves to even from
// format 8 (truncate before), keep margins at 0 or more and, before format 8, indents too.
TEST(Globals, TextFormatPartsByConstructorAndSetterAndVersion) {
    struct Case {
        uint8_t version;
        const char* part;
        double value;
        const char* fromConstructor;  // null: the part is not a constructor argument checked here
        const char* fromSetter;
    };
    const Case cases[] = {
        {8, "size", -10.5, "-10", "-10"}, {8, "size", -9.5, "-9", "-10"}, {8, "size", 2.5, "2", "2"},
        {8, "size", 1.5, "1", "2"},       {7, "size", 1.5, "1", "1"},     {8, "leftMargin", -3, "-3", "0"},
        {8, "indent", -3, "-3", "-3"},    {7, "indent", -3, "-3", "0"},   {8, "color", -1, "4294967295", "4294967295"},
    };
    const char* const order[] = {"font",   "size",  "color",      "bold",        "italic", "underline", "url",
                                 "target", "align", "leftMargin", "rightMargin", "indent", "leading"};
    for (const Case& c : cases) {
        TestHost host;
        Vm vm(host, c.version);
        vm.curVersion = c.version;
        std::vector<Value> args;
        for (const char* name : order)
            args.push_back(std::string(name) == c.part ? Value::Num(c.value) : Value::Null());
        Value made = vm.Construct(vm.GetOf(vm.global, "TextFormat"), args);
        EXPECT_EQ(vm.ToString(vm.Get(made, c.part)), c.fromConstructor) << c.part << " " << c.value;
        vm.Set(made, c.part, Value::Num(c.value));
        EXPECT_EQ(vm.ToString(vm.Get(made, c.part)), c.fromSetter)
            << c.part << " " << c.value << " v" << int(c.version);
    }
    // Alignment: a setter given no known name keeps what was there.
    TestHost host;
    Vm vm(host, 8);
    vm.curVersion = 8;
    Value tf = vm.Construct(vm.GetOf(vm.global, "TextFormat"), {});
    EXPECT_TRUE(vm.Get(tf, "align").IsNull());
    vm.Set(tf, "align", Value::Str("RIGHT"));
    vm.Set(tf, "align", Value::Str("middle"));
    vm.Set(tf, "align", Value::Null());
    EXPECT_EQ(vm.ToString(vm.Get(tf, "align")), "right");
}

}  // namespace
}  // namespace script
