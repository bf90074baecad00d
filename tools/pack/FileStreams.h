// Files as the album reader and writer see them: a readable file as an album::Source, a file
// being written as an album::Sink, and an output that only appears under its name when whole.
#pragma once

#include "payload/AlbumFormat.h"
#include "Files.h"

#include <string>

namespace pack {

// A file opened for reading, read at any 64-bit position.
class FileSource final : public album::Source {
public:
    // Opens `path`; false with LastFileError() set when it cannot be opened or measured.
    bool Open(const std::string& path);
    uint64_t size() const override { return m_size; }
    bool readAt(uint64_t offset, void* buffer, size_t size) override;

private:
    File m_file;
    uint64_t m_size = 0;
};

// A file written in the folder of its final name under a temporary name of its own, renamed to
// the final name only by Commit. Until then (and if Commit fails) no file of the final name is
// touched, and the temporary file is removed when the object goes.
class PendingFile final : public album::Sink {
public:
    PendingFile() = default;
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;
    ~PendingFile() { Discard(); }

    // Creates the temporary file beside `finalPath`.
    bool Create(const std::string& finalPath);
    bool write(const void* data, size_t size) override;
    // Closes the file and gives it its final name, replacing a file of that name.
    bool Commit();
    void Discard();

private:
    File m_file;
    std::string m_temporaryPath;
    std::string m_finalPath;
};

}  // namespace pack
