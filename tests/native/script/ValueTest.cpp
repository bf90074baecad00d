// Number formatting and the conversions by format version.
#include <cmath>
#include <gtest/gtest.h>

#include "script/Value.h"

namespace script {
namespace {

struct NumberCase {
    double value;
    const char* text;
};

TEST(NumberToString, PrintsAsTheReferencePlayer) {
    const NumberCase cases[] = {
        {0.1 + 0.2, "0.3"},
        {1e21, "1e+21"},
        {1e-7, "1e-7"},
        {-0.0, "0"},
        {123456789012345680000.0, "1.23456789012346e+20"},
        {NAN, "NaN"},
        {INFINITY, "Infinity"},
        {-INFINITY, "-Infinity"},
        {1e15, "1e+15"},
        {999999999999999.0, "999999999999999"},
        {0.0001, "0.0001"},
        {0.00001, "1e-5"},
        {-2.5, "-2.5"},
        {1.0 / 3.0, "0.333333333333333"},
        {4294967296.0, "4294967296"},
        {5e-324, "4.94065645841247e-324"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NumberToString(c.value), c.text) << "value " << c.value;
}

TEST(NumberToString, RadixUsesTwosComplementForNegatives) {
    EXPECT_EQ(NumberToRadixString(255, 16), "ff");
    EXPECT_EQ(NumberToRadixString(-255, 16), "-ff");
    EXPECT_EQ(NumberToRadixString(5, 2), "101");
    EXPECT_EQ(NumberToRadixString(35, 36), "z");
}

TEST(NumberToString, NaNInARadixPrintsTheNegatedSmallestInteger) {
    EXPECT_EQ(NumberToRadixString(NAN, 16), "-(0000000");
    EXPECT_EQ(NumberToRadixString(NAN, 2), "-/0000000000000000000000000000000");
    EXPECT_EQ(NumberToRadixString(NAN, 10), "NaN");
}

struct TextCase {
    const char* text;
    int version;
    double number;
};

TEST(StringToNumber, FollowsTheVersionRules) {
    const TextCase cases[] = {
        {"", 5, NAN},     {"", 4, 0},        {"12abc", 4, 12}, {"12abc", 6, NAN},     {"abc", 4, 0},
        {"0x10", 6, 16},  {"0x10", 4, 0},    {"010", 7, 8},    {"010", 4, 10},        {"  42", 7, 42},
        {"1e3", 7, 1000}, {"-1.5", 7, -1.5}, {".5", 7, 0.5},   {"0xFFFFFFFF", 7, -1}, {"1.5.2", 7, NAN},
    };
    for (const auto& c : cases) {
        double got = StringToNumber(c.text, c.version);
        if (std::isnan(c.number))
            EXPECT_TRUE(std::isnan(got)) << c.text << " v" << c.version;
        else
            EXPECT_EQ(got, c.number) << c.text << " v" << c.version;
    }
}

TEST(ToInt32, WrapsModulo2To32) {
    EXPECT_EQ(ToInt32(4294967295.0), -1);
    EXPECT_EQ(ToInt32(2147483648.0), -2147483648);
    EXPECT_EQ(ToInt32(-1.9), -1);
    EXPECT_EQ(ToInt32(NAN), 0);
    EXPECT_EQ(ToInt32(INFINITY), 0);
    EXPECT_EQ(ToInt32(4294967297.0), 1);
    EXPECT_EQ(ToUint32(-1), 4294967295u);
}

TEST(Conversions, UndefinedAndNullDependOnVersion) {
    Value u;
    EXPECT_EQ(PrimitiveToString(u, 6), "");
    EXPECT_EQ(PrimitiveToString(u, 7), "undefined");
    EXPECT_EQ(PrimitiveToNumber(u, 6), 0);
    EXPECT_TRUE(std::isnan(PrimitiveToNumber(u, 7)));
    EXPECT_EQ(PrimitiveToNumber(Value::Null(), 6), 0);
    EXPECT_TRUE(std::isnan(PrimitiveToNumber(Value::Null(), 7)));
}

TEST(Conversions, StringsToBooleanByVersion) {
    EXPECT_FALSE(ToBoolean(Value::Str("abc"), 6));  // read as a number: NaN
    EXPECT_TRUE(ToBoolean(Value::Str("abc"), 7));   // any non-empty text
    EXPECT_TRUE(ToBoolean(Value::Str("2"), 6));
    EXPECT_FALSE(ToBoolean(Value::Str("0"), 6));
    EXPECT_TRUE(ToBoolean(Value::Str("0"), 7));
    EXPECT_FALSE(ToBoolean(Value::Str(""), 7));
    EXPECT_FALSE(ToBoolean(Value::Num(NAN), 7));
}

TEST(Names, CaseFoldingIsAsciiOnly) {
    EXPECT_TRUE(NamesEqual("myVar", "MYVAR", false));
    EXPECT_FALSE(NamesEqual("myVar", "MYVAR", true));
    EXPECT_FALSE(NamesEqual("\xC3\xA9", "\xC3\x89", false));
}

}  // namespace
}  // namespace script
