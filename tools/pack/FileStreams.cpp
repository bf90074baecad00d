#include "FileStreams.h"

#include <cerrno>
#include <random>

namespace pack {

bool FileSource::Open(const std::string& path) {
    m_file = OpenForReading(path);
    if (!m_file)
        return false;
    const auto size = SizeOfFile(m_file.get());
    if (!size)
        return false;
    m_size = *size;
    return true;
}

bool FileSource::readAt(uint64_t offset, void* buffer, size_t size) {
    if (!m_file || offset > m_size || size > m_size - offset) {
        NoteFileError("read outside the file");
        return false;
    }
    return ReadAt(m_file.get(), offset, buffer, size);
}

bool PendingFile::Create(const std::string& finalPath) {
    Discard();
    static std::mt19937_64 random{std::random_device{}()};
    const std::string folder = FolderOf(finalPath);
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[17];
        std::snprintf(suffix, sizeof suffix, "%016llx", static_cast<unsigned long long>(random()));
        const std::string candidate = JoinPath(folder, std::string(".dovetta-") + suffix + ".tmp");
        m_file = CreateNewFile(candidate);
        if (m_file) {
            m_temporaryPath = candidate;
            m_finalPath = finalPath;
            return true;
        }
        if (errno != EEXIST)
            return false;
    }
    return false;
}

bool PendingFile::write(const void* data, size_t size) {
    return m_file && WriteAll(m_file.get(), data, size);
}

bool PendingFile::Commit() {
    if (!m_file || !m_file.Close() || !RenameOver(m_temporaryPath, m_finalPath))
        return false;
    m_temporaryPath.clear();
    return true;
}

void PendingFile::Discard() {
    const std::string reason = LastFileError();  // the failure that led here is the one to report
    m_file.Close();
    if (!m_temporaryPath.empty()) {
        RemoveFile(m_temporaryPath);
        m_temporaryPath.clear();
    }
    NoteFileError(reason);
}

}  // namespace pack
