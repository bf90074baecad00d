// Rules for the names of extra files stored in an album. Names come from a file a stranger may
// have made: a name is accepted only when it is a plain file name that Windows can create inside
// the working folder, so that nothing is ever written outside it. Portable: no Windows headers.
#pragma once

#include <string>
#include <string_view>

namespace album {

// Why a name cannot be used, or nullptr when it is a safe plain file name: not empty, at most
// kMaxTextUnits - 1 units, no folder part ("\", "/"), no drive or stream colon, not "." or "..",
// no control characters or <>:"|?*, no trailing dot or space, not a reserved device name
// (CON, PRN, AUX, NUL, COM0-9, LPT0-9, also with an extension such as NUL.txt).
const char* NameProblem(std::u16string_view name);

inline bool IsSafeFileName(std::u16string_view name) { return NameProblem(name) == nullptr; }

// True when the two names denote the same file on Windows (case-insensitive for ASCII letters
// and the usual Latin letters).
bool SameFileName(std::u16string_view a, std::u16string_view b);

}  // namespace album
