// The platform-independent part of the file layer: the stream owner and the error text.
#include "Files.h"

#include <cerrno>
#include <cstring>

namespace pack {
namespace {

std::string g_lastError;

}  // namespace

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        Close();
        m_stream = other.m_stream;
        other.m_stream = nullptr;
    }
    return *this;
}

bool File::Close() {
    if (!m_stream)
        return true;
    const bool ok = std::fclose(m_stream) == 0;
    m_stream = nullptr;
    if (!ok)
        NoteErrno();
    return ok;
}

std::string LastFileError() {
    return g_lastError;
}
void NoteErrno() {
    g_lastError = std::strerror(errno);
}
void NoteFileError(std::string reason) {
    g_lastError = std::move(reason);
}

}  // namespace pack
