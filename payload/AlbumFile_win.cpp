#include "AlbumFile.h"

#include <cstdio>

bool AlbumFile::Open(const std::wstring& path, uint64_t size) {
    m_stream.reset(_wfopen(path.c_str(), L"rb"));
    m_size = size;
    return IsOpen();
}

bool AlbumFile::readAt(uint64_t offset, void* buffer, size_t size) {
    if (!m_stream || offset > m_size || size > m_size - offset)
        return false;
    if (_fseeki64(m_stream.get(), int64_t(offset), SEEK_SET) != 0)
        return false;
    return std::fread(buffer, 1, size, m_stream.get()) == size;
}

bool OutputFile::Open(const std::wstring& path) {
    Discard();
    m_stream.reset(_wfopen(path.c_str(), L"wb"));
    if (m_stream)
        m_path = path;
    return bool(m_stream);
}

bool OutputFile::write(const void* data, size_t size) {
    return m_stream && std::fwrite(data, 1, size, m_stream.get()) == size;
}

bool OutputFile::Commit() {
    if (!m_stream)
        return false;
    const bool flushed = std::fflush(m_stream.get()) == 0 && !std::ferror(m_stream.get());
    const bool closed = std::fclose(m_stream.release()) == 0;
    if (flushed && closed) {
        m_path.clear();
        return true;
    }
    ::DeleteFileW(m_path.c_str());
    m_path.clear();
    return false;
}

void OutputFile::Discard() {
    if (!m_stream)
        return;
    m_stream.reset();
    ::DeleteFileW(m_path.c_str());
    m_path.clear();
}

bool WriteFileFromRange(const std::wstring& path, AlbumFile& album, album::Range range) {
    OutputFile out;
    if (!out.Open(path))
        return false;
    if (!album::CopyRange(album, range, out)) {
        out.Discard();
        return false;
    }
    return out.Commit();
}
