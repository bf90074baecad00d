// The module whose resources the tests check, loaded once as a data file (its code never
// runs), and access to its raw resources.
#pragma once

#include <windows.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// A build on Linux names its files by Unix paths; Wine shows the Unix root as drive Z:.
std::wstring ToWindowsPath(std::wstring path);

// Path of the module under test: the build's default, or the --module=PATH argument.
void SetResourceModulePath(std::wstring path);
const std::wstring& ResourceModulePath();

// Loads the module on first use; nullptr if it cannot be loaded.
HMODULE ResourceModule();

// The bytes of one resource in English (United States), empty if it is missing.
std::span<const std::uint8_t> ResourceBytes(const wchar_t* type, const wchar_t* name);

inline std::span<const std::uint8_t> ResourceBytes(int type, int id) {
    return ResourceBytes(MAKEINTRESOURCEW(type), MAKEINTRESOURCEW(id));
}

// Every language in which the module holds the resource.
std::vector<LANGID> ResourceLanguages(int type, int id);
