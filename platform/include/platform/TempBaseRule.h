// How the base of the working folder follows from the "TMP" variable. Portable and free of
// system calls: the caller supplies the variable's value and the accessibility test, so the
// wide and the narrow start-up paths share one rule.
//
// The base is the first path component of a would-be temporary file name: the directory the
// runtime would choose, then a separator, "test.swf" and a number. Neither the prefix nor the
// number contains a separator, so the base is the directory up to its first "\" or "/" -
// unless the directory is too long for any name, in which case the name is the bare prefix.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace temp_base {

// Prefix of the would-be temporary file name; it is also the base when no name fits.
inline constexpr char kPrefix[] = "test.swf";
// A temporary name, with its terminating zero, must fit in this many units.
inline constexpr std::size_t kNameCapacity = 260;
// Room kept for the separator, the number and the terminating zero.
inline constexpr std::size_t kNumberRoom = 12;

template <class Char>
std::basic_string<Char> FromAscii(const char* text) {
    std::basic_string<Char> out;
    for (; *text; ++text)
        out.push_back(static_cast<Char>(*text));
    return out;
}

template <class Char>
bool IsSeparator(Char c) {
    return c == static_cast<Char>('\\') || c == static_cast<Char>('/');
}

// The directory a temporary file would go to: TMP if accessible; else TMP without its double
// quotes if it had any and that is accessible; else the root of the current drive if
// accessible; else the current directory.
template <class Char, class IsAccessible>
std::basic_string<Char> TempDirectory(const std::optional<std::basic_string<Char>>& tmp, IsAccessible isAccessible) {
    using String = std::basic_string<Char>;
    if (tmp) {
        if (isAccessible(*tmp))
            return *tmp;
        const Char quote = static_cast<Char>('"');
        if (tmp->find(quote) != String::npos) {
            String unquoted;
            for (Char c : *tmp)
                if (c != quote)
                    unquoted.push_back(c);
            if (isAccessible(unquoted))
                return unquoted;
        }
    }
    const String root = FromAscii<Char>("\\");
    if (isAccessible(root))
        return root;
    return FromAscii<Char>(".");
}

// The base for a chosen temporary directory.
template <class Char>
std::basic_string<Char> BaseOfDirectory(const std::basic_string<Char>& directory) {
    const std::size_t prefixLength = sizeof kPrefix - 1;
    if (directory.size() + prefixLength + kNumberRoom > kNameCapacity)
        return FromAscii<Char>(kPrefix);
    std::size_t end = 0;
    while (end < directory.size() && !IsSeparator(directory[end]))
        ++end;
    return directory.substr(0, end);
}

// TMP's value (nullopt when unset) and an accessibility test -> the working folder's base.
template <class Char, class IsAccessible>
std::basic_string<Char> TempBaseFor(const std::optional<std::basic_string<Char>>& tmp, IsAccessible isAccessible) {
    return BaseOfDirectory(TempDirectory(tmp, isAccessible));
}

}  // namespace temp_base
