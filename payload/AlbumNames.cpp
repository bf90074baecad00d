// Name rules for the extra files of an album. The checks follow what Windows itself refuses or
// reinterprets when a name is joined to a folder, so that an accepted name always creates one
// plain file inside that folder on any system the album is unpacked on.
#include "payload/AlbumNames.h"

#include "payload/AlbumFormat.h"
#include "utf/Utf.h"

namespace album {
namespace {

char16_t AsciiUpper(char16_t c) {
    return (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c;
}

bool EqualsAsciiNoCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (AsciiUpper(a[i]) != AsciiUpper(b[i]))
            return false;
    }
    return true;
}

// Windows maps these names to devices in every folder, whatever the extension ("NUL.txt"), and
// ignores trailing spaces of the base ("CON .txt"). COM and LPT also take the superscript digits.
bool IsDeviceName(std::u16string_view name) {
    std::u16string_view base = name.substr(0, name.find(u'.'));
    while (!base.empty() && base.back() == u' ')
        base.remove_suffix(1);

    for (std::u16string_view device : {u"CON", u"PRN", u"AUX", u"NUL", u"CONIN$", u"CONOUT$"}) {
        if (EqualsAsciiNoCase(base, device))
            return true;
    }
    if (base.size() == 4 &&
        (EqualsAsciiNoCase(base.substr(0, 3), u"COM") || EqualsAsciiNoCase(base.substr(0, 3), u"LPT"))) {
        const char16_t digit = base[3];
        return (digit >= u'0' && digit <= u'9') || digit == u'\u00B9' || digit == u'\u00B2' || digit == u'\u00B3';
    }
    return false;
}

// Upper case as the file system compares names: ASCII, Latin-1, Latin Extended-A, basic Greek
// and Cyrillic, and the full-width Latin letters. Casing more than Windows does only makes two
// names count as the same file; casing less could let one file overwrite another.
char16_t FoldCase(char16_t c) {
    if (c < 0x80)
        return AsciiUpper(c);
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
        return char16_t(c - 0x20);
    if (c == 0xFF)
        return 0x178;
    if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177))
        return char16_t(c & ~1u);
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
        return (c & 1u) ? c : char16_t(c - 1);
    if (c >= 0x3B1 && c <= 0x3C9)
        return c == 0x3C2 ? char16_t(0x3A3) : char16_t(c - 0x20);
    if (c >= 0x430 && c <= 0x44F)
        return char16_t(c - 0x20);
    if (c >= 0x450 && c <= 0x45F)
        return char16_t(c - 0x50);
    if (c >= 0xFF41 && c <= 0xFF5A)
        return char16_t(c - 0x20);
    return c;
}

}  // namespace

const char* NameProblem(std::u16string_view name) {
    if (name.empty())
        return "the name is empty";
    if (name.size() > kMaxTextUnits - 1)
        return "the name is longer than 499 UTF-16 units";
    if (name == u"." || name == u"..")
        return "the name is \".\" or \"..\"";

    for (char16_t c : name) {
        if (c == u'\\' || c == u'/')
            return "the name has a folder part (\"\\\" or \"/\")";
        if (c == u':')
            return "the name has a colon (drive or stream)";
        if (c < 0x20)
            return "the name has a control character";
        if (c == u'<' || c == u'>' || c == u'"' || c == u'|' || c == u'?' || c == u'*') {
            return "the name has one of the characters < > \" | ? *";
        }
    }
    if (utf::HasUnpairedSurrogate(name))
        return "the name has an unpaired UTF-16 surrogate";
    if (name.back() == u'.' || name.back() == u' ')
        return "the name ends in a dot or a space";
    if (IsDeviceName(name))
        return "the name is a reserved device name (CON, PRN, AUX, NUL, COMn, LPTn)";
    return nullptr;
}

const char* UnsafeStoredName(std::u16string_view name) {
    if (name.empty())
        return "the name is empty";
    for (char16_t c : name) {
        if (c == u'\\' || c == u'/')
            return "the name has a folder part (\"\\\" or \"/\")";
    }
    if (name.size() >= 2 && name[1] == u':' && AsciiUpper(name[0]) >= u'A' && AsciiUpper(name[0]) <= u'Z')
        return "the name is a drive path";
    // A stream belongs to the file named before the first colon: that file must be one inside
    // the folder.
    const std::u16string_view file = name.substr(0, name.find(u':'));
    if (file.empty())
        return "the name is a stream without a file";
    if (file == u"." || file == u"..")
        return "the name is \".\" or \"..\"";
    if (IsDeviceName(file))
        return "the name is a reserved device name (CON, PRN, AUX, NUL, COMn, LPTn)";
    return nullptr;
}

bool SameFileName(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (FoldCase(a[i]) != FoldCase(b[i]))
            return false;
    }
    return true;
}

}  // namespace album
