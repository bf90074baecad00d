#include "MovieFile.h"

#include "platform/Handles.h"

#include <algorithm>

namespace control {
namespace {

bool ReadWholeFile(const std::wstring& path, size_t maxBytes, std::vector<uint8_t>& bytes, std::string& problem) {
    UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        problem = "the file cannot be opened";
        return false;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) {
        problem = "the file's size cannot be read";
        return false;
    }
    if (size.QuadPart < 0 || uint64_t(size.QuadPart) > maxBytes) {
        problem = "the file is larger than the control reads";
        return false;
    }
    bytes.resize(size_t(size.QuadPart));
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        const DWORD want = DWORD(std::min<size_t>(bytes.size() - done, 1u << 24));
        if (!ReadFile(file.get(), bytes.data() + done, want, &got, nullptr)) {
            problem = "reading the file failed";
            return false;
        }
        if (got == 0)
            break;  // the file shrank while we read it: take what is there
        done += got;
    }
    bytes.resize(done);
    return true;
}

}  // namespace

std::optional<std::vector<uint8_t>> ReadFileBytes(const std::wstring& path, size_t maxBytes,
                                                  std::string* problem) noexcept {
    try {
        std::string reason;
        std::vector<uint8_t> bytes;
        if (ReadWholeFile(path, maxBytes, bytes, reason))
            return bytes;
        if (problem)
            *problem = std::move(reason);
    } catch (...) {
        if (problem)
            *problem = "out of memory";
    }
    return std::nullopt;
}

}  // namespace control
