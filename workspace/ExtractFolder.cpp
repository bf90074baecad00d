// The per-run working folder: built and created once, then handed out from a cache.
#include "workspace/ExtractFolder.h"
#include "workspace/ExtractFolderBuild.h"
#include "workspace/FolderNumbers.h"

#include "diagnostics/Diagnostics.h"

#include <windows.h>

namespace {

CreationFailureReport g_creationFailureReport = nullptr;

void Report(CreationFailureReport report) {
    if (report)
        report();
}

// Makes one of the two shared upper levels. An existing level is fine; a failure is shown and
// the build carries on, so the failure surfaces when files are written into the folder.
void MakeSharedLevel(const std::wstring& path, CreationFailureReport report) {
    DebugTrace(L"Creating directory " + path);
    if (DirectoryExists(path)) {
        DebugTrace(L"Dir already exist");
    } else {
        DebugTrace(L"Directory does not exist yet. About to create one");
        if (!CreateDirectoryW(path.c_str(), nullptr)) {
            DebugTrace(L"Dir creation error");
            Report(report);
        }
    }
    if (!DirectoryExists(path))
        DebugTrace(L"Created dir does not exist");
}

enum class Claim { Taken, Occupied, Failed };

// Tries to create the per-run level under one number. The creation itself is the decisive
// test: of two runs that drew the same number only one can create the folder, and the other
// sees ERROR_ALREADY_EXISTS and moves on.
Claim ClaimNumberedLevel(const std::wstring& path, CreationFailureReport report) {
    DebugTrace(L"Creating directory " + path);
    if (DirectoryExists(path)) {
        DebugTrace(L"Dir already exist");
        return Claim::Occupied;
    }
    DebugTrace(L"Directory does not exist yet. About to create one");
    if (CreateDirectoryW(path.c_str(), nullptr)) {
        if (!DirectoryExists(path))
            DebugTrace(L"Created dir does not exist");
        return Claim::Taken;
    }
    if (GetLastError() == ERROR_ALREADY_EXISTS) {  // another run's folder, or a file
        DebugTrace(L"Dir already exist");
        return Claim::Occupied;
    }
    DebugTrace(L"Dir creation error");
    Report(report);
    if (!DirectoryExists(path))
        DebugTrace(L"Created dir does not exist");
    return Claim::Failed;
}

// Draws numbers until a level of this run's own is created or creation fails for another
// reason. When every draw is occupied, the last one is taken over as it is.
std::wstring MakeNumberedLevel(const std::wstring& parent, FolderNumbers& numbers, CreationFailureReport report) {
    std::wstring path;
    for (int draw = 0; draw < kMaxFolderNumberDraws; ++draw) {
        path = parent + L"\\" + std::to_wstring(numbers.Next());
        if (ClaimNumberedLevel(path, report) != Claim::Occupied)
            break;
    }
    return path;
}

}  // namespace

void SetCreationFailureReport(CreationFailureReport report) {
    g_creationFailureReport = report;
}

std::wstring BuildExtractFolder(uint32_t seed, CreationFailureReport report) {
    std::wstring path = TempBase() + L"\\CorvaneWorkspace";
    MakeSharedLevel(path, report);
    path += L"\\Temp";
    MakeSharedLevel(path, report);
    FolderNumbers numbers(seed);
    return MakeNumberedLevel(path, numbers, report);
}

std::wstring GetExtractFolder() {
    // Function-local, so the first call may come from any static constructor.
    static bool built = false;
    static std::wstring cache;

    DebugTrace(L"BEGIN GetExtractFolder");
    if (!built) {
        built = true;
        cache = BuildExtractFolder(GetTickCount(), g_creationFailureReport);
    }
    DebugTrace(L"END GetExtractFolder");
    return cache;
}
