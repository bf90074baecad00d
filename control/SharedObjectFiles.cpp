#include "SharedObjectFiles.h"

#include "MovieFile.h"
#include "platform/Handles.h"
#include "platform/SystemLibrary.h"

#include <shlobj.h>
#include <windows.h>

#include <algorithm>

namespace control {
namespace {

constexpr size_t kPlainKeyCharacters = 40;

// FNV-1a over 64 bits, printed as 16 hex digits.
template <typename Char>
std::wstring HashText(const std::basic_string<Char>& text) {
    uint64_t hash = 0xcbf29ce484222325ull;
    for (Char c : text) {
        const auto unit = static_cast<std::make_unsigned_t<Char>>(c);
        for (size_t byte = 0; byte < sizeof(Char); ++byte) {
            hash ^= (unit >> (8 * byte)) & 0xff;
            hash *= 0x100000001b3ull;
        }
    }
    static const wchar_t kDigits[] = L"0123456789abcdef";
    std::wstring hex(16, L'0');
    for (int i = 15; i >= 0; --i, hash >>= 4)
        hex[size_t(i)] = kDigits[hash & 15];
    return hex;
}

bool IsPlainCharacter(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'-' || c == L'_' ||
           c == L' ';
}

// At most `limit` characters of `text` that are safe in a file name; the rest become '_'.
template <typename Char>
std::wstring PlainPart(const std::basic_string<Char>& text, size_t limit) {
    std::wstring plain;
    for (size_t i = 0; i < text.size() && plain.size() < limit; ++i) {
        const auto c = static_cast<std::make_unsigned_t<Char>>(text[i]);
        plain += (c < 0x80 && IsPlainCharacter(wchar_t(c))) ? wchar_t(c) : L'_';
    }
    return plain;
}

std::wstring ApplicationDataFolder() {
    wchar_t buffer[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableW(L"APPDATA", buffer, MAX_PATH);
    if (length > 0 && length < MAX_PATH)
        return buffer;
    // Systems that set no APPDATA still know the folder through the shell.
    using GetFolderPath = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPWSTR);
    UniqueModule shell = LoadSystemLibrary(L"shell32.dll");
    if (auto get = ProcedureAddress<GetFolderPath>(shell.get(), "SHGetFolderPathW")) {
        if (SUCCEEDED(get(nullptr, CSIDL_APPDATA, nullptr, 0, buffer)))
            return buffer;
    }
    return {};
}

std::wstring HostProgramPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        if (path.size() >= 32768)
            return {};
        path.resize(path.size() * 2);
    }
}

// Makes `folder` and the folders above it that are missing.
bool MakeFolders(const std::wstring& folder) {
    for (size_t at = folder.find_first_of(L"\\/", 3); at != std::wstring::npos;
         at = folder.find_first_of(L"\\/", at + 1))
        CreateDirectoryW(folder.substr(0, at).c_str(), nullptr);
    if (CreateDirectoryW(folder.c_str(), nullptr))
        return true;
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool WriteWholeFile(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    UniqueFileHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD wrote = 0;
        const DWORD want = DWORD(std::min<size_t>(bytes.size() - done, 1u << 24));
        if (!WriteFile(file.get(), bytes.data() + done, want, &wrote, nullptr) || wrote == 0)
            return false;
        done += wrote;
    }
    return FlushFileBuffers(file.get()) != 0;
}

}  // namespace

std::wstring AlbumFolderName(const std::wstring& programPath) {
    std::wstring folded = programPath;
    std::replace(folded.begin(), folded.end(), L'/', L'\\');
    if (!folded.empty())
        CharLowerBuffW(folded.data(), DWORD(folded.size()));
    const size_t slash = folded.find_last_of(L'\\');
    std::wstring name = slash == std::wstring::npos ? folded : folded.substr(slash + 1);
    const size_t dot = name.find_last_of(L'.');
    if (dot != std::wstring::npos && dot > 0)
        name.resize(dot);
    return PlainPart(name, kPlainKeyCharacters) + L"-" + HashText(folded);
}

std::wstring SharedObjectFolderOfThisAlbum() {
    const std::wstring data = ApplicationDataFolder();
    const std::wstring program = HostProgramPath();
    if (data.empty() || program.empty())
        return {};
    return data + L"\\Dovetta\\Shared objects\\" + AlbumFolderName(program);
}

std::wstring SharedObjectFileName(const std::string& key) {
    return PlainPart(key, kPlainKeyCharacters) + L"-" + HashText(key) + L".sol";
}

std::wstring FileSharedObjectStore::PathOf(const std::string& key) const {
    return m_folder + L"\\" + SharedObjectFileName(key);
}

std::optional<std::vector<uint8_t>> FileSharedObjectStore::Load(const std::string& key) {
    if (m_folder.empty())
        return std::nullopt;
    return ReadFileBytes(PathOf(key), kMaxSharedObjectBytes);
}

bool FileSharedObjectStore::Save(const std::string& key, const std::vector<uint8_t>& bytes) {
    if (m_folder.empty() || bytes.size() > kMaxSharedObjectBytes || !MakeFolders(m_folder))
        return false;
    const std::wstring path = PathOf(key);
    const std::wstring temporary = path + L".new";
    if (WriteWholeFile(temporary, bytes) &&
        MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    DeleteFileW(temporary.c_str());
    return false;
}

void FileSharedObjectStore::Remove(const std::string& key) {
    if (!m_folder.empty())
        DeleteFileW(PathOf(key).c_str());
}

}  // namespace control
