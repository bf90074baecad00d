// Sound's volume and pan arithmetic, SharedObject's file form and its round trip through the
// host's store, LocalConnection's delivery, and ExternalInterface's XML helpers.
#include <gtest/gtest.h>

#include <cmath>

#include "TestHost.h"

namespace script {
namespace {

using test::TestHost;

class DataObjectsTest : public ::testing::Test {
protected:
    TestHost host;
    Vm vm{host, 8};
    Value New(const char* cls, std::vector<Value> args = {}) {
        return vm.Construct(vm.GetOf(vm.global, cls), std::move(args));
    }
    Value Static(const char* cls, const char* method, std::vector<Value> args) {
        return vm.CallMethod(vm.GetOf(vm.global, cls), method, std::move(args));
    }
    Value Object(std::vector<std::pair<const char*, Value>> props) {
        script::Object* o = vm.NewObject();
        for (auto& [n, v] : props)
            vm.SetOf(o, n, v);
        return Value::Obj(o);
    }
};

TEST_F(DataObjectsTest, SoundVolumeTakesWholeNumbersAndOutOfRangeBecomesTheLowestInteger) {
    const Value sound = New("Sound");
    const struct {
        Value in;
        double volume;
    } cases[] = {{Value::Num(50.5), 50},
                 {Value::Num(-999), -999},
                 {Value::Num(NAN), -2147483648.0},
                 {Value::Num(2147483648.0), -2147483648.0},
                 {Value::Bool(true), 1}};
    for (const auto& c : cases) {
        vm.CallMethod(sound, "setVolume", {c.in});
        EXPECT_EQ(vm.CallMethod(sound, "getVolume", {}).number, c.volume) << vm.ToString(c.in);
    }
    // Every Sound without a target shares the movie's transform.
    EXPECT_EQ(vm.CallMethod(New("Sound"), "getVolume", {}).number, 1);
}

TEST_F(DataObjectsTest, SoundPanComesFromTheLeftGainUnlessItIsAHundred) {
    const Value sound = New("Sound");
    const struct {
        double ll, rr, pan;
    } cases[] = {{100, 100, 0}, {100, 150, 50}, {100, -50, -50}, {100, 0, -100}, {50, 999, 50},
                 {150, 0, -50}, {-100, 7, 0},   {0, 0, 100},     {101, 100, -1}};
    for (const auto& c : cases) {
        vm.CallMethod(sound, "setTransform", {Object({{"ll", Value::Num(c.ll)}, {"rr", Value::Num(c.rr)}})});
        EXPECT_EQ(vm.CallMethod(sound, "getPan", {}).number, c.pan) << c.ll << " " << c.rr;
    }
    // setPan keeps the side it pans towards at 100 and clears the cross gains.
    vm.CallMethod(sound, "setTransform", {Object({{"lr", Value::Num(30)}})});
    vm.CallMethod(sound, "setPan", {Value::Num(-30)});
    const Value t = vm.CallMethod(sound, "getTransform", {});
    EXPECT_EQ(vm.Get(t, "ll").number, 100);
    EXPECT_EQ(vm.Get(t, "rr").number, 70);
    EXPECT_EQ(vm.Get(t, "lr").number, 0);
    // A Sound whose target names nothing answers nothing; other objects are no Sound at all.
    EXPECT_TRUE(vm.CallMethod(New("Sound", {Value::Str("missing")}), "getVolume", {}).IsUndefined());
    const Value getVolume = vm.Get(vm.Get(vm.GetOf(vm.global, "Sound"), "prototype"), "getVolume");
    EXPECT_TRUE(vm.Call(getVolume, Value::Obj(vm.NewObject()), {}).IsUndefined());
}

TEST_F(DataObjectsTest, SharedObjectFileHoldsTheDataAndReadsBackInAnotherRun) {
    Value so = Static("SharedObject", "getLocal", {Value::Str("game")});
    ASSERT_TRUE(so.IsObject());
    EXPECT_EQ(Static("SharedObject", "getLocal", {Value::Str("game")}).object, so.object);
    Value data = vm.Get(so, "data");
    vm.Set(data, "n", Value::Num(2));
    vm.Set(data, "list", Value::Obj(vm.NewArray({Value::Str("a")})));
    vm.Set(data, "f", Value::Obj(vm.NewFunction([](Vm&, const Value&, std::vector<Value>&, int) { return Value(); })));
    EXPECT_TRUE(vm.CallMethod(so, "flush", {}).boolean);
    const std::vector<uint8_t> expected = {
        0x00, 0xBF, 0, 0, 0, 0x37, 'T', 'C', 'S', 'O', 0, 4, 0, 0, 0, 0, 0, 4, 'g', 'a', 'm', 'e', 0, 0, 0, 0,
        // n: 2.0
        0, 1, 'n', 0x00, 0x40, 0, 0, 0, 0, 0, 0, 0, 0,
        // list: an array with its names, one element "a" (functions are left out)
        0, 4, 'l', 'i', 's', 't', 0x08, 0, 0, 0, 1, 0, 1, '0', 0x02, 0, 1, 'a', 0, 0, 0x09, 0};
    EXPECT_EQ(host.sharedFiles["/game"], expected);

    Vm next{host, 8};
    Value again = next.CallMethod(next.GetOf(next.global, "SharedObject"), "getLocal", {Value::Str("game")});
    Value read = next.Get(again, "data");
    EXPECT_EQ(next.Get(read, "n").number, 2);
    EXPECT_EQ(next.ToString(next.Get(read, "list")), "a");
    // Names with the characters the player refuses make no object.
    for (const char* bad : {"", "a b", "x:y", "q?", "h#"})
        EXPECT_TRUE(Static("SharedObject", "getLocal", {Value::Str(bad)}).IsNull()) << bad;
}

TEST_F(DataObjectsTest, LocalConnectionDeliversCopiesAtTheEndOfTheFrame) {
    const Value receiver = New("LocalConnection");
    EXPECT_TRUE(vm.CallMethod(receiver, "connect", {Value::Str("chan")}).boolean);
    EXPECT_FALSE(vm.CallMethod(New("LocalConnection"), "connect", {Value::Str("CHAN")}).boolean);
    static Value got;
    vm.Set(receiver, "take", Value::Obj(vm.NewFunction([](Vm&, const Value&, std::vector<Value>& args, int) {
               got = args.empty() ? Value() : args[0];
               return Value();
           })));
    const Value sent = Object({{"x", Value::Num(5)}});
    const Value sender = New("LocalConnection");
    EXPECT_TRUE(vm.CallMethod(sender, "send", {Value::Str("chan"), Value::Str("take"), sent}).boolean);
    EXPECT_FALSE(vm.CallMethod(sender, "send", {Value::Str("chan"), Value::Str("close")}).boolean);
    got = Value();
    EXPECT_TRUE(got.IsUndefined());
    vm.AdvanceClock(10);
    ASSERT_TRUE(got.IsObject());
    EXPECT_NE(got.object, sent.object);
    EXPECT_EQ(vm.Get(got, "x").number, 5);
    got = Value();
}

TEST_F(DataObjectsTest, ExternalInterfaceWritesAndReadsTheBridgeXml) {
    const Value ei = vm.Get(vm.Get(vm.GetOf(vm.global, "flash"), "external"), "ExternalInterface");
    EXPECT_FALSE(vm.Get(ei, "available").boolean);
    const struct {
        Value in;
        const char* xml;
    } cases[] = {
        {Value(), "<undefined/>"},
        {Value::Null(), "<null/>"},
        {Value::Num(-2), "<number>-2</number>"},
        {Value::Str("a<&'"), "<string>a&lt;&amp;&apos;</string>"},
        {Value::Str(""), "<string>null</string>"},
        {Value::Obj(vm.NewArray({Value::Bool(true)})), "<array><property id=\"0\"><true/></property></array>"},
        {Object({{"k", Value::Str("v")}}), "<object><property id=\"k\"><string>v</string></property></object>"}};
    for (const auto& c : cases)
        EXPECT_EQ(vm.CallMethod(ei, "_toXML", {c.in}).string, c.xml);
    EXPECT_EQ(vm.CallMethod(ei, "_unescapeXML", {Value::Str("&amp;gt;&Lt;&quot;")}).string, "&gt;&Lt;\"");
    EXPECT_TRUE(vm.CallMethod(ei, "_unescapeXML", {Value::Str("")}).IsNull());
    const Value node =
        vm.Get(vm.Construct(vm.GetOf(vm.global, "XML"), {Value::Str("<number>4.5</number>")}), "firstChild");
    EXPECT_EQ(vm.CallMethod(ei, "_toAS", {node}).number, 4.5);
}

}  // namespace
}  // namespace script
