// Arrays as the reference keeps them: a signed 32-bit length moved by element names, and the
// property order that shift and unshift leave (a for..in loop shows it).
#include <gtest/gtest.h>

#include "TestHost.h"

namespace script {
namespace {

using test::TestHost;

class ArrayTest : public ::testing::Test {
protected:
    TestHost host;
    Vm vm{host, 8};
    Object* Make(std::vector<Value> items) { return vm.NewArray(items); }
    double Length(Object* a) { return vm.GetOf(a, "length").number; }
    // Element names in the order they were made.
    std::string Order(Object* a) {
        std::string out;
        a->ForEachProperty([&](Property& p) {
            if (p.name != "__proto__")
                out += p.name + ",";
        });
        return out;
    }
};

TEST_F(ArrayTest, ElementNamesMoveTheLengthIn32Bits) {
    struct Case {
        const char* name;
        double before, after;
    };
    const Case cases[] = {
        {"3", 0, 4},                         // past the end: one more
        {"1", 4, 4},                         // inside: unchanged
        {"-5", 4, 4},                        // a negative element stays below the length
        {"2147483647", 4, -2147483648.0},    // the length wraps to negative
        {"4294967295", -1, 0},               // 2^32 - 1 is element -1
        {"302231454903657293676544", 0, 1},  // 2^78 wraps to element 0
        {"x", 3, 3},                         // not an element
    };
    for (const auto& c : cases) {
        Object* a = Make({});
        vm.SetOf(a, "length", Value::Num(c.before));
        vm.SetOf(a, c.name, Value::Str("v"));
        EXPECT_EQ(Length(a), c.after) << c.name;
    }
}

TEST_F(ArrayTest, AShorterLengthDeletesTheElementsAboveIt) {
    Object* a = Make({Value::Num(1), Value::Num(2), Value::Num(3)});
    vm.SetOf(a, "-5", Value::Num(9));
    vm.SetOf(a, "length", Value::Num(-1));
    EXPECT_EQ(Length(a), -1);
    EXPECT_EQ(Order(a), "-5,");
    EXPECT_EQ(Length(vm.Construct(Value::Obj(vm.arrayCtor), {Value::Num(-1)}).object), -1);
}

TEST_F(ArrayTest, ShiftAndUnshiftRemakeTheElementsTheyMove) {
    Object* a = Make({Value::Num(1), Value::Num(2), Value::Num(3)});
    vm.CallMethod(Value::Obj(a), "shift", {});
    EXPECT_EQ(Order(a), "0,1,");
    // An element that may not be deleted keeps its place and the others come after it.
    Object* b = Make({Value::Num(1), Value::Num(2), Value::Num(3)});
    b->FindOwn("1", true)->flags |= kDontDelete;
    vm.CallMethod(Value::Obj(b), "shift", {});
    EXPECT_EQ(Order(b), "1,0,");
    EXPECT_EQ(Length(b), 2);
    Object* c = Make({});
    vm.SetOf(c, "1", Value::Num(4));
    vm.CallMethod(Value::Obj(c), "unshift", {Value::Num(7), Value::Num(8)});
    EXPECT_EQ(Order(c), "3,2,0,1,");
    EXPECT_EQ(Length(c), 4);
}

TEST_F(ArrayTest, SpliceWithAnUndefinedOrNegativeCountDoesNothing) {
    for (Value count : {Value(), Value::Num(-2)}) {
        Object* a = Make({Value::Num(1), Value::Num(2), Value::Num(3)});
        Value r = vm.CallMethod(Value::Obj(a), "splice", {Value::Num(1), count});
        EXPECT_TRUE(r.IsUndefined());
        EXPECT_EQ(Length(a), 3);
    }
}

TEST_F(ArrayTest, JoinReadsOnlyStoredElements) {
    Object* base = Make({Value::Str("a"), Value::Str("b")});
    Object* o = vm.NewObject(base);
    vm.SetOf(o, "length", Value::Num(2));
    EXPECT_EQ(vm.GetOf(o, "0").string, "a");
    EXPECT_EQ(vm.ToString(vm.CallMethod(Value::Obj(o), "join", {})), "undefined,undefined");
}

TEST_F(ArrayTest, SortOnReadsOwnStoredFieldsAndNumericNeedsTwoNumbers) {
    auto rec = [&](const char* name, Value order, bool inherited) {
        Object* base = vm.NewObject();
        Object* o = vm.NewObject(base);
        vm.SetOf(o, "name", Value::Str(name));
        vm.SetOf(inherited ? base : o, "order", std::move(order));
        return Value::Obj(o);
    };
    auto names = [&](Object* a) {
        std::string out;
        for (uint32_t i = 0; i < vm.LengthOf(a); ++i)
            out += vm.ToString(vm.Get(vm.Element(a, i), "name"));
        return out;
    };
    Value numeric = vm.GetOf(vm.arrayCtor, "NUMERIC");
    Object* a = Make({rec("b", Value::Num(2), false), rec("a", Value::Num(1), false)});
    vm.CallMethod(Value::Obj(a), "sortOn", {Value::Str("order"), numeric});
    EXPECT_EQ(names(a), "ab");
    Object* b = Make({rec("b", Value::Num(2), true), rec("a", Value::Num(1), true)});  // from prototypes: not read
    vm.CallMethod(Value::Obj(b), "sortOn", {Value::Str("order"), numeric});
    EXPECT_EQ(names(b), "ba");
    EXPECT_TRUE(vm.CallMethod(Value::Obj(b), "sortOn", {}).IsUndefined());
    // NUMERIC compares two numbers by value and anything else as text.
    Object* c = Make({Value::Num(3), Value::Str("22"), Value::Num(4), Value::Num(23)});
    vm.CallMethod(Value::Obj(c), "sort", {numeric});
    EXPECT_EQ(vm.ToString(Value::Obj(c)), "22,3,4,23");
}

// Items a sort finds equal land where the reference's quicksort leaves them (the first item of
// each range is the pivot), not in their first order.
TEST_F(ArrayTest, SortLeavesEqualItemsInTheQuicksortOrder) {
    struct Case {
        std::vector<const char*> items;
        const char* sorted;
    };
    const Case cases[] = {
        {{"b", "A", "a", "B", "c"}, "a,A,b,B,c"},
        {{"C", "b", "a", "B", "A", "c"}, "A,a,b,B,C,c"},
        {{"x", "X"}, "x,X"},
        {{"TeSt", "h\u00ebllo", "H\u00cbLLO", "test"}, "H\u00cbLLO,h\u00ebllo,TeSt,test"},
    };
    Value caseInsensitive = vm.GetOf(vm.arrayCtor, "CASEINSENSITIVE");
    for (const Case& c : cases) {
        std::vector<Value> items;
        for (const char* s : c.items)
            items.push_back(Value::Str(s));
        Object* a = Make(items);
        vm.CallMethod(Value::Obj(a), "sort", {caseInsensitive});
        EXPECT_EQ(vm.ToString(Value::Obj(a)), c.sorted) << c.items[0];
    }
}

// A compare function sees the pivot first, in the reference's order of calls.
TEST_F(ArrayTest, SortCallsTheCompareFunctionInTheQuicksortOrder) {
    static std::string calls;
    calls.clear();
    Object* compare = vm.NewFunction([](Vm& vm, const Value&, std::vector<Value>& args, int) {
        calls += vm.ToString(args[0]) + vm.ToString(args[1]) + ",";
        return Value::Num(vm.ToNumber(args[0]) - vm.ToNumber(args[1]));
    });
    Object* a = Make({Value::Num(3), Value::Num(1), Value::Num(4), Value::Num(2), Value::Num(5)});
    vm.CallMethod(Value::Obj(a), "sort", {Value::Obj(compare)});
    EXPECT_EQ(vm.ToString(Value::Obj(a)), "1,2,3,4,5");
    EXPECT_EQ(calls, "31,34,35,32,32,34,32,21,45,");
}

}  // namespace
}  // namespace script
