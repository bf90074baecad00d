// The per-run working folder: base + "\CorvaneWorkspace" + "\Temp" + "\" + number.
#pragma once

#include <cstdint>
#include <string>

// First path component of the directory the runtime would put temporary files in.
std::wstring TempBase();

// The run's working folder. The first call creates the three levels; every call returns the
// same path. Never fails: creation errors are traced and shown, and the path is returned anyway.
std::wstring GetExtractFolder();

// True when the path names an existing folder.
bool DirectoryExists(std::wstring path);

// True when the path names an existing entry that is not a folder.
bool FileExists(std::wstring path);
