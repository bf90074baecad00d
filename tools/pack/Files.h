// Files and folders for the tool, with UTF-8 paths; File_win.cpp and File_posix.cpp implement
// them (wide-character calls on Windows, 64-bit offsets on both). A failing call leaves the
// reason in LastFileError().
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace pack {

// An open stdio stream, closed when the object goes.
class File {
public:
    File() = default;
    explicit File(FILE* stream) : m_stream(stream) {}
    File(File&& other) noexcept : m_stream(other.m_stream) { other.m_stream = nullptr; }
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File() { Close(); }

    explicit operator bool() const { return m_stream != nullptr; }
    FILE* get() const { return m_stream; }
    // Flushes and closes; false when a buffered write or the close failed.
    bool Close();

private:
    FILE* m_stream = nullptr;
};

// Opens an existing regular file for reading ("rb").
File OpenForReading(const std::string& path);
// Creates a file that must not exist yet, for writing ("wb"); never follows or replaces anything.
File CreateNewFile(const std::string& path);

// Reads exactly `size` bytes at `offset`, or fails (the reason in LastFileError()).
bool ReadAt(FILE* stream, uint64_t offset, void* buffer, size_t size);
// Appends all `size` bytes to a file opened for writing, or fails.
bool WriteAll(FILE* stream, const void* data, size_t size);

std::optional<uint64_t> SizeOfFile(FILE* stream);

// Renames `from` to `to`, replacing a file already named `to`.
bool RenameOver(const std::string& from, const std::string& to);
bool RemoveFile(const std::string& path);
bool IsFolder(const std::string& path);
// Creates the folder and any missing parents; true when it exists afterwards.
bool MakeFolders(const std::string& path);

// The reason the last failing call above gave.
std::string LastFileError();
// Records a reason for LastFileError(): the text of errno, or an own text.
void NoteErrno();
void NoteFileError(std::string reason);

// Path pieces, by the platform's separators.
std::string JoinPath(const std::string& folder, const std::string& name);
std::string BaseName(const std::string& path);
std::string FolderOf(const std::string& path);  // "." when the path has no folder part
// The folder holding the running tool itself, or "" when the system does not say.
std::string ToolFolder();

}  // namespace pack
