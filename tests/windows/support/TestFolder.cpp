#include "TestFolder.h"

#include "platform/Handles.h"

#include <windows.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace {

std::wstring TemporaryFolder() {
    wchar_t buffer[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
    std::wstring folder(buffer, length);
    if (!folder.empty() && folder.back() == L'\\')
        folder.pop_back();
    return folder;
}

std::optional<std::wstring> ReadVariable(const std::wstring& name) {
    const DWORD size = GetEnvironmentVariableW(name.c_str(), nullptr, 0);
    if (size == 0)
        return std::nullopt;
    std::wstring value(size, L'\0');
    value.resize(GetEnvironmentVariableW(name.c_str(), value.data(), size));
    return value;
}

}  // namespace

TestFolder::TestFolder() {
    static unsigned counter = 0;
    const std::wstring parent = TemporaryFolder() + L"\\dovetta-tests";
    m_path = parent + L"\\" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter);
    DeleteTree(m_path);  // a leftover of an earlier run with the same process id
    // Test programs run side by side, and the last one out removes the shared parent: one may
    // do so between this one's making the parent and the folder in it. Then both are made again.
    for (int attempt = 0;; ++attempt) {
        CreateDirectoryW(parent.c_str(), nullptr);
        if (CreateDirectoryW(m_path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS)
            return;
        if (GetLastError() != ERROR_PATH_NOT_FOUND || attempt == 20)
            throw std::runtime_error("cannot create a test folder");
    }
}

TestFolder::~TestFolder() {
    DeleteTree(m_path);
    RemoveDirectoryW(m_path.substr(0, m_path.rfind(L'\\')).c_str());  // the last one out
}

std::wstring TestFolder::operator/(const std::wstring& relative) const {
    return m_path + L"\\" + relative;
}

ScopedEnvironment::ScopedEnvironment(const wchar_t* name, const std::optional<std::wstring>& value)
    : m_name(name), m_saved(ReadVariable(name)) {
    SetEnvironmentVariableW(name, value ? value->c_str() : nullptr);
}

ScopedEnvironment::~ScopedEnvironment() {
    SetEnvironmentVariableW(m_name.c_str(), m_saved ? m_saved->c_str() : nullptr);
}

ScopedCurrentDirectory::ScopedCurrentDirectory(const std::wstring& folder) {
    const DWORD size = GetCurrentDirectoryW(0, nullptr);
    m_saved.resize(size);
    m_saved.resize(GetCurrentDirectoryW(size, m_saved.data()));
    if (!SetCurrentDirectoryW(folder.c_str()))
        throw std::runtime_error("cannot enter the test folder");
}

ScopedCurrentDirectory::~ScopedCurrentDirectory() {
    SetCurrentDirectoryW(m_saved.c_str());
}

void MakeFolder(const std::wstring& path) {
    if (!CreateDirectoryW(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        throw std::runtime_error("cannot create a test folder");
}

std::string ReadFileContent(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void MakeFile(const std::wstring& path, const std::string& content) {
    UniqueFileHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        throw std::runtime_error("cannot create a test file");
    DWORD written = 0;
    WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
}

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsFile(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<std::wstring> FolderEntries(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW entry;
    UniqueFindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &entry));
    if (!find)
        return names;
    do {
        const std::wstring name = entry.cFileName;
        if (name != L"." && name != L"..")
            names.push_back(name);
    } while (FindNextFileW(find.get(), &entry));
    std::sort(names.begin(), names.end());
    return names;
}

void DeleteTree(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return;
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        DeleteFileW(path.c_str());
        return;
    }
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        WIN32_FIND_DATAW entry;
        UniqueFindHandle find(FindFirstFileW((path + L"\\*").c_str(), &entry));
        if (find) {
            do {
                const std::wstring name = entry.cFileName;
                if (name != L"." && name != L"..")
                    DeleteTree(path + L"\\" + name);
            } while (FindNextFileW(find.get(), &entry));
        }
    }
    RemoveDirectoryW(path.c_str());
}

std::wstring ProgramFolder() {
    std::wstring path(32768, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return path.substr(0, path.find_last_of(L"\\/"));
}
