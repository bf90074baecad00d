// Typing into a text field without a movie: what restrict strings let in (ranges, "^"
// exclusions, escapes, the other ASCII case), typed and pasted text against maxChars and line
// breaks, and the editing keys moving and extending the selection.
#include "playback/TextEditing.h"

#include <gtest/gtest.h>

namespace {

using playback::TextEdit;
using playback::TextField;

std::string Narrow(std::u16string_view s) {
    std::string out;
    for (char16_t c : s)
        out += c < 0x80 ? char(c) : '?';
    return out;
}

// What typing each character of `typed` one by one leaves in an empty field.
std::u16string TypeEach(std::u16string_view restrict, std::u16string_view typed) {
    TextField f = *playback::NewTextField(nullptr, nullptr);
    f.editable = true;
    const playback::CharacterRestrict r = playback::ParseRestrict(restrict);
    for (char16_t c : typed)
        playback::InsertTypedText(f, std::u16string_view(&c, 1), &r);
    return f.text;
}

TEST(TextEditing, RestrictLetsInWhatTheReferenceLetsIn) {
    const std::u16string typed = u"abcABC012^\\-* &\u0105\u03B4\u0142\u0104\u0394\u0141\u00DF";
    struct Case {
        const char16_t* restrict;
        const char16_t* want;
    };
    const Case cases[] = {
        {u"aB*\u0394", u"aBaB*\u0394"},  // the other ASCII case, not other letters'
        {u"a-z", u"abcabc"},
        {u"a-bA", u"abAb"},
        {u"a-", u"aa"},                // a dash at the end is no range
        {u"-b", u"abCABC012^\\-* &"},  // a dash at the start ranges from the first character
        {u"b-a", u"bb"},               // a backwards range adds nothing
        {u"A-z", u"abcABC^\\"},
        {u"---", u""},  // a run of dashes is one
        {u"-----b", u"abCABC012^\\-* &"},
        {u"a-b-c", u"abcABC012^\\-* &"},  // a range's end starts no range
        {u"a-b-A", u"abAb012-* &"},
        {u"\\\\-\\^", u"^\\"},  // escaped ends
        {u"\\^-\\\\", u"^"},
        {u"^", typed.c_str()},  // "^" first: everything not kept out
        {u"^\\^", u"abcABC012\\-* &\u0105\u03B4\u0142\u0104\u0394\u0141\u00DF"},
        {u"^a\u0105", u"AbcABC012^\\-* &\u03B4\u0142\u0104\u0394\u0141\u00DF"},
        {u"a^b^c", u"acac"},  // each "^" turns letting in and keeping out
        {u"a^b^c^A^B", u"aBcaBc"},
        {u"a-zA-Z^bC", u"aBcABc"},
        {u"a\\-z", u"aa-"},
        {u"\\ab", u"abab"},
        {u"a\\", u"aa"},  // a backslash at the end escapes nothing
        {u" -~", u"abcABC012^\\-* &"},
        {u"\u03B1-\u03C9", u"\u03B4"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TypeEach(c.restrict, typed), c.want) << Narrow(c.restrict);
}

TEST(TextEditing, PastedTextIsRestrictedThenCutToMaxChars) {
    struct Case {
        const char16_t* pasted;
        const char16_t* want;
    };
    const Case cases[] = {{u"abc", u"bc"}, {u"aaa", u""}, {u"aAbBcCdD", u"bbc"}, {u"abcabc", u"bcb"}};
    const playback::CharacterRestrict r = playback::ParseRestrict(u"bc");
    for (const Case& c : cases) {
        TextField f = *playback::NewTextField(nullptr, nullptr);
        f.maxChars = 3;
        EXPECT_EQ(playback::InsertTypedText(f, c.pasted, &r), *c.want != 0) << Narrow(c.pasted);
        EXPECT_EQ(f.text, c.want) << Narrow(c.pasted);
        EXPECT_EQ(playback::CaretIndex(f), f.text.size());
    }
}

TEST(TextEditing, LineBreaksGoOnlyIntoMultilineFields) {
    for (bool multiline : {false, true}) {
        TextField f = *playback::NewTextField(nullptr, nullptr);
        f.multiline = multiline;
        playback::InsertTypedText(f, u"a\r\nb\nc\td", nullptr);
        EXPECT_EQ(f.text, multiline ? u"a\rb\rcd" : u"abcd");
        EXPECT_EQ(playback::ApplyTextEdit(f, TextEdit::Enter), multiline);
        EXPECT_EQ(f.formats.size(), f.text.size());
    }
}

TEST(TextEditing, KeysMoveExtendAndDeleteTheSelection) {
    struct Case {
        size_t anchor, caret;
        TextEdit edit;
        const char16_t* text;  // after the edit
        size_t begin, end, at;
    };
    // In "ab\rcd" (a line break at 2).
    const Case cases[] = {
        {1, 1, TextEdit::Backspace, u"b\rcd", 0, 0, 0},      {0, 0, TextEdit::Backspace, u"ab\rcd", 0, 0, 0},
        {1, 1, TextEdit::Delete, u"a\rcd", 1, 1, 1},         {5, 5, TextEdit::Delete, u"ab\rcd", 5, 5, 5},
        {1, 4, TextEdit::Backspace, u"ad", 1, 1, 1},         {4, 1, TextEdit::Delete, u"ad", 1, 1, 1},
        {1, 4, TextEdit::MoveLeft, u"ab\rcd", 1, 1, 1},      {1, 4, TextEdit::MoveRight, u"ab\rcd", 4, 4, 4},
        {1, 1, TextEdit::MoveLeft, u"ab\rcd", 0, 0, 0},      {5, 5, TextEdit::MoveRight, u"ab\rcd", 5, 5, 5},
        {4, 4, TextEdit::MoveLineStart, u"ab\rcd", 3, 3, 3}, {0, 0, TextEdit::MoveLineEnd, u"ab\rcd", 2, 2, 2},
        {4, 4, TextEdit::MoveTextStart, u"ab\rcd", 0, 0, 0}, {1, 1, TextEdit::MoveTextEnd, u"ab\rcd", 5, 5, 5},
        {2, 2, TextEdit::SelectLeft, u"ab\rcd", 1, 2, 1},    {2, 2, TextEdit::SelectRight, u"ab\rcd", 2, 3, 3},
        {1, 4, TextEdit::SelectLineEnd, u"ab\rcd", 1, 5, 5}, {4, 4, TextEdit::SelectTextStart, u"ab\rcd", 0, 4, 0},
        {3, 3, TextEdit::SelectAll, u"ab\rcd", 0, 5, 5},
    };
    for (const Case& c : cases) {
        TextField f = *playback::NewTextField(nullptr, nullptr);
        f.multiline = true;
        playback::SetPlainText(f, u"ab\rcd");
        playback::SetSelection(f, c.anchor, c.caret);
        const bool changed = playback::ApplyTextEdit(f, c.edit);
        EXPECT_EQ(changed, f.text != u"ab\rcd") << int(c.edit);
        EXPECT_EQ(f.text, c.text) << int(c.edit);
        EXPECT_EQ(playback::SelectionBegin(f), c.begin) << int(c.edit);
        EXPECT_EQ(playback::SelectionEnd(f), c.end) << int(c.edit);
        EXPECT_EQ(playback::CaretIndex(f), c.at) << int(c.edit);
        EXPECT_EQ(f.formats.size(), f.text.size());
    }
}

TEST(TextEditing, ACharacterOutsideTheBasicPlaneIsOneStepAndOneRestrictCharacter) {
    TextField f = *playback::NewTextField(nullptr, nullptr);
    const std::u16string pair = u"\U0001D719";
    const playback::CharacterRestrict r = playback::ParseRestrict(pair);
    EXPECT_FALSE(playback::InsertTypedText(f, u"\U0001D71A", &r));
    EXPECT_TRUE(playback::InsertTypedText(f, u"x" + pair, nullptr));
    EXPECT_EQ(playback::CaretIndex(f), 3u);
    playback::ApplyTextEdit(f, TextEdit::MoveLeft);
    EXPECT_EQ(playback::CaretIndex(f), 1u);
    playback::ApplyTextEdit(f, TextEdit::Delete);
    EXPECT_EQ(f.text, u"x");
    // maxChars does not keep half of a pair.
    f.maxChars = 2;
    EXPECT_FALSE(playback::InsertTypedText(f, pair, nullptr));
    EXPECT_EQ(f.text, u"x");
}

TEST(TextEditing, ReplacingTheSelectionKeepsTheFormatsInStep) {
    TextField f = *playback::NewTextField(nullptr, nullptr);
    playback::SetPlainText(f, u"abcd");
    f.formats[1].bold = true;
    playback::SetSelection(f, 3, 1);
    EXPECT_EQ(playback::SelectedText(f), u"bc");
    playback::ReplaceSelection(f, u"XYZ");
    EXPECT_EQ(f.text, u"aXYZd");
    ASSERT_EQ(f.formats.size(), 5u);
    EXPECT_TRUE(f.formats[1].bold.value_or(false) && f.formats[3].bold.value_or(false));
    EXPECT_FALSE(f.formats[4].bold.value_or(false));
    EXPECT_EQ(playback::CaretIndex(f), 4u);
    // Text set from elsewhere leaves the selection inside it.
    playback::SetPlainText(f, u"a");
    EXPECT_EQ(playback::SelectionEnd(f), 1u);
    playback::SelectAllForFocus(f);
    EXPECT_FALSE(playback::SelectionVisibleToScripts(f));
    playback::ReplaceSelection(f, u"|");
    EXPECT_EQ(f.text, u"|");
    EXPECT_TRUE(playback::SelectionVisibleToScripts(f));
}

}  // namespace
