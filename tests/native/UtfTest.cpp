// The tree's one UTF-8 <-> UTF-16 conversion.
#include "utf/Utf.h"

#include <gtest/gtest.h>

namespace {

struct DecodeCase {
    std::string utf8;
    std::optional<std::u16string> strict;  // nullopt: refused
    std::u16string lossy;
};

TEST(Utf, DecodesWellFormedTextAndRefusesOrReplacesTheRest) {
    const DecodeCase cases[] = {
        {"", u"", u""},
        {"abc", u"abc", u"abc"},
        {"\xC3\xA9", u"\u00E9", u"\u00E9"},
        {"\xE2\x82\xAC", u"\u20AC", u"\u20AC"},
        {"\xF0\x9F\x98\x80", u"\U0001F600", u"\U0001F600"},               // a surrogate pair
        {"\xC0\x80", std::nullopt, u"\uFFFD\uFFFD"},                      // overlong
        {"\xED\xA0\x80", std::nullopt, u"\uFFFD\uFFFD\uFFFD"},            // an encoded surrogate
        {"\xF4\x90\x80\x80", std::nullopt, u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // beyond U+10FFFF
        {"a\xE2\x82", std::nullopt, u"a\uFFFD\uFFFD"},                    // cut short
        {"\xFF"
         "b",
         std::nullopt, u"\uFFFDb"},
    };
    for (const DecodeCase& c : cases) {
        EXPECT_EQ(utf::DecodeUtf8(c.utf8), c.strict) << c.utf8;
        EXPECT_EQ(utf::DecodeUtf8Lossy(c.utf8), c.lossy) << c.utf8;
    }
}

TEST(Utf, EncodesPairsAndReplacesUnpairedSurrogates) {
    EXPECT_EQ(utf::EncodeUtf8(u"a\u00E9\u20AC\U0001F600"), "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
    EXPECT_EQ(utf::EncodeUtf8(std::u16string{u'a', char16_t(0xD800), u'b'}),
              "a\xEF\xBF\xBD"
              "b");
    EXPECT_EQ(utf::EncodeUtf8(std::u16string{char16_t(0xDC00)}), "\xEF\xBF\xBD");
    EXPECT_EQ(utf::EncodeUtf8(std::u16string{char16_t(0xD83D)}), "\xEF\xBF\xBD");
}

TEST(Utf, FindsUnpairedSurrogates) {
    EXPECT_FALSE(utf::HasUnpairedSurrogate(u"plain \U0001F600"));
    EXPECT_TRUE(utf::HasUnpairedSurrogate(std::u16string{u'a', char16_t(0xD800)}));
    EXPECT_TRUE(utf::HasUnpairedSurrogate(std::u16string{char16_t(0xDC00), u'a'}));
    EXPECT_TRUE(utf::HasUnpairedSurrogate(std::u16string{char16_t(0xD800), char16_t(0xD800), char16_t(0xDC00)}));
}

}  // namespace
