// Files on Linux and other POSIX systems: fopen, pread/write with 64-bit offsets, open(O_EXCL).
#include "Files.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pack {
namespace {

bool Failed() {
    NoteErrno();
    return false;
}

}  // namespace

File OpenForReading(const std::string& path) {
    File file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        Failed();
        return file;
    }
    struct stat info {};
    if (fstat(fileno(file.get()), &info) != 0) {
        Failed();
        return File();
    }
    if (!S_ISREG(info.st_mode)) {
        NoteFileError(S_ISDIR(info.st_mode) ? "is a folder" : "is not a regular file");
        return File();
    }
    return file;
}

File CreateNewFile(const std::string& path) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        Failed();
        return File();
    }
    FILE* stream = fdopen(fd, "wb");
    if (!stream) {
        Failed();
        close(fd);
    }
    return File(stream);
}

// Straight to the descriptor, past stdio: a buffered stream would split each large transfer
// into a partial block through its own buffer and a remainder at a shifted address, which
// makes the kernel's copies misaligned and slow.
bool ReadAt(FILE* stream, uint64_t offset, void* buffer, size_t size) {
    auto* bytes = static_cast<unsigned char*>(buffer);
    while (size > 0) {
        const ssize_t n = pread(fileno(stream), bytes, size, off_t(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return Failed();
        if (n == 0) {
            NoteFileError("the file ended early (was it changed meanwhile?)");
            return false;
        }
        bytes += n;
        offset += uint64_t(n);
        size -= size_t(n);
    }
    return true;
}

bool WriteAll(FILE* stream, const void* data, size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    while (size > 0) {
        const ssize_t n = write(fileno(stream), bytes, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return Failed();
        bytes += n;
        size -= size_t(n);
    }
    return true;
}

std::optional<uint64_t> SizeOfFile(FILE* stream) {
    struct stat info {};
    if (fstat(fileno(stream), &info) != 0) {
        Failed();
        return std::nullopt;
    }
    return uint64_t(info.st_size);
}

bool RenameOver(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0 || Failed();
}

bool RemoveFile(const std::string& path) {
    return unlink(path.c_str()) == 0 || Failed();
}

bool IsFolder(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool MakeFolders(const std::string& path) {
    if (IsFolder(path))
        return true;
    if (mkdir(path.c_str(), 0777) == 0)
        return true;
    if (errno == ENOENT) {
        const std::string parent = FolderOf(path);
        if (parent != path && parent != "." && MakeFolders(parent) && mkdir(path.c_str(), 0777) == 0)
            return true;
    }
    if (IsFolder(path))
        return true;  // made meanwhile by someone else
    if (errno == EEXIST) {
        NoteFileError("exists and is not a folder");
        return false;
    }
    return Failed();
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty())
        return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

std::string BaseName(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FolderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    while (slash > 0 && path[slash - 1] == '/')
        --slash;
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string ToolFolder() {
    std::string path(4096, '\0');
    const ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
    if (length <= 0 || size_t(length) >= path.size())
        return {};
    path.resize(size_t(length));
    return FolderOf(path);
}

}  // namespace pack
