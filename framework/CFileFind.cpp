#include "framework/CFileFind.h"

#include <utility>

namespace {

// The absolute form of path against the current directory, any length.
std::wstring FullPath(const std::wstring& path, size_t* namePart) {
    std::wstring full(MAX_PATH, L'\0');
    for (;;) {
        wchar_t* name = nullptr;
        const DWORD length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), &name);
        if (length == 0)
            return {};
        if (length < full.size()) {
            *namePart = name ? static_cast<size_t>(name - full.data()) : length;
            full.resize(length);
            return full;
        }
        full.resize(length);  // too small: length is the size needed, zero included
    }
}

bool EndsInSeparator(const std::wstring& path) {
    return !path.empty() && (path.back() == L'\\' || path.back() == L'/');
}

}  // namespace

CFileFind::CFileFind(CFileFind&& other) noexcept
    : m_find(std::move(other.m_find)),
      m_ahead(other.m_ahead),
      m_found(other.m_found),
      m_haveAhead(std::exchange(other.m_haveAhead, false)),
      m_root(std::move(other.m_root)) {}

CFileFind& CFileFind::operator=(CFileFind&& other) noexcept {
    if (this != &other) {
        m_find = std::move(other.m_find);
        m_ahead = other.m_ahead;
        m_found = other.m_found;
        m_haveAhead = std::exchange(other.m_haveAhead, false);
        m_root = std::move(other.m_root);
    }
    return *this;
}

bool CFileFind::FindFile(const std::wstring& pattern) {
    Close();
    size_t namePart = 0;
    const std::wstring full = FullPath(pattern, &namePart);
    if (full.empty())
        return false;
    m_find.reset(::FindFirstFileW(pattern.c_str(), &m_ahead));
    if (!m_find)
        return false;
    m_haveAhead = true;
    // The folder part ends before the name part; drop the separator between them, except
    // for a root ("C:\"), which keeps it.
    m_root = full.substr(0, namePart);
    if (m_root.size() > 1 && EndsInSeparator(m_root) && m_root[m_root.size() - 2] != L':')
        m_root.pop_back();
    return true;
}

bool CFileFind::FindNextFile() {
    if (!m_haveAhead)
        return false;
    m_found = m_ahead;
    m_haveAhead = ::FindNextFileW(m_find.get(), &m_ahead) != FALSE;
    return m_haveAhead;
}

void CFileFind::Close() {
    m_find.reset();
    m_haveAhead = false;
    m_root.clear();
}

bool CFileFind::IsDots() const {
    if (!IsDirectory())
        return false;
    const std::wstring name = GetFileName();
    return name == L"." || name == L"..";
}

std::wstring CFileFind::GetFilePath() const {
    std::wstring path = m_root;
    if (!EndsInSeparator(path))
        path += L'\\';
    return path + m_found.cFileName;
}
