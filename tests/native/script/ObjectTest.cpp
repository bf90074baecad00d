// Objects: prototype lookup, getters and setters, attribute bits, watchers, __resolve and the
// mark-sweep heap.
#include <gtest/gtest.h>

#include <cmath>

#include "TestHost.h"

namespace script {
namespace {

using test::TestHost;

Value ReturnSeven(Vm&, const Value&, std::vector<Value>&, int) {
    return Value::Num(7);
}
Value StoreDoubled(Vm& vm, const Value& self, std::vector<Value>& args, int) {
    vm.SetOf(self.object, "stored", Value::Num(vm.ToNumber(args.at(0)) * 2));
    return Value();
}
Value ResolveName(Vm&, const Value&, std::vector<Value>& args, int) {
    return Value::Str("resolved:" + args.at(0).string);
}
Value WatchAddsOne(Vm& vm, const Value&, std::vector<Value>& args, int) {
    return Value::Num(vm.ToNumber(args.at(2)) + 1);  // (name, old, new, data)
}

class ObjectTest : public ::testing::Test {
protected:
    TestHost host;
    Vm vm{host, 8};
};

TEST_F(ObjectTest, LookupWalksThePrototypeChainAndOwnPropertiesShadow) {
    Object* base = vm.NewObject();
    vm.SetOf(base, "shared", Value::Str("base"));
    vm.SetOf(base, "kind", Value::Str("base"));
    Object* child = vm.NewObject(base);
    vm.SetOf(child, "kind", Value::Str("child"));
    EXPECT_EQ(vm.GetOf(child, "shared").string, "base");
    EXPECT_EQ(vm.GetOf(child, "kind").string, "child");
    EXPECT_EQ(vm.GetOf(base, "kind").string, "base");
    // Replacing __proto__ changes what is inherited.
    Object* other = vm.NewObject();
    vm.SetOf(other, "shared", Value::Str("other"));
    vm.SetOf(child, "__proto__", Value::Obj(other));
    EXPECT_EQ(vm.GetOf(child, "shared").string, "other");
}

TEST_F(ObjectTest, AddPropertyRunsGetterAndSetterAlsoThroughPrototypes) {
    Object* proto = vm.NewObject();
    Value ok = vm.CallMethod(
        Value::Obj(proto), "addProperty",
        {Value::Str("v"), Value::Obj(vm.NewFunction(ReturnSeven)), Value::Obj(vm.NewFunction(StoreDoubled))});
    EXPECT_TRUE(ok.boolean);
    Object* o = vm.NewObject(proto);
    EXPECT_EQ(vm.GetOf(o, "v").number, 7);
    vm.SetOf(o, "v", Value::Num(5));
    EXPECT_EQ(vm.GetOf(o, "stored").number, 10);  // the setter ran with this = o
    EXPECT_EQ(o->FindOwn("v", true), nullptr);    // and no plain property was made
}

TEST_F(ObjectTest, AddPropertyRefusesAMissingGetter) {
    Object* o = vm.NewObject();
    EXPECT_FALSE(vm.CallMethod(Value::Obj(o), "addProperty", {Value::Str("v"), Value::Num(1)}).boolean);
    EXPECT_EQ(o->FindOwn("v", true), nullptr);
}

TEST_F(ObjectTest, SetPropFlagsHidesProtectsAndFreezes) {
    Object* o = vm.NewObject();
    vm.SetOf(o, "a", Value::Num(1));
    vm.SetOf(o, "b", Value::Num(2));
    vm.SetOf(o, "c", Value::Num(3));
    Value fn = vm.GetOf(vm.global, "ASSetPropFlags");
    vm.Call(fn, Value(), {Value::Obj(o), Value::Str("a"), Value::Num(kDontEnum)});
    vm.Call(fn, Value(), {Value::Obj(o), Value::Str("b,c"), Value::Num(kReadOnly | kDontDelete)});
    auto names = vm.EnumerableNames(o);
    EXPECT_EQ(names, (std::vector<std::string>{"b", "c"}));
    vm.SetOf(o, "b", Value::Num(20));
    EXPECT_EQ(vm.GetOf(o, "b").number, 2);
    EXPECT_FALSE(vm.DeleteOf(o, "c"));
    EXPECT_TRUE(vm.DeleteOf(o, "a"));
    // Clearing the bit again.
    vm.Call(fn, Value(), {Value::Obj(o), Value::Str("b"), Value::Num(0), Value::Num(kReadOnly)});
    vm.SetOf(o, "b", Value::Num(20));
    EXPECT_EQ(vm.GetOf(o, "b").number, 20);
}

TEST_F(ObjectTest, VersionBitsHidePropertiesFromOlderMovies) {
    Object* o = vm.NewObject();
    vm.SetOf(o, "late", Value::Num(1));
    vm.Call(vm.GetOf(vm.global, "ASSetPropFlags"), Value(), {Value::Obj(o), Value::Str("late"), Value::Num(kVersion7)});
    vm.curVersion = 6;
    EXPECT_TRUE(vm.GetOf(o, "late").IsUndefined());
    EXPECT_EQ(vm.EnumerableNames(o), std::vector<std::string>{"late"});  // for..in still sees it
    vm.curVersion = 7;
    EXPECT_EQ(vm.GetOf(o, "late").number, 1);
    // A set from an older movie makes it an ordinary property again.
    vm.curVersion = 6;
    vm.SetOf(o, "late", Value::Num(2));
    EXPECT_EQ(vm.GetOf(o, "late").number, 2);
}

TEST_F(ObjectTest, NamesAreCaseInsensitiveUpToVersion6) {
    Object* o = vm.NewObject();
    vm.curVersion = 6;
    vm.SetOf(o, "Score", Value::Num(3));
    EXPECT_EQ(vm.GetOf(o, "SCORE").number, 3);
    vm.curVersion = 7;
    EXPECT_TRUE(vm.GetOf(o, "SCORE").IsUndefined());
    EXPECT_EQ(vm.GetOf(o, "Score").number, 3);
}

// Small objects are searched in order, large ones through a hash table: both must find the
// first of same-named properties, skip removed ones and keep the order properties were added.
TEST(PropertyTable, FindsRemovesAndKeepsOrderAtEverySize) {
    auto name = [](const char* prefix, int i) {
        std::string s = prefix;
        s += std::to_string(i);
        return s;
    };
    for (int count : {3, 8, 9, 40, 300}) {
        SCOPED_TRACE(count);
        Object o(Kind::Plain);
        for (int i = 0; i < count; ++i)
            o.SetOwn(name("p", i), Value::Num(i), true);
        o.SetOwn("Name", Value::Num(-1), true);
        o.SetOwn("name", Value::Num(-2), true);  // differs only in case: a second property
        ASSERT_NE(o.FindOwn("NAME", false), nullptr);
        EXPECT_EQ(o.FindOwn("NAME", false)->value.number, -1);  // the first added
        EXPECT_EQ(o.FindOwn("name", true)->value.number, -2);
        EXPECT_EQ(o.FindOwn("NAME", true), nullptr);
        for (int i = 0; i < count; i += 2)
            EXPECT_TRUE(o.RemoveOwn(name("P", i), false));
        EXPECT_FALSE(o.RemoveOwn("p0", false));
        o.SetOwn("p0", Value::Num(100), true);  // back, now the last
        for (int i = 0; i < count; ++i) {
            const Property* p = o.FindOwn(name("p", i), true);
            const double want = i == 0 ? 100 : i;
            if (i % 2 == 0 && i != 0) {
                EXPECT_EQ(p, nullptr) << i;
            } else {
                ASSERT_NE(p, nullptr) << i;
                EXPECT_EQ(p->value.number, want) << i;
            }
        }
        std::vector<std::string> order;
        o.ForEachProperty([&](Property& p) { order.push_back(p.name); });
        ASSERT_EQ(order.size(), o.PropertyCount());
        EXPECT_EQ(order.back(), "p0");
        EXPECT_EQ(order[order.size() - 3], "Name");
        EXPECT_EQ(order.front(), "p1");
    }
}

TEST_F(ObjectTest, WatchSeesOldAndNewValueAndDecidesWhatIsStored) {
    Object* o = vm.NewObject();
    vm.CallMethod(Value::Obj(o), "watch", {Value::Str("n"), Value::Obj(vm.NewFunction(WatchAddsOne))});
    vm.SetOf(o, "n", Value::Num(10));
    EXPECT_EQ(vm.GetOf(o, "n").number, 11);
    vm.CallMethod(Value::Obj(o), "unwatch", {Value::Str("n")});
    vm.SetOf(o, "n", Value::Num(10));
    EXPECT_EQ(vm.GetOf(o, "n").number, 10);
}

TEST_F(ObjectTest, ResolveAnswersMissingNames) {
    Object* o = vm.NewObject();
    vm.SetOf(o, "__resolve", Value::Obj(vm.NewFunction(ResolveName)));
    EXPECT_EQ(vm.GetOf(o, "missing").string, "resolved:missing");
    vm.SetOf(o, "present", Value::Num(1));
    EXPECT_EQ(vm.GetOf(o, "present").number, 1);
}

TEST_F(ObjectTest, CollectionFreesUnreachableCyclesAndKeepsReachableOnes) {
    size_t before = vm.heap.Count();
    Object* a = vm.NewObject();
    Object* b = vm.NewObject();
    vm.SetOf(a, "peer", Value::Obj(b));
    vm.SetOf(b, "peer", Value::Obj(a));  // a cycle nothing else reaches
    Object* kept = vm.NewObject();
    vm.SetOf(vm.global, "kept", Value::Obj(kept));
    vm.SetOf(kept, "self", Value::Obj(kept));
    size_t freed = vm.CollectGarbage();
    EXPECT_GE(freed, 2u);
    EXPECT_EQ(vm.heap.Count(), before + 1);
    EXPECT_EQ(vm.GetOf(vm.GetOf(vm.global, "kept").object, "self").object, kept);
}

TEST_F(ObjectTest, FrameEndCollectionWaitsUntilTheHeapHasGrown) {
    vm.CollectGarbage();
    const size_t live = vm.heap.Count();
    vm.NewObject();  // garbage, but too little to be worth a walk of every object
    EXPECT_EQ(vm.CollectGarbageWhenGrown(), 0u);
    EXPECT_EQ(vm.heap.Count(), live + 1);
    const size_t grow = std::max(live, Vm::kCollectSlack);
    for (size_t i = 0; i < grow; ++i)
        vm.NewObject();
    EXPECT_EQ(vm.CollectGarbageWhenGrown(), grow + 1);
    EXPECT_EQ(vm.heap.Count(), live);
}

Value CountCalls(Vm& vm, const Value& self, std::vector<Value>&, int) {
    vm.SetOf(vm.global, "made", Value::Num(vm.ToNumber(vm.GetOf(vm.global, "made")) + 1));
    return self;
}

TEST_F(ObjectTest, PrimitivesAreWrappedByWhatGlobalNamesTheirConstructor) {
    // A replaced String wraps texts, called as a constructor each time.
    Object* proto = vm.NewObject();
    vm.SetOf(proto, "tag", Value::Str("mine"));
    Object* mine = vm.NewFunction(CountCalls, 0, proto);
    vm.SetOf(vm.global, "String", Value::Obj(mine));
    vm.SetOf(vm.global, "made", Value::Num(0));
    EXPECT_EQ(vm.Get(Value::Str("abc"), "tag").string, "mine");
    EXPECT_EQ(vm.GetOf(vm.global, "made").number, 1);
    // Something that is not a function wraps nothing: members of the primitive are undefined.
    vm.SetOf(vm.global, "String", Value::Num(3));
    EXPECT_TRUE(vm.Get(Value::Str("abc"), "tag").IsUndefined());
    EXPECT_EQ(vm.ToObject(Value::Str("abc")), nullptr);
}

TEST_F(ObjectTest, ConversionsIgnoreResolveAndInstanceOfReadsTheStoredPrototype) {
    Object* o = vm.NewObject();
    vm.SetOf(o, "__resolve", Value::Obj(vm.NewFunction(ReturnSeven)));
    o->RemoveOwn("__proto__", false);
    EXPECT_TRUE(vm.ToPrimitive(Value::Obj(o)).IsUndefined());  // no valueOf, and __resolve is not asked
    EXPECT_EQ(vm.ToString(Value::Obj(o)), "[type Object]");
    Object* cls = vm.NewObject();
    Object* getter =
        vm.NewFunction([](Vm& v, const Value&, std::vector<Value>&, int) { return Value::Obj(v.objectProto); });
    Property& p = cls->SetOwn("prototype", Value(), false);
    p.getter = getter;
    EXPECT_FALSE(vm.InstanceOf(vm.NewObject(), cls));  // a getter is not read
    p.getter = nullptr;
    p.value = Value::Obj(vm.objectProto);
    p.flags = kVersion9;  // hidden from this movie, still used
    EXPECT_TRUE(vm.InstanceOf(vm.NewObject(), cls));
}

TEST_F(ObjectTest, OnlyATextFromToStringIsTheObjectsText) {
    Object* o = vm.NewObject();
    vm.SetOf(o, "toString", Value::Obj(vm.NewFunction(ReturnSeven)));
    EXPECT_EQ(vm.ToString(Value::Obj(o)), "[type Object]");
    vm.SetOf(
        o, "toString",
        Value::Obj(vm.NewFunction([](Vm&, const Value&, std::vector<Value>&, int) { return Value::Str("text"); })));
    EXPECT_EQ(vm.ToString(Value::Obj(o)), "text");
}

Value WatchSetsAgain(Vm& vm, const Value& self, std::vector<Value>& args, int) {
    vm.SetOf(vm.global, "calls", Value::Num(vm.ToNumber(vm.GetOf(vm.global, "calls")) + 1));
    vm.SetOf(self.object, "p", Value::Str("again"));  // calls this watcher again
    return args.at(2);
}

TEST_F(ObjectTest, WatchersSeeStoredValuesOfPairsAndNestBoundedly) {
    Object* o = vm.NewObject();
    Value watch = vm.GetOf(o, "watch");
    vm.Call(watch, Value::Obj(o), {Value::Str("v"), Value::Obj(vm.NewFunction(WatchAddsOne))});
    Value add = vm.GetOf(o, "addProperty");
    vm.Call(add, Value::Obj(o), {Value::Str("v"), Value::Obj(vm.NewFunction(ReturnSeven)), Value::Null()});
    EXPECT_TRUE(std::isnan(o->FindOwn("v", true)->value.number));  // the watcher saw the pair arrive
    vm.SetOf(o, "v", Value::Num(10));
    EXPECT_EQ(o->FindOwn("v", true)->value.number, 11);  // stored for the next watcher call
    EXPECT_EQ(vm.GetOf(o, "v").number, 7);               // while the getter answers
    EXPECT_FALSE(vm.Call(vm.GetOf(o, "unwatch"), Value::Obj(o), {Value::Str("v")}).boolean);
    Object* q = vm.NewObject();
    vm.SetOf(vm.global, "calls", Value::Num(0));
    vm.Call(watch, Value::Obj(q), {Value::Str("p"), Value::Obj(vm.NewFunction(WatchSetsAgain))});
    vm.SetOf(q, "p", Value::Str("first"));
    EXPECT_EQ(vm.GetOf(vm.global, "calls").number, 65);
}

Value SetterSetsAgain(Vm& vm, const Value& self, std::vector<Value>&, int) {
    vm.SetOf(vm.global, "calls", Value::Num(vm.ToNumber(vm.GetOf(vm.global, "calls")) + 1));
    vm.SetOf(self.object, "p", Value::Str("inner"));
    return Value();
}
Value GetterGetsAgain(Vm& vm, const Value& self, std::vector<Value>&, int) {
    vm.SetOf(vm.global, "calls", Value::Num(vm.ToNumber(vm.GetOf(vm.global, "calls")) + 1));
    return vm.GetOf(self.object, "p");
}

TEST(Accessors, ReentryIsBoundedByVersionAndTheOutermostSetIsKept) {
    for (uint8_t version : {6, 7}) {
        TestHost host;
        Vm vm(host, version);
        Object* o = vm.NewObject();
        Property& p = o->SetOwn("p", Value(), true);
        p.getter = vm.NewFunction(GetterGetsAgain);
        p.setter = vm.NewFunction(SetterSetsAgain);
        vm.SetOf(vm.global, "calls", Value::Num(0));
        vm.SetOf(o, "p", Value::Str("outer"));
        double deep = version >= 7 ? 65 : 1;
        EXPECT_EQ(vm.GetOf(vm.global, "calls").number, deep) << int(version);
        vm.SetOf(vm.global, "calls", Value::Num(0));
        EXPECT_EQ(vm.GetOf(o, "p").string, "outer") << int(version);  // the innermost get reads the stored value
        EXPECT_EQ(vm.GetOf(vm.global, "calls").number, deep) << int(version);
    }
}

TEST_F(ObjectTest, ASuperObjectMadeItsOwnPrototypeEndsTheScript) {
    Object* level = vm.NewObject();
    Object* sup = vm.heap.New(Kind::Super);
    sup->superProto = level;
    vm.SetOf(level, "__proto__", Value::Obj(sup));
    EXPECT_THROW(vm.GetOf(sup, "anything"), ScriptAbort);
    EXPECT_THROW(vm.ToString(Value::Obj(level)), ScriptAbort);
}

Value WatchReadsAndSets(Vm& vm, const Value& self, std::vector<Value>& args, int) {
    vm.SetOf(vm.global, "watched", Value::Num(vm.ToNumber(vm.GetOf(vm.global, "watched")) + 1));
    vm.SetOf(vm.global, "seen", vm.GetOf(self.object, "p"));  // the getter, while it may be called
    vm.SetOf(self.object, "p", Value::Str("inner"));
    return args.at(2);
}

TEST(Accessors, AtTheDeepestWatcherThePairIsNoLongerCalled) {
    TestHost host;
    Vm vm(host, 7);
    Object* o = vm.NewObject();
    Property& p = o->SetOwn("p", Value(), true);
    p.getter = vm.NewFunction(ReturnSeven);
    vm.SetOf(vm.global, "watched", Value::Num(0));
    vm.CallMethod(Value::Obj(o), "watch", {Value::Str("p"), Value::Obj(vm.NewFunction(WatchReadsAndSets))});
    vm.SetOf(o, "p", Value::Str("outer"));
    EXPECT_EQ(vm.GetOf(vm.global, "watched").number, 65);
    // The first read happened at the deepest watcher, where the getter is passed over.
    EXPECT_TRUE(vm.GetOf(vm.global, "seen").IsUndefined());
    EXPECT_EQ(vm.GetOf(o, "p").number, 7);  // called again once the watchers are done
}

}  // namespace
}  // namespace script
