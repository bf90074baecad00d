#include "ControlInstall.h"

#include "platform/Handles.h"
#include "platform/SystemLibrary.h"

#include <windows.h>

namespace {

std::wstring FolderOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

// Creates every missing folder of `folder`, outermost first.
bool CreateFolders(const std::wstring& folder) {
    if (folder.empty())
        return false;
    const DWORD attributes = ::GetFileAttributesW(folder.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    const std::wstring parent = FolderOf(folder);
    if (!parent.empty() && parent != folder && !CreateFolders(parent))
        return false;
    return ::CreateDirectoryW(folder.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS;
}

bool WriteAll(HANDLE file, const void* data, size_t size) {
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const DWORD chunk = size > (1u << 20) ? (1u << 20) : DWORD(size);
        DWORD written = 0;
        if (!::WriteFile(file, bytes, chunk, &written, nullptr) || written != chunk)
            return false;
        bytes += chunk;
        size -= chunk;
    }
    return ::FlushFileBuffers(file) != 0;
}

}  // namespace

SetupResult InstallControlFile(const std::wstring& target, const void* image, size_t size) {
    const std::wstring folder = FolderOf(target);
    if (!CreateFolders(folder))
        return SetupResult::WriteFailed;

    const std::wstring temporary = target + L".new-" + std::to_wstring(::GetCurrentProcessId());
    {
        UniqueFileHandle file(
            ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file)
            return SetupResult::WriteFailed;
        if (!WriteAll(file.get(), image, size)) {
            file.reset();
            ::DeleteFileW(temporary.c_str());
            return SetupResult::WriteFailed;
        }
    }
    if (!::MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ::DeleteFileW(temporary.c_str());
        return SetupResult::WriteFailed;
    }
    return SetupResult::Done;
}

SetupResult RegisterControl(const std::wstring& path, bool unregister) {
    UniqueModule module(::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    if (!module)
        return SetupResult::RegisterFailed;
    using Entry = HRESULT(STDAPICALLTYPE*)();
    const auto entry = ProcedureAddress<Entry>(module.get(), unregister ? "DllUnregisterServer" : "DllRegisterServer");
    if (!entry || FAILED(entry()))
        return SetupResult::RegisterFailed;
    return SetupResult::Done;
}

SetupResult UninstallControl(const std::wstring& target) {
    if (::GetFileAttributesW(target.c_str()) == INVALID_FILE_ATTRIBUTES)
        return SetupResult::Done;  // nothing installed
    const SetupResult unregistered = RegisterControl(target, true);
    if (!::DeleteFileW(target.c_str()))
        return SetupResult::WriteFailed;
    // Remove "...\Macromed\Flash" and "...\Macromed" when nothing else is left in them.
    const std::wstring flash = FolderOf(target);
    ::RemoveDirectoryW(flash.c_str());
    ::RemoveDirectoryW(FolderOf(flash).c_str());
    return unregistered;
}
