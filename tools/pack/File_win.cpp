// Files on Windows: UTF-16 paths through _wfopen/_wopen, 64-bit offsets through _fseeki64.
#include "Files.h"

#include "platform/GrowingBuffer.h"
#include "platform/Handles.h"
#include "utf/Utf.h"

#include <windows.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

namespace pack {
namespace {

std::wstring Wide(const std::string& utf8) {
    return utf::WideFromUtf8(utf8);
}

bool FailedCrt() {
    NoteErrno();
    return false;
}

bool FailedWin32() {
    const DWORD code = GetLastError();
    UniqueLocalMemory<wchar_t> text;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<wchar_t*>(text.put()), 0, nullptr);
    std::wstring message = length && text ? std::wstring(text.get(), length) : L"";
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L'.'))
        message.pop_back();
    if (message.empty()) {
        NoteFileError("system error " + std::to_string(code));
        return false;
    }
    NoteFileError(utf::Utf8FromWide(message));
    return false;
}

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

// Length of the part of the path that is a drive ("C:") or the root of one ("C:\", "\").
size_t RootLength(const std::string& path) {
    size_t length = (path.size() >= 2 && path[1] == ':') ? 2 : 0;
    if (length < path.size() && IsSeparator(path[length]))
        ++length;
    return length;
}

bool SeekTo(FILE* stream, uint64_t offset) {
    if (offset > uint64_t(INT64_MAX)) {
        NoteFileError("offset out of range");
        return false;
    }
    return _fseeki64(stream, int64_t(offset), SEEK_SET) == 0 || FailedCrt();
}

}  // namespace

File OpenForReading(const std::string& path) {
    const std::wstring wide = Wide(path);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        NoteFileError("is a folder");
        return File();
    }
    File file(_wfopen(wide.c_str(), L"rb"));
    if (!file)
        FailedCrt();
    return file;
}

File CreateNewFile(const std::string& path) {
    const int fd =
        _wopen(Wide(path).c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
    if (fd < 0) {
        FailedCrt();
        return File();
    }
    FILE* stream = _fdopen(fd, "wb");
    if (!stream) {
        FailedCrt();
        _close(fd);
    }
    return File(stream);
}

bool ReadAt(FILE* stream, uint64_t offset, void* buffer, size_t size) {
    if (!SeekTo(stream, offset))
        return false;
    if (std::fread(buffer, 1, size, stream) == size)
        return true;
    if (std::ferror(stream))
        return FailedCrt();
    NoteFileError("the file ended early (was it changed meanwhile?)");
    return false;
}

bool WriteAll(FILE* stream, const void* data, size_t size) {
    return std::fwrite(data, 1, size, stream) == size || FailedCrt();
}

std::optional<uint64_t> SizeOfFile(FILE* stream) {
    const int64_t size = _filelengthi64(_fileno(stream));
    if (size < 0) {
        FailedCrt();
        return std::nullopt;
    }
    return uint64_t(size);
}

bool RenameOver(const std::string& from, const std::string& to) {
    return MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_REPLACE_EXISTING) || FailedWin32();
}

bool RemoveFile(const std::string& path) {
    return DeleteFileW(Wide(path).c_str()) || FailedWin32();
}

bool IsFolder(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(Wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool MakeFolders(const std::string& path) {
    if (IsFolder(path))
        return true;
    if (CreateDirectoryW(Wide(path).c_str(), nullptr))
        return true;
    if (GetLastError() == ERROR_PATH_NOT_FOUND) {
        const std::string parent = FolderOf(path);
        if (parent != path && parent != "." && MakeFolders(parent) && CreateDirectoryW(Wide(path).c_str(), nullptr))
            return true;
    }
    if (IsFolder(path))
        return true;  // made meanwhile by someone else
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        NoteFileError("exists and is not a folder");
        return false;
    }
    return FailedWin32();
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty())
        return name;
    return IsSeparator(folder.back()) ? folder + name : folder + "\\" + name;
}

std::string BaseName(const std::string& path) {
    size_t start = RootLength(path);
    for (size_t i = start; i < path.size(); ++i) {
        if (IsSeparator(path[i]))
            start = i + 1;
    }
    return path.substr(start);
}

std::string FolderOf(const std::string& path) {
    const size_t root = RootLength(path);
    size_t end = path.size();
    while (end > root && !IsSeparator(path[end - 1]))
        --end;  // drop the last part
    while (end > root && IsSeparator(path[end - 1]))
        --end;  // and the separators before it
    if (end == 0)
        return ".";
    return path.substr(0, end);
}

std::string ToolFolder() {
    const std::wstring path = ModuleFileName();
    if (path.empty())
        return {};
    return FolderOf(utf::Utf8FromWide(path));
}

}  // namespace pack
