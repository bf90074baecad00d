#include "TestMovies.h"

#include "TestFolder.h"
#include "platform/Handles.h"

#include <windows.h>

#include <stdexcept>

namespace controltest {

ScratchFolder::ScratchFolder() {
    static unsigned counter = 0;
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    // Wine reuses process ids from one run to the next: a name a killed run left is skipped.
    for (int attempt = 0; attempt < 1000; ++attempt) {
        m_path = std::wstring(temp) + L"dovetta-control-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                 std::to_wstring(++counter);
        if (CreateDirectoryW(m_path.c_str(), nullptr))
            return;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    throw std::runtime_error("cannot create the scratch folder");
}

ScratchFolder::~ScratchFolder() {
    DeleteTree(m_path);
}

std::wstring ScratchFolder::Write(const std::wstring& name, const std::vector<uint8_t>& bytes) const {
    const std::wstring path = PathOf(name);
    UniqueFileHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        throw std::runtime_error("cannot create a test movie");
    DWORD written = 0;
    if (!bytes.empty() &&
        (!WriteFile(file.get(), bytes.data(), DWORD(bytes.size()), &written, nullptr) || written != bytes.size())) {
        throw std::runtime_error("cannot write a test movie");
    }
    return path;
}

}  // namespace controltest
