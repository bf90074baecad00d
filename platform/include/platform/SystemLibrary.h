// System libraries loaded by their full path in the system folder.
#pragma once

#include "platform/Handles.h"

#include <string>

// The Windows system directory; empty when it cannot be read.
std::wstring GetSystemFolder();

// Loads `fileName` ("version.dll") from the system folder and nowhere else. Libraries that are
// not among the system's known libraries are loaded this way instead of being imported: imports
// are resolved before any code of the program runs, through a search that starts in the
// program's own folder. Null when the library cannot be loaded.
UniqueModule LoadSystemLibrary(const std::wstring& fileName);

// An exported function of `library` as a typed pointer; null when it does not export `name`.
template <typename Function>
Function ProcedureAddress(HMODULE library, const char* name) {
    return library ? reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(library, name))) : nullptr;
}
