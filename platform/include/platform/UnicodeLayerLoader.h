// Supplies the Microsoft Layer for Unicode with its library on Windows 9x-family systems: the
// program carries the library as a resource, and the layer's load hook writes it out and loads
// it. The layer calls the hook while binding a wide function, before any module is known, so
// nothing here may call a wide function: only narrow system and runtime functions.
#pragma once

#include <windows.h>

#include <string>

// Resource type and id of the carried layer library (language 1033).
inline constexpr char kLayerResourceType[] = "UNICOW";
inline constexpr WORD kLayerResourceId = 131;
// File name the layer library is written under, below TempBaseA().
inline constexpr char kLayerFileName[] = "unicows.dll";

// The load hook: writes the carried library to TempBaseA() + "\unicows.dll" and loads it.
// Returns the library's module, or null when it could not be written or loaded; the layer
// then searches for the library by its own means.
HMODULE __stdcall UnicodeLayerLoader() noexcept;

// Writes this program's resource of type "UNICOW" with the given id to path, creating or
// replacing the file. True only when every byte was written; on failure no partial file is
// left behind.
bool ExtractLayerResource(WORD id, const char* path) noexcept;

// The narrow twin of TempBase(): the first path component of the directory the runtime would
// put temporary files in ("C:" as a rule; "" for the root fallback, "." for the current
// directory, "test.swf" when the directory is too long for a name).
std::string TempBaseA();
