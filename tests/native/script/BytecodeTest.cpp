// Hand-built action blocks: operators of format 4 and 5, functions and registers, the constant
// pool, Try/Throw, and the limits that end a block without ending the process.
#include <gtest/gtest.h>

#include <cmath>

#include "TestHost.h"

namespace script {
namespace {

using test::Asm;
using test::TestHost;

std::vector<uint8_t> U16(uint16_t v) {
    return {static_cast<uint8_t>(v & 0xFF), static_cast<uint8_t>(v >> 8)};
}

// DefineFunction "name" without parameters, followed by its body.
void DefineFunction(Asm& a, const std::string& name, const Asm& body) {
    std::vector<uint8_t> p = Asm::Str(name);
    auto n = U16(0), size = U16(static_cast<uint16_t>(body.bytes.size()));
    p.insert(p.end(), n.begin(), n.end());
    p.insert(p.end(), size.begin(), size.end());
    a.Record(0x9B, p);
    a.bytes.insert(a.bytes.end(), body.bytes.begin(), body.bytes.end());
}

struct Runner {
    TestHost host;
    std::unique_ptr<Vm> vm;
    explicit Runner(uint8_t version) : vm(std::make_unique<Vm>(host, version)) {}
    RunEnd operator()(const Asm& a, uint8_t version) { return vm->RunActions(TestHost::kRoot, a.Block(), version); }
};

struct OperatorCase {
    uint8_t version;
    uint8_t op;
    const char* left;
    const char* right;
    const char* printed;
};

TEST(Bytecode, Format4AndTypedOperatorsConvertDifferently) {
    const OperatorCase cases[] = {
        {4, 0x0A, "3", "abc", "3"},                                   // Add: text read as a number prefix, "abc" is 0
        {5, 0x0A, "3", "abc", "NaN"},                                 // from format 5 such text is NaN
        {5, 0x47, "3", "abc", "3abc"},                                // Add2 joins texts
        {5, 0x47, "3", "4", "34"},       {4, 0x0E, "1", "1.0", "1"},  // Equals pushes 1/0 in format 4 movies
        {5, 0x0E, "1", "1.0", "true"},                                // and booleans later
        {5, 0x49, "1", "1.0", "false"},                               // Equals2 compares two texts as texts
        {4, 0x0D, "1", "0", "#ERROR#"},                               // division by zero in format 4
        {5, 0x0D, "1", "0", "Infinity"}, {5, 0x0F, "10", "9", "false"},       // Less compares numbers
        {5, 0x48, "10", "9", "true"},                                         // Less2 compares two texts by characters
        {5, 0x65, "-1", "28", "15"},     {9, 0x65, "-1", "0", "4294967295"},  // URShift is unsigned from format 9
        {8, 0x65, "-1", "0", "-1"},                                           // and read back as signed before
        {5, 0x64, "-16", "2", "-4"},
    };
    for (const auto& c : cases) {
        Runner run(c.version);
        Asm a;
        a.PushStr(c.left).PushStr(c.right).Op(c.op).Trace();
        EXPECT_EQ(run(a, c.version), RunEnd::Completed);
        ASSERT_EQ(run.host.lines.size(), 1u);
        EXPECT_EQ(run.host.lines[0], c.printed) << "op " << int(c.op) << " v" << int(c.version);
    }
}

TEST(Bytecode, Add2KeepsAnObjectWhoseValueOfIsItselfAndJoinsItsTextToTexts) {
    Runner run(8);
    Asm a;
    a.PushStr("o").PushNum(0).Op(0x43).Op(0x1D);                // o = {}
    a.PushStr("o").Op(0x1C).PushNum(1).Op(0x47).Trace();        // o + 1
    a.PushStr("").PushStr("o").Op(0x1C).Op(0x47).Trace();       // "" + o
    a.PushStr("_root").Op(0x1C).PushStr("!").Op(0x47).Trace();  // a clip joins as its path
    EXPECT_EQ(run(a, 8), RunEnd::Completed);
    EXPECT_EQ(run.host.lines, (std::vector<std::string>{"NaN", "[object Object]", "_level0!"}));
}

TEST(Bytecode, FunctionsInAFormat4MovieRunByFormat5Rules) {
    Runner run(4);
    Asm body;
    body.PushNum(1).PushNum(1).Op(0x0E).Trace();  // 1 == 1
    body.PushNum(4).PushNum(0).Op(0x0D).Trace();  // 4 / 0
    Asm a;
    DefineFunction(a, "f", body);
    a.PushNum(1).PushNum(1).Op(0x0E).Trace();
    a.PushNum(0).PushStr("f").Op(0x3D).Op(0x17);
    EXPECT_EQ(run(a, 4), RunEnd::Completed);
    EXPECT_EQ(run.host.lines, (std::vector<std::string>{"1", "true", "Infinity"}));
}

TEST(Bytecode, Format5LessIsFalseForAnObjectAndNaNForAClip) {
    for (uint8_t version : {5, 6}) {
        Runner run(version);
        Asm a;
        a.PushStr("o").PushNum(0).Op(0x43).Op(0x1D);              // o = {}
        a.PushStr("o").Op(0x1C).PushNum(0).Op(0x48).Trace();      // o < 0
        a.PushNum(0).PushStr("_root").Op(0x1C).Op(0x48).Trace();  // 0 < _root
        EXPECT_EQ(run(a, version), RunEnd::Completed);
        EXPECT_EQ(run.host.lines, (std::vector<std::string>{version == 5 ? "false" : "undefined", "undefined"}));
    }
}

TEST(Bytecode, VarOutsideAFunctionSetsAWithObjectThatHoldsTheName) {
    Runner run(8);
    Asm body;
    body.PushStr("b").PushNum(10).Op(0x3C);  // var b = 10 (o has b)
    body.PushStr("c").PushNum(5).Op(0x3C);   // var c = 5 (o does not)
    Asm a;
    a.PushStr("o").PushStr("b").PushNum(1).PushNum(1).Op(0x43).Op(0x1D);  // o = {b: 1}
    a.PushStr("o").Op(0x1C).Record(0x94, U16(static_cast<uint16_t>(body.bytes.size())));
    a.bytes.insert(a.bytes.end(), body.bytes.begin(), body.bytes.end());
    a.PushStr("o.b").Op(0x1C).Trace().PushStr("o.c").Op(0x1C).Trace().PushStr("c").Op(0x1C).Trace();
    EXPECT_EQ(run(a, 8), RunEnd::Completed);
    EXPECT_EQ(run.host.lines, (std::vector<std::string>{"10", "undefined", "5"}));
}

TEST(Bytecode, ALoneSurrogatePrintsAsTheReplacementCharacter) {
    Runner run(8);
    Asm a;
    a.PushNum(0xD801).Op(0x37).Trace();                        // chr(0xD801)
    a.PushStr("a").PushNum(0xDC00).Op(0x37).Op(0x21).Trace();  // "a" + chr(0xDC00)
    EXPECT_EQ(run(a, 8), RunEnd::Completed);
    EXPECT_EQ(run.host.lines, (std::vector<std::string>{"\xEF\xBF\xBD", "a\xEF\xBF\xBD"}));
}

TEST(Bytecode, WaitForFrame2CountsWholeFramesUpTo16001AsLoaded) {
    struct Case {
        double frame;
        bool loaded;
    };
    const Case cases[] = {{16001, true},        {16002, false}, {16002.5, true}, {2147483648.0, false},
                          {2147483649.0, true}, {-43, true},    {NAN, true}};
    for (const auto& c : cases) {
        Runner run(8);
        Asm a;
        a.PushNum(c.frame).Record(0x8D, {1}).PushStr("loaded").Trace();  // skips the push when not loaded
        EXPECT_EQ(run(a, 8), RunEnd::Completed);
        ASSERT_EQ(run.host.lines.size(), 1u);
        EXPECT_EQ(run.host.lines[0], c.loaded ? "loaded" : "undefined") << c.frame;
    }
}

TEST(Bytecode, ConstantPoolAndVariables) {
    Runner run(8);
    Asm a;
    std::vector<uint8_t> pool = U16(2);
    for (const char* s : {"greeting", "hello"}) {
        auto t = Asm::Str(s);
        pool.insert(pool.end(), t.begin(), t.end());
    }
    a.Record(0x88, pool);
    a.Record(0x96, {8, 0, 8, 1}).Op(0x1D);    // greeting = "hello"
    a.Record(0x96, {8, 0}).Op(0x1C).Trace();  // trace(greeting)
    a.PushStr("_root.greeting").Op(0x1C).Trace();
    EXPECT_EQ(run(a, 8), RunEnd::Completed);
    EXPECT_EQ(run.host.lines, (std::vector<std::string>{"hello", "hello"}));
}

TEST(Bytecode, DefineFunction2PutsParametersInRegisters) {
    Runner run(8);
    Asm body;
    body.PushReg(1).PushReg(1).Op(0x47).Op(0x3E);  // return r1 + r1
    Asm a;
    std::vector<uint8_t> p = Asm::Str("dbl");
    auto n = U16(1);
    p.insert(p.end(), n.begin(), n.end());
    p.push_back(2);                        // registers
    auto flags = U16(0x02 | 0x08 | 0x20);  // no this, arguments, super
    p.insert(p.end(), flags.begin(), flags.end());
    p.push_back(1);  // parameter in register 1
    auto pname = Asm::Str("x");
    p.insert(p.end(), pname.begin(), pname.end());
    auto size = U16(static_cast<uint16_t>(body.bytes.size()));
    p.insert(p.end(), size.begin(), size.end());
    a.Record(0x8E, p);
    a.bytes.insert(a.bytes.end(), body.bytes.begin(), body.bytes.end());
    a.PushNum(21).PushNum(1).PushStr("dbl").Op(0x3D).Trace();
    EXPECT_EQ(run(a, 8), RunEnd::Completed);
    EXPECT_EQ(run.host.lines, (std::vector<std::string>{"42"}));
}

TEST(Bytecode, TryCatchesAThrownValueAndTheBlockGoesOn) {
    Runner run(7);
    Asm tryBody;
    tryBody.PushStr("boom").Op(0x2A);
    Asm catchBody;
    catchBody.PushStr("e").Op(0x1C).Trace();
    Asm a;
    std::vector<uint8_t> p{1};  // catch block, caught into a named variable
    for (size_t n : {tryBody.bytes.size(), catchBody.bytes.size(), size_t{0}}) {
        auto u = U16(static_cast<uint16_t>(n));
        p.insert(p.end(), u.begin(), u.end());
    }
    auto name = Asm::Str("e");
    p.insert(p.end(), name.begin(), name.end());
    a.Record(0x8F, p);
    a.bytes.insert(a.bytes.end(), tryBody.bytes.begin(), tryBody.bytes.end());
    a.bytes.insert(a.bytes.end(), catchBody.bytes.begin(), catchBody.bytes.end());
    a.PushStr("after").Trace();
    EXPECT_EQ(run(a, 7), RunEnd::Completed);
    EXPECT_EQ(run.host.lines, (std::vector<std::string>{"boom", "after"}));
}

TEST(Bytecode, AnUncaughtThrowEndsOnlyThatBlock) {
    Runner run(7);
    Asm a;
    a.PushStr("x").Op(0x2A).PushStr("never").Trace();
    EXPECT_EQ(run(a, 7), RunEnd::Threw);
    Asm b;
    b.PushStr("next").Trace();
    EXPECT_EQ(run(b, 7), RunEnd::Completed);
    EXPECT_EQ(run.host.lines, (std::vector<std::string>{"Warning: Uncaught exception, x", "next"}));
}

TEST(Bytecode, ARunawayLoopTimesOutAndTheNextBlockRuns) {
    Runner run(8);
    run.vm->limits.timeoutSeconds = 0.2;
    Asm loop;
    loop.Branch(0x99, 0);  // jump to itself
    EXPECT_EQ(run(loop, 8), RunEnd::TimedOut);
    Asm next;
    next.PushStr("still running").Trace();
    EXPECT_EQ(run(next, 8), RunEnd::Completed);
    EXPECT_EQ(run.host.lines, (std::vector<std::string>{"still running"}));
}

TEST(Bytecode, AnActionCountEndsARunawayLoopAndCountsPerBlock) {
    Runner run(8);
    run.vm->limits.maxActionsPerBlock = 6000;  // the 15 s timeout stays: only the count can end it
    Asm straight;
    for (int i = 0; i < 2500; ++i)
        straight.PushNum(i).Op(0x17);  // 5000 actions, under the limit
    straight.PushStr("done").Trace();
    EXPECT_EQ(run(straight, 8), RunEnd::Completed);
    EXPECT_EQ(run(straight, 8), RunEnd::Completed);  // the count starts again with each block
    Asm loop;
    loop.Branch(0x99, 0);
    EXPECT_EQ(run(loop, 8), RunEnd::TimedOut);
    EXPECT_EQ(run.host.lines, (std::vector<std::string>{"done", "done"}));
}

TEST(Bytecode, DeepRecursionEndsTheBlockAtTheLimit) {
    Runner run(8);
    Asm body;
    body.PushNum(0).PushStr("f").Op(0x3D).Op(0x17);  // f(); (calls itself)
    Asm a;
    DefineFunction(a, "f", body);
    a.PushNum(0).PushStr("f").Op(0x3D);
    EXPECT_EQ(run(a, 8), RunEnd::TooDeep);
    EXPECT_EQ(run.vm->depth, 0);
    Asm next;
    next.PushStr("ok").Trace();
    EXPECT_EQ(run(next, 8), RunEnd::Completed);
    EXPECT_EQ(run.host.lines, (std::vector<std::string>{"ok"}));
}

TEST(Bytecode, AStringThatKeepsDoublingEndsTheBlock) {
    Runner run(8);
    run.vm->limits.maxStringBytes = 1 << 20;
    Asm a;
    a.PushStr("s").PushStr("x").Op(0x1D);
    size_t top = a.Here();
    a.PushStr("s").PushStr("s").Op(0x1C).PushStr("s").Op(0x1C).Op(0x21).Op(0x1D);  // s = s + s
    a.Branch(0x99, top);
    EXPECT_EQ(run(a, 8), RunEnd::TooLarge);
}

TEST(Bytecode, TruncatedRecordsStopTheBlockQuietly) {
    Runner run(8);
    Asm a;
    a.PushStr("before").Trace();
    a.bytes.push_back(0x96);  // a push whose length runs past the block
    a.bytes.push_back(0x40);
    a.bytes.push_back(0x00);
    a.bytes.push_back(0x00);
    EXPECT_EQ(run(a, 8), RunEnd::Completed);
    EXPECT_EQ(run.host.lines, (std::vector<std::string>{"before"}));
}

TEST(Bytecode, GotoFrame2DrivesTheHostTimeline) {
    Runner run(8);
    Asm a;
    a.PushNum(3).Record(0x9F, {0});  // gotoAndStop(3)
    EXPECT_EQ(run(a, 8), RunEnd::Completed);
    EXPECT_EQ(run.host.gotoFrame, 3);
    EXPECT_FALSE(run.host.playing);
}

}  // namespace
}  // namespace script
