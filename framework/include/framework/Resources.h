// Resources of the program's own module, looked up by number.
#pragma once

#include <windows.h>

#include <cstddef>
#include <span>
#include <string>

// The module whose resources the framework uses: the program file.
HINSTANCE AfxGetResourceHandle();

// The string-table entry with the id; empty when there is none.
std::wstring LoadResourceString(UINT id);

// The bytes of a resource (they live as long as the module); empty when there is none.
std::span<const std::byte> FindResourceBytes(HINSTANCE module, const wchar_t* type, UINT id);
