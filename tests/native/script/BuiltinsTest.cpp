// Built-in objects: Array sort and sortOn flags, String methods, Function call/apply.
#include <gtest/gtest.h>

#include "TestHost.h"

namespace script {
namespace {

using test::TestHost;

class BuiltinsTest : public ::testing::Test {
protected:
    TestHost host;
    Vm vm{host, 8};
    Value Array(std::vector<Value> items) { return Value::Obj(vm.NewArray(items)); }
    std::string Join(const Value& a) { return vm.ToString(vm.CallMethod(a, "join", {Value::Str(",")})); }
    Value Flag(const char* name) { return vm.GetOf(vm.arrayCtor, name); }
};

TEST_F(BuiltinsTest, SortComparesTextByDefaultAndNumbersWithNumeric) {
    Value a = Array({Value::Num(10), Value::Num(9), Value::Num(100), Value::Num(-1)});
    vm.CallMethod(a, "sort", {});
    EXPECT_EQ(Join(a), "-1,10,100,9");
    vm.CallMethod(a, "sort", {Flag("NUMERIC")});
    EXPECT_EQ(Join(a), "-1,9,10,100");
    vm.CallMethod(a, "sort", {Value::Num(vm.ToNumber(Flag("NUMERIC")) + vm.ToNumber(Flag("DESCENDING")))});
    EXPECT_EQ(Join(a), "100,10,9,-1");
}

TEST_F(BuiltinsTest, SortFlagsCaseUniqueAndIndexed) {
    Value a = Array({Value::Str("b"), Value::Str("B"), Value::Str("a"), Value::Str("C")});
    vm.CallMethod(a, "sort", {});
    EXPECT_EQ(Join(a), "B,C,a,b");
    vm.CallMethod(a, "sort", {Flag("CASEINSENSITIVE")});
    EXPECT_EQ(Join(a).substr(0, 1), "a");
    Value idx =
        vm.CallMethod(Array({Value::Str("z"), Value::Str("x"), Value::Str("y")}), "sort", {Flag("RETURNINDEXEDARRAY")});
    EXPECT_EQ(Join(idx), "1,2,0");
    Value dup = Array({Value::Num(2), Value::Num(1), Value::Num(2)});
    Value r = vm.CallMethod(dup, "sort", {Flag("UNIQUESORT")});
    EXPECT_EQ(r.type, Type::Number);
    EXPECT_EQ(r.number, 0);
    EXPECT_EQ(Join(dup), "2,1,2");  // left as it was
}

TEST_F(BuiltinsTest, SortOnOrdersByFieldThenNextField) {
    auto rec = [&](const char* name, double age) {
        Object* o = vm.NewObject();
        vm.SetOf(o, "name", Value::Str(name));
        vm.SetOf(o, "age", Value::Num(age));
        return Value::Obj(o);
    };
    Value a = Array({rec("b", 30), rec("a", 30), rec("c", 4)});
    vm.CallMethod(a, "sortOn", {Array({Value::Str("age"), Value::Str("name")}), Flag("NUMERIC")});
    std::string order;
    for (uint32_t i = 0; i < 3; ++i)
        order += vm.GetOf(vm.Element(a.object, i).object, "name").string;
    EXPECT_EQ(order, "cab");
}

TEST_F(BuiltinsTest, SpliceSliceConcatAndLength) {
    Value a = Array({Value::Num(1), Value::Num(2), Value::Num(3), Value::Num(4)});
    Value removed = vm.CallMethod(a, "splice", {Value::Num(1), Value::Num(2), Value::Str("x")});
    EXPECT_EQ(Join(removed), "2,3");
    EXPECT_EQ(Join(a), "1,x,4");
    EXPECT_EQ(Join(vm.CallMethod(a, "slice", {Value::Num(-2)})), "x,4");
    EXPECT_EQ(Join(vm.CallMethod(a, "concat", {Array({Value::Num(5)}), Value::Num(6)})), "1,x,4,5,6");
    vm.SetOf(a.object, "length", Value::Num(1));
    EXPECT_EQ(Join(a), "1");
    vm.SetElement(a.object, 4, Value::Num(9));
    EXPECT_EQ(vm.GetOf(a.object, "length").number, 5);
}

TEST_F(BuiltinsTest, StringMethodsCountUtf16Units) {
    Value s = Value::Str("h\xC3\xA9llo");  // "héllo"
    EXPECT_EQ(vm.Get(s, "length").number, 5);
    EXPECT_EQ(vm.CallMethod(s, "charAt", {Value::Num(1)}).string, "\xC3\xA9");
    EXPECT_EQ(vm.CallMethod(s, "indexOf", {Value::Str("l")}).number, 2);
    EXPECT_EQ(vm.CallMethod(s, "substring", {Value::Num(4), Value::Num(1)}).string, "\xC3\xA9ll");
    EXPECT_EQ(vm.CallMethod(s, "toUpperCase", {}).string, "H\xC3\x89LLO");
    Value parts = vm.CallMethod(Value::Str("a,b,,c"), "split", {Value::Str(",")});
    EXPECT_EQ(vm.LengthOf(parts.object), 4u);
}

Value SumWithThis(Vm& vm, const Value& self, std::vector<Value>& args, int) {
    double s = vm.ToNumber(vm.Get(self, "base"));
    for (auto& a : args)
        s += vm.ToNumber(a);
    return Value::Num(s);
}

TEST_F(BuiltinsTest, FunctionCallAndApplySetThisAndArguments) {
    Value fn = Value::Obj(vm.NewFunction(SumWithThis));
    Object* o = vm.NewObject();
    vm.SetOf(o, "base", Value::Num(100));
    EXPECT_EQ(vm.CallMethod(fn, "call", {Value::Obj(o), Value::Num(1), Value::Num(2)}).number, 103);
    EXPECT_EQ(vm.CallMethod(fn, "apply", {Value::Obj(o), Array({Value::Num(5), Value::Num(5)})}).number, 110);
}

TEST_F(BuiltinsTest, IntervalsFireOnTheHostClock) {
    vm.SetOf(vm.global, "count", Value::Num(0));
    // setInterval(obj, "method", ms) on an object whose method counts calls.
    Object* o = vm.NewObject();
    vm.SetOf(o, "tick", Value::Obj(vm.NewFunction([](Vm& v, const Value&, std::vector<Value>&, int) {
                 v.SetOf(v.global, "count", Value::Num(v.ToNumber(v.GetOf(v.global, "count")) + 1));
                 return Value();
             })));
    Value id =
        vm.Call(vm.GetOf(vm.global, "setInterval"), Value(), {Value::Obj(o), Value::Str("tick"), Value::Num(100)});
    vm.AdvanceClock(50);
    EXPECT_EQ(vm.GetOf(vm.global, "count").number, 0);
    vm.AdvanceClock(50);
    vm.AdvanceClock(100);
    EXPECT_EQ(vm.GetOf(vm.global, "count").number, 2);
    vm.Call(vm.GetOf(vm.global, "clearInterval"), Value(), {id});
    vm.AdvanceClock(500);
    EXPECT_EQ(vm.GetOf(vm.global, "count").number, 2);
}

}  // namespace
}  // namespace script
