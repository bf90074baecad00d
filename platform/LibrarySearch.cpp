#include "LibrarySearch.h"

#include "platform/SystemLibrary.h"

bool RestrictLibrarySearchToSystemFolder() {
    // Narrow-character calls only: this runs before anything else, on every system the player
    // supports, and must not be the first wide call that brings in a Unicode layer.
    const HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
    if (!kernel)
        return false;

    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    const auto setDefaultDirectories = ProcedureAddress<SetDefaultDllDirectoriesFn>(kernel, "SetDefaultDllDirectories");
    if (setDefaultDirectories && setDefaultDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32))
        return true;

    using SetDllDirectoryAFn = BOOL(WINAPI*)(LPCSTR);
    const auto setDllDirectory = ProcedureAddress<SetDllDirectoryAFn>(kernel, "SetDllDirectoryA");
    if (setDllDirectory)
        setDllDirectory("");  // an empty string removes the current folder from the search
    return false;
}
