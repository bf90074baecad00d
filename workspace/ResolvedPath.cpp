#include "workspace/ResolvedPath.h"

#include "platform/Handles.h"
#include "platform/SystemLibrary.h"

#include <windows.h>

namespace {

constexpr wchar_t kLongPathPrefix[] = L"\\\\?\\";
constexpr wchar_t kLongUncPrefix[] = L"\\\\?\\UNC\\";

std::wstring WithoutLongPrefix(std::wstring path) {
    if (path.compare(0, std::size(kLongUncPrefix) - 1, kLongUncPrefix) == 0)
        return L"\\\\" + path.substr(std::size(kLongUncPrefix) - 1);
    if (path.compare(0, std::size(kLongPathPrefix) - 1, kLongPathPrefix) == 0)
        return path.substr(std::size(kLongPathPrefix) - 1);
    return path;
}

}  // namespace

std::wstring ResolvedPath(const std::wstring& path) {
    // Present from Windows Vista on; older systems have no links to files either.
    using FinalPathFn = DWORD(WINAPI*)(HANDLE, LPWSTR, DWORD, DWORD);
    static const FinalPathFn finalPath =
        ProcedureAddress<FinalPathFn>(::GetModuleHandleW(L"kernel32.dll"), "GetFinalPathNameByHandleW");
    if (!finalPath)
        return {};
    // Attribute access only: no sharing conflict with a program that holds the file open.
    UniqueFileHandle entry(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                         FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!entry)
        return {};
    std::wstring resolved(MAX_PATH, L'\0');
    DWORD length = finalPath(entry.get(), resolved.data(), DWORD(resolved.size()), FILE_NAME_NORMALIZED);
    if (length >= resolved.size()) {  // did not fit: length is the size needed
        resolved.resize(length);
        length = finalPath(entry.get(), resolved.data(), DWORD(resolved.size()), FILE_NAME_NORMALIZED);
        if (length >= resolved.size())
            length = 0;
    }
    resolved.resize(length);
    return WithoutLongPrefix(resolved);
}

bool ResolvesInside(const std::wstring& resolvedFolder, const std::wstring& entry, const std::wstring& name) {
    if (resolvedFolder.empty())
        return true;
    const std::wstring resolved = ResolvedPath(entry);
    if (resolved.empty())
        return true;
    const std::wstring folder = resolvedFolder + (resolvedFolder.back() == L'\\' ? L"" : L"\\");
    auto isResolved = [&](const std::wstring& expected) {
        return ::CompareStringOrdinal(resolved.c_str(), int(resolved.size()), expected.c_str(), int(expected.size()),
                                      TRUE) == CSTR_EQUAL;
    };
    if (isResolved(folder + name))
        return true;
    // Wine leaves the trailing dots and spaces out of a resolved name: still the entry itself.
    if (!NeedsLiteralPath(name))
        return false;
    std::wstring stripped = name;
    while (!stripped.empty() && (stripped.back() == L'.' || stripped.back() == L' '))
        stripped.pop_back();
    return isResolved(folder + stripped);
}

std::wstring LiteralPath(const std::wstring& folder, const std::wstring& name) {
    if (folder.compare(0, std::size(kLongPathPrefix) - 1, kLongPathPrefix) == 0)
        return folder + L"\\" + name;
    std::wstring full(MAX_PATH, L'\0');
    DWORD length = ::GetFullPathNameW(folder.c_str(), DWORD(full.size()), full.data(), nullptr);
    if (length >= full.size()) {  // did not fit: length is the size needed
        full.resize(length);
        length = ::GetFullPathNameW(folder.c_str(), DWORD(full.size()), full.data(), nullptr);
    }
    if (length == 0 || length >= full.size())
        return {};
    full.resize(length);
    if (full.back() == L'\\')
        full.pop_back();
    if (full.compare(0, 2, L"\\\\") == 0)
        return kLongUncPrefix + full.substr(2) + L"\\" + name;
    return kLongPathPrefix + full + L"\\" + name;
}

bool NeedsLiteralPath(const std::wstring& name) {
    return !name.empty() && (name.back() == L'.' || name.back() == L' ') && name != L"." && name != L"..";
}
