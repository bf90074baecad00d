// The system's own message text for an error code, to compare with what the program shows.
#pragma once

#include <windows.h>

#include <string>

// FormatMessageW's text for `code`, trailing line break included; empty when the system has none.
std::wstring SystemText(DWORD code);
