// The per-run working folder: base + "\CorvaneWorkspace" + "\Temp" + "\" + number.
#pragma once

#include <cstdint>
#include <string>

// First path component of the directory the runtime would put temporary files in.
std::wstring TempBase();

// How the caller hears that a level of the working folder could not be created: called at the
// moment of the failure, with the thread's last-error code still set, between the trace lines
// "Dir creation error" and "Created dir does not exist". The folder code shows nothing itself;
// the player reports with a message box (ReportLastError).
using CreationFailureReport = void (*)();

// The report the first GetExtractFolder call uses; none (failures only traced) until set.
void SetCreationFailureReport(CreationFailureReport report);

// The run's working folder. The first call creates the three levels; every call returns the
// same path. Never fails: creation errors are traced and reported, and the path is returned
// anyway.
std::wstring GetExtractFolder();

// True when the path names an existing folder.
bool DirectoryExists(std::wstring path);

// True when the path names an existing entry that is not a folder.
bool FileExists(std::wstring path);
