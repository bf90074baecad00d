// Albums made with dovetta-pack for the GUI tests, and one run of a player program on them in a
// scratch folder of its own.
#pragma once

#include "GuiDriver.h"
#include "TestFolder.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

constexpr DWORD kStartTimeoutMs = 30000;
constexpr DWORD kExitTimeoutMs = 20000;
constexpr int kMovieControlId = 1000;

// A program of the build (they all sit beside the test program).
std::wstring Bin(const std::wstring& name);

struct AlbumOptions {
    int width = 800, height = 600;
    std::wstring title = L"Autumn Journey";
    std::wstring require;  // empty: from the movie
    std::wstring player = L"Dovetta.exe";
    std::wstring installer = L"MovieControlSetup.exe";
    std::vector<std::wstring> environment;  // "NAME=value" for the player's process
    std::wstring tmp = L"work";             // TMP for the player: relative to the scratch folder
    size_t moviePadding = 0;                // bytes appended to the movie file
    uint8_t movieVersion = 6;               // the generated movie's format version
    std::wstring movieFile;                 // a movie to pack instead of the generated one
    std::vector<size_t> extraFileSizes;     // extra files "extra-<n>.bin" of these sizes
};

// One run of a player in a scratch folder. TMP names a relative folder there (unless the options
// say otherwise), so the run's working folder is <scratch>\work\CorvaneWorkspace\Temp\<number>.
class PlayerRun {
public:
    explicit PlayerRun(const AlbumOptions& options = {});

    bool Packed() const { return m_packExit == 0u && IsFile(m_album); }
    const std::wstring& Album() const { return m_album; }
    const std::wstring& Folder() const { return m_scratch.Path(); }
    // The environment entries a player of this run starts with.
    std::vector<std::wstring> Environment() const;
    std::wstring Scratch(const std::wstring& name) const { return m_scratch / name; }
    std::wstring WorkRoot() const { return m_scratch / L"work\\CorvaneWorkspace\\Temp"; }

    // Starts a program (the album unless told otherwise) with TMP pointing into the scratch folder.
    RunningProgram& Start(const std::wstring& exe = L"");
    RunningProgram& Program() { return *m_program; }

    // The top-level dialog captioned `caption` that hosts the movie control, or null in time.
    HWND WaitForPlayer(const std::wstring& caption);
    // Starts the album and waits for its player window; null (and a test failure) when the album
    // was not packed or no player opened in time.
    HWND OpenPlayer(const std::wstring& caption = L"Autumn Journey");
    // The numbered working folder of this run (the only one under the scratch folder).
    std::wstring WorkFolder() const;

private:
    AlbumOptions m_options;
    TestFolder m_scratch;
    std::wstring m_album;
    std::optional<DWORD> m_packExit;
    std::unique_ptr<RunningProgram> m_program;
};

// The trace build's file, and its lines (UTF-8 on disk).
constexpr wchar_t kTraceFile[] = L"C:\\debug-player.txt";
std::vector<std::wstring> TraceLines(const std::wstring& path = kTraceFile);

// True when a window of the process hosts the movie control (the player is open).
bool PlayerIsOpen(DWORD processId);
