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

inline bool IsSafeFileName(std::u16string_view name) {
    return NameProblem(name) == nullptr;
}

// Why the player must not write a name stored in an album, or nullptr when it may hand the name
// to the system joined to its working folder. Narrower than NameProblem, which the tool applies
// when it makes an album: only what could reach outside the folder or a device is refused -
// the empty name, folder parts ("\", "/"), drive paths ("C:name"), "." and "..", device names
// (also with an extension or a stream), and a stream without a file ("a:b" is the stream b of
// the file a inside the folder; ":b" would be a stream of the folder itself, "..:b" one of the
// folder above). Everything else is the system's to accept or refuse: names ending in a dot or
// a space, streams, unpaired surrogates, characters a file system rejects.
const char* UnsafeStoredName(std::u16string_view name);

// True when the two names denote the same file on Windows (case-insensitive for ASCII letters
// and the usual Latin letters).
bool SameFileName(std::u16string_view a, std::u16string_view b);

}  // namespace album
