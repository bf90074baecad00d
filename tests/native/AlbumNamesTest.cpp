// The name rules for an album's extra files: every class of unsafe name is refused with a
// reason that names the class, and ordinary names, Unicode ones included, pass.
#include "payload/AlbumNames.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Printable(std::u16string_view name) {
    std::string out;
    for (char16_t c : name) {
        if (c >= 0x20 && c < 0x7F)
            out.push_back(char(c));
        else
            out += "\\u" + std::to_string(unsigned(c));
    }
    return out.size() > 40 ? out.substr(0, 40) + "..." : out;
}

struct Refused {
    std::u16string name;
    const char* reasonPart;  // a word the reason must contain
};

TEST(AlbumNamesTest, RefusesEveryUnsafeClassWithItsReason) {
    const Refused cases[] = {
        {u"", "empty"},
        {std::u16string(500, u'a'), "longer"},
        {std::u16string(4000, u'a'), "longer"},
        {u".", "\".\""},
        {u"..", "\".\""},
        {u"..\\evil.exe", "folder"},
        {u"sub\\a.txt", "folder"},
        {u"sub/a.txt", "folder"},
        {u"/etc/passwd", "folder"},
        {u"C:a.txt", "colon"},
        {u"a.txt:stream", "colon"},
        {u"a\tb", "control"},
        {u"a\nb", "control"},
        {std::u16string(u"a") + char16_t(0x1F), "control"},
        {u"a<b", "< >"},
        {u"a>b", "< >"},
        {u"a\"b", "< >"},
        {u"a|b", "< >"},
        {u"what?", "< >"},
        {u"*.txt", "< >"},
        {u"a.txt.", "dot or a space"},
        {u"a.txt ", "dot or a space"},
        {u"CON", "device"},
        {u"con", "device"},
        {u"Prn.txt", "device"},
        {u"AUX.tar.gz", "device"},
        {u"NUL.txt", "device"},
        {u"nul .txt", "device"},
        {u"COM0", "device"},
        {u"com9.log", "device"},
        {u"LPT1", "device"},
        {u"lpt5.dat", "device"},
        {u"COM\u00B9", "device"},
        {u"CONIN$", "device"},
        {u"a\xD800.txt", "surrogate"},
        {u"a\xDC00", "surrogate"},
    };
    for (const Refused& c : cases) {
        const char* reason = album::NameProblem(c.name);
        ASSERT_NE(reason, nullptr) << "accepted: " << Printable(c.name);
        EXPECT_NE(std::string(reason).find(c.reasonPart), std::string::npos)
            << Printable(c.name) << " refused for: " << reason;
        EXPECT_FALSE(album::IsSafeFileName(c.name));
    }
}

// The player's rule for a stored album: only what could leave the working folder or reach a
// device is refused; every other name the tool refuses is left to the system.
TEST(AlbumNamesTest, StoredNamesAreRefusedOnlyWhenUnsafe) {
    const Refused unsafe[] = {
        {u"", "empty"},
        {u".", "\".\""},
        {u"..", "\".\""},
        {u"..\\evil.exe", "folder"},
        {u"../evil.exe", "folder"},
        {u"sub\\a.txt", "folder"},
        {u"\\\\server\\share\\a", "folder"},
        {u"/etc/passwd", "folder"},
        {u"C:a.txt", "drive"},
        {u"c:", "drive"},
        {u":stream", "stream without a file"},
        {u"..:stream", "\".\""},
        {u".:stream", "\".\""},
        {u"CON", "device"},
        {u"nul.txt", "device"},
        {u"nul .txt", "device"},
        {u"CON.", "device"},
        {u"aux:stream", "device"},
        {u"COM1.log:stream", "device"},
        {u"lpt\u00B2", "device"},
    };
    for (const Refused& c : unsafe) {
        const char* reason = album::UnsafeStoredName(c.name);
        ASSERT_NE(reason, nullptr) << "accepted: " << Printable(c.name);
        EXPECT_NE(std::string(reason).find(c.reasonPart), std::string::npos)
            << Printable(c.name) << " refused for: " << reason;
    }
    const std::u16string leftToTheSystem[] = {
        u"a.txt",
        u"trailing.",
        u"trailing ",
        u"...",
        u". ",
        u"data.txt:stream",
        u"ab:c:$DATA",
        u"a\xD800.txt",
        u"a\xDC00",
        u"what?.txt",
        u"tab\tname",
        u"CONSOLE:x",
        std::u16string(500, u'n'),
    };
    for (const std::u16string& name : leftToTheSystem) {
        const char* reason = album::UnsafeStoredName(name);
        EXPECT_EQ(reason, nullptr) << Printable(name) << " refused for: " << reason;
    }
}

TEST(AlbumNamesTest, AcceptsPlainNamesIncludingUnicode) {
    const std::u16string cases[] = {
        u"a.txt",       u"movie data.bin",
        u".hidden",     u" leading space",
        u"CONSOLE.txt", u"COM10",
        u"LPT",         u"nul_file",
        u"con-x.txt",   u"Übung ß.dat",
        u"日本語.swf",  u"emoji \U0001F600.png",
        u"Файл.xml",    std::u16string(499, u'n'),
    };
    for (const std::u16string& name : cases) {
        const char* reason = album::NameProblem(name);
        EXPECT_EQ(reason, nullptr) << Printable(name) << " refused for: " << reason;
    }
}

TEST(AlbumNamesTest, SameFileNameIgnoresCaseAsWindowsDoes) {
    struct Pair {
        std::u16string a, b;
        bool same;
    };
    const Pair cases[] = {
        {u"a.txt", u"A.TXT", true},
        {u"84512712.SWF", u"84512712.swf", true},
        {u"Übung.dat", u"üBUNG.DAT", true},
        {u"\u00FF", u"\u0178", true},  // ÿ Ÿ
        {u"\u0142", u"\u0141", true},  // ł Ł
        {u"\u017E", u"\u017D", true},  // ž Ž
        {u"файл", u"ФАЙЛ", true},
        {u"\u0451", u"\u0401", true},              // ё Ё
        {u"\u03C3\u03C2", u"\u03A3\u03A3", true},  // σς ΣΣ
        {u"a.txt", u"a.txt ", false},
        {u"a.txt", u"b.txt", false},
        {u"Straße", u"STRASSE", false},
        {u"\u00F7", u"\u00D7", false},  // ÷ × are not a case pair
        {u"a", u"", false},
    };
    for (const Pair& c : cases) {
        EXPECT_EQ(album::SameFileName(c.a, c.b), c.same) << Printable(c.a) << " vs " << Printable(c.b);
        EXPECT_EQ(album::SameFileName(c.b, c.a), c.same) << Printable(c.b) << " vs " << Printable(c.a);
    }
}

}  // namespace
