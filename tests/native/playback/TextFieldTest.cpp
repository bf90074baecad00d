// Text field state without a movie: HTML in and out, plain text line breaks, formats of ranges,
// autoSize about each anchor, and DefineEditText and CSMTextSettings records read from bytes.
#include "movie/EditText.h"
#include "playback/TextField.h"
#include "playback/TextLayout.h"

#include <gtest/gtest.h>

namespace {

using playback::TextField;

std::string Narrow(const std::u16string& s) {
    return std::string(s.begin(), s.end());
}

TEST(TextField, HtmlColoursAreReadAsTheReferenceReadsThem) {
    struct Case {
        const char16_t* colour;
        double want;  // -1: the outer colour stays
    };
    const Case cases[] = {
        {u"#202020", 0x202020}, {u"#2", 0x2},    {u"#2345678", 0x345678}, {u"#abfg", 0xabf}, {u"# 234567", 0x234567},
        {u"#2 34567", 0x2},     {u"202020", -1}, {u"#g101010", -1},       {u"# ", -1}};
    for (const Case& c : cases) {
        TextField f = *playback::NewTextField(nullptr, nullptr);
        f.html = true;
        playback::SetHtmlText(
            f, u"<font color=\"#123456\">x<font color=\"" + std::u16string(c.colour) + u"\">y</font></font>");
        ASSERT_EQ(f.text, u"xy");
        EXPECT_EQ(*f.formats[1].color, c.want < 0 ? 0x123456 : c.want) << Narrow(c.colour);
    }
}

TEST(TextField, HtmlBreaksNeedAMultilineFieldAndComeBackAsParagraphs) {
    TextField f = *playback::NewTextField(nullptr, nullptr);
    f.html = true;
    f.newFormat.font = "X";
    playback::SetHtmlText(f, u"a<br>b");
    EXPECT_EQ(f.text, u"ab");
    f.multiline = true;
    playback::SetHtmlText(f, u"<b>a</b><br>b &amp; c\nd");
    EXPECT_EQ(f.text, u"a\rb & c\rd");
    EXPECT_TRUE(*f.formats[0].bold);
    EXPECT_FALSE(*f.formats[2].bold);
    const std::string html = Narrow(playback::HtmlTextOf(f));
    EXPECT_EQ(html.substr(0, 122),
              "<P ALIGN=\"LEFT\"><FONT FACE=\"X\" SIZE=\"12\" COLOR=\"#000000\" LETTERSPACING=\"0\" "
              "KERNING=\"0\"><B>a</B></FONT></P><P ALIGN=\"LEFT\">");
    EXPECT_NE(html.find("b &amp; c</FONT></P>"), std::string::npos);
    f.formats[0].leading = 2;
    EXPECT_EQ(Narrow(playback::HtmlTextOf(f)).substr(0, 25), "<TEXTFORMAT LEADING=\"2\"><");
}

TEST(TextField, PlainTextKeepsLineBreaksAsCarriageReturns) {
    TextField f = *playback::NewTextField(nullptr, nullptr);
    playback::SetPlainText(f, u"a\nb\r\nc\rd");
    EXPECT_EQ(f.text, u"a\rb\rc\rd");
    EXPECT_EQ(f.formats.size(), f.text.size());
}

TEST(TextField, FormatOfARangeKeepsOnlyWhatItsCharactersShare) {
    TextField f = *playback::NewTextField(nullptr, nullptr);
    playback::SetPlainText(f, u"abc");
    f.formats[1].bold = true;
    const playback::TextFormat all = playback::FormatOfRange(f, 0, 3);
    EXPECT_FALSE(all.bold.has_value());
    EXPECT_EQ(*all.size, 12);
    EXPECT_TRUE(*playback::FormatOfRange(f, 1, 2).bold);
    EXPECT_EQ(playback::FormatOfRange(f, 2, 2), f.newFormat);
}

TEST(TextField, AutoSizeKeepsItsAnchor) {
    struct Case {
        int mode;
        double wantShift;  // of the box's left edge, as a share of the width change
    };
    for (const Case c : {Case{1, 0}, Case{2, 0.5}, Case{3, 1}}) {
        TextField f = *playback::NewTextField(nullptr, nullptr);
        f.width = 2000;
        f.height = 400;
        playback::SetPlainText(f, u"some text");
        f.autoSize = c.mode;
        playback::FitAutoSize(f);
        const playback::FieldMeasures m = playback::MeasureField(f);
        EXPECT_EQ(f.width, m.widthTwips + 80);
        EXPECT_EQ(f.height, m.heightTwips + 80);
        EXPECT_NEAR(f.xMin, (2000 - f.width) * c.wantShift, 1);
    }
}

// A movie with one embedded font whose every glyph advances half an em.
std::shared_ptr<movie::Movie> MovieWithFont() {
    auto font = std::make_shared<movie::FontDef>();
    font->id = 1;
    font->name = "Test";
    font->hasLayout = true;
    font->ascent = 768;
    font->descent = 200;
    for (char16_t c : u"ab ") {
        font->codes.push_back(c);
        font->glyphs.emplace_back();
        font->advances.push_back(512);
    }
    auto m = std::make_shared<movie::Movie>();
    m->dictionary[1] = std::shared_ptr<const movie::FontDef>(font);
    return m;
}

TEST(TextField, GlyphsStartAtTheGutterAfterMarginsAndIndents) {
    struct Case {
        double leftMargin, indent;
        const char* align;
        double wantX;  // the first glyph, twips
    };
    // A 20-pixel font: each glyph is 200 twips; "ab" is 400 twips in a 2080-twip box (2000 inside).
    const Case cases[] = {
        {0, 0, "left", 40},
        {10, 0, "left", 240},
        {10, 5, "left", 340},
        {10, -4, "left", 160},
        {0, -10, "left", 40},  // no further left than the gutter
        {0, 0, "right", 40 + 2000 - 400},
        {0, 0, "center", 40 + 800},
    };
    const auto movie = MovieWithFont();
    for (const Case& c : cases) {
        TextField f = *playback::NewTextField(nullptr, movie.get());
        f.embedFonts = true;
        f.width = 2080;
        f.height = 800;
        f.newFormat.font = "Test";
        f.newFormat.size = 20;
        f.newFormat.leftMargin = c.leftMargin;
        f.newFormat.indent = c.indent;
        f.newFormat.align = c.align;
        playback::SetPlainText(f, u"ab");
        std::vector<playback::PlacedGlyph> glyphs;
        playback::PlaceGlyphs(f, glyphs);
        ASSERT_EQ(glyphs.size(), 2u);
        EXPECT_EQ(glyphs[0].x, c.wantX) << c.leftMargin << " " << c.indent << " " << c.align;
        EXPECT_EQ(glyphs[1].x, c.wantX + 200);
        EXPECT_EQ(glyphs[0].y, 40 + 300);  // the gutter, then the ascent (three quarters of 20 px)
    }
}

TEST(EditText, RecordsAreReadWithTheirOptionalParts) {
    // Bounds 0..2000 x 0..400 (nbits 12), flags: text, word wrap, colour, max length, font;
    // html, layout; font 1 at 240 twips, red, 10 chars, centred with a 40 twip leading.
    const uint8_t body[] = {0x05, 0x00, 0x60, 0x00, 0x3E, 0x80, 0x00, 0x0C, 0x80, 0xE7, 0x22, 0x01,
                            0x00, 0xF0, 0x00, 0xFF, 0x00, 0x00, 0xFF, 0x0A, 0x00, 0x02, 0x00, 0x00,
                            0x00, 0x00, 0x00, 0x00, 0x28, 0x00, 'v',  0,    'h',  'i',  0};
    auto t = movie::ReadDefineEditText(body, sizeof body);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->id, 5);
    EXPECT_EQ(t->bounds.xMax, 2000);
    EXPECT_EQ(t->bounds.yMax, 400);
    EXPECT_TRUE(t->wordWrap);
    EXPECT_TRUE(t->multiline);
    EXPECT_TRUE(t->html);
    EXPECT_EQ(*t->fontId, 1);
    EXPECT_EQ(t->fontHeight, 240);
    EXPECT_EQ(t->color->r, 0xFF);
    EXPECT_EQ(*t->maxLength, 10);
    EXPECT_EQ(t->layout->align, 2);
    EXPECT_EQ(t->layout->leading, 40);
    EXPECT_EQ(t->variableName, "v");
    EXPECT_EQ(*t->initialText, "hi");
    // Cut short before its fixed fields: no record.
    EXPECT_FALSE(movie::ReadDefineEditText(body, 3));

    const uint8_t csm[] = {0x05, 0x00, 0x50, 0x00, 0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x00, 0x40, 0x00};
    auto s = movie::ReadCsmTextSettings(csm, sizeof csm);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->first, 5);
    EXPECT_EQ(s->second.antiAlias, 1);
    EXPECT_EQ(s->second.gridFit, 2);
    EXPECT_EQ(s->second.thickness, 1.0f);
    EXPECT_EQ(s->second.sharpness, 2.0f);
    EXPECT_FALSE(movie::ReadCsmTextSettings(csm, 6));
}

}  // namespace
