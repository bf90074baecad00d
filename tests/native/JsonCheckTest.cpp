// The JSON reader the tool tests rely on must itself tell valid from invalid text.
#include "JsonCheck.h"

#include <gtest/gtest.h>

namespace {

using testing_support::ParseJson;

TEST(JsonCheckTest, AcceptsValidText) {
    const char* cases[] = {
        "{}",
        "[]",
        " {\"a\":1,\"b\":[true,false,null],\"c\":{\"d\":\"e\"}} ",
        "-0.5e+3",
        "\"\\u00e9\\ud83d\\ude00\"",
        "\"\xc3\xa9\"",
        "\"\\ud800\"",
    };
    for (const char* text : cases) {
        std::string error;
        EXPECT_TRUE(ParseJson(text, &error)) << text << ": " << error;
    }
    const auto value = ParseJson("{\"name\":\"a\\\"b\\\\c\\u0001\",\"n\":[1,22]}");
    ASSERT_TRUE(value);
    EXPECT_EQ((*value)["name"].text, "a\"b\\c\x01");
    EXPECT_EQ((*value)["n"][1].number, 22);
}

TEST(JsonCheckTest, RefusesInvalidText) {
    const char* cases[] = {
        "",    "{",  "{\"a\" 1}", "{\"a\":1,}", "[1,]",        "{a:1}",    "\"tab\tinside\"",  "\"bad \\x escape\"",
        "01",  "1.", "+1",        "'single'",   "{\"a\":1}{}", "\"\xc3\"", "\"\xed\xa0\x80\"", "{\"a\":1,\"a\":2}",
        "nul",
    };
    for (const char* text : cases)
        EXPECT_FALSE(ParseJson(text)) << text;
}

}  // namespace
