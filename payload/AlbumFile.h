// The program file read as an album source, and files written into the working folder.
#pragma once

#include "payload/AlbumFormat.h"
#include "platform/Handles.h"

#include <string>

// The program file, opened for reading only, read at any position with 64-bit offsets.
// `position` and `bodyEnd` carry the loader's place in the block between its steps.
class AlbumFile final : public album::Source {
public:
    // Opens the file; `size` is the length the loader measured for it.
    bool Open(const std::wstring& path, uint64_t size);
    void Close() { m_stream.reset(); }
    bool IsOpen() const { return bool(m_stream); }

    uint64_t size() const override { return m_size; }
    bool readAt(uint64_t offset, void* buffer, size_t size) override;

    uint64_t position = 0;
    uint64_t bodyEnd = 0;

private:
    UniqueStream m_stream;
    uint64_t m_size = 0;
};

// A file being written into the working folder. Only a file written whole and closed without
// error counts as created; anything less is deleted, so no partial file is left behind.
class OutputFile final : public album::Sink {
public:
    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile() { Discard(); }

    bool Open(const std::wstring& path);  // create or truncate
    bool write(const void* data, size_t size) override;
    bool Commit();   // close; false (and the file deleted) on any error
    void Discard();  // close and delete an unfinished file

private:
    UniqueStream m_stream;
    std::wstring m_path;
};

// Writes `range` of the album to `path` whole, or leaves no file there.
bool WriteFileFromRange(const std::wstring& path, AlbumFile& album, album::Range range);
