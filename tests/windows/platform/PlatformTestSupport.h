// Scratch folders, environment and current-directory overrides, and file and module checks for
// the Unicode layer loader tests. Narrow text throughout, like the code under test.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <utility>

namespace platform_test {

// The bytes of this program's carried layer resource, read through the resource functions.
std::string CarriedLayerBytes();

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
bool IsFile(const std::string& path);
bool IsFolder(const std::string& path);
std::string FullPathOf(const std::string& path);

// True when module is the stand-in layer library (its export gives the known value).
bool IsStandInLayer(HMODULE module);
// The file a loaded module came from.
std::string ModulePath(HMODULE module);
// The folder of this test program, without a separator at the end.
std::string ProgramFolder();
// The Windows path Wine gives a Linux path; empty when not under Wine.
std::string WinePathOf(const char* linuxPath);

// A fresh folder below kScratchRoot on drive C: of the prefix, removed with all it holds.
inline constexpr char kScratchRoot[] = "C:\\dovetta-platform-tests";
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::string& path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "\\" + name; }

private:
    std::string m_path;
};

// Deletes a file on destruction, for files a test writes outside its scratch folder.
class FileRemovedAtExit {
public:
    explicit FileRemovedAtExit(std::string path) : m_path(std::move(path)) {}
    ~FileRemovedAtExit() { DeleteFileA(m_path.c_str()); }
    FileRemovedAtExit(const FileRemovedAtExit&) = delete;
    FileRemovedAtExit& operator=(const FileRemovedAtExit&) = delete;

private:
    std::string m_path;
};

// Sets (or, with nullopt, removes) an environment variable; puts the old value back.
class EnvironmentOverride {
public:
    EnvironmentOverride(const char* name, const std::optional<std::string>& value);
    ~EnvironmentOverride();
    EnvironmentOverride(const EnvironmentOverride&) = delete;
    EnvironmentOverride& operator=(const EnvironmentOverride&) = delete;

private:
    std::string m_name;
    std::optional<std::string> m_old;
};

// Changes the current directory; goes back to the old one.
class CurrentDirectoryOverride {
public:
    explicit CurrentDirectoryOverride(const std::string& folder);
    ~CurrentDirectoryOverride();
    CurrentDirectoryOverride(const CurrentDirectoryOverride&) = delete;
    CurrentDirectoryOverride& operator=(const CurrentDirectoryOverride&) = delete;
    bool changed() const { return m_changed; }

private:
    std::string m_old;
    bool m_changed = false;
};

// Drive U: of the prefix points into a folder of the build (set up by the ctest fixture
// layer_test_drive). This makes U:\ the current directory and moves that folder aside, so
// that the root of the current drive leads nowhere; everything is put back on destruction.
class UnreachableCurrentRoot {
public:
    UnreachableCurrentRoot();
    ~UnreachableCurrentRoot();
    UnreachableCurrentRoot(const UnreachableCurrentRoot&) = delete;
    UnreachableCurrentRoot& operator=(const UnreachableCurrentRoot&) = delete;
    // False when drive U: is not there (the program was not started by ctest).
    bool driveAvailable() const { return m_available; }
    bool rootUnreachable() const { return m_moved; }

private:
    std::string m_driveFolder;
    bool m_available = false;
    std::optional<CurrentDirectoryOverride> m_cwd;
    bool m_moved = false;
};

}  // namespace platform_test
