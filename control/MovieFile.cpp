#include "MovieFile.h"

#include "platform/Handles.h"

#include <algorithm>

namespace control {
namespace {

bool ReadWholeFile(const std::wstring& path, std::vector<uint8_t>& bytes, std::string& problem) {
    UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        problem = "the movie file cannot be opened";
        return false;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) {
        problem = "the movie file's size cannot be read";
        return false;
    }
    if (size.QuadPart < 0 || uint64_t(size.QuadPart) > kMaxMovieBytes) {
        problem = "the movie file is larger than 256 MiB";
        return false;
    }
    bytes.resize(size_t(size.QuadPart));
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        const DWORD want = DWORD(std::min<size_t>(bytes.size() - done, 1u << 24));
        if (!ReadFile(file.get(), bytes.data() + done, want, &got, nullptr)) {
            problem = "reading the movie file failed";
            return false;
        }
        if (got == 0)
            break;  // the file shrank while we read it: parse what is there
        done += got;
    }
    bytes.resize(done);
    return true;
}

}  // namespace

std::shared_ptr<const MovieDocument> LoadMovieFile(const std::wstring& path, std::string* problem) noexcept {
    try {
        std::string reason;
        std::vector<uint8_t> bytes;
        if (ReadWholeFile(path, bytes, reason)) {
            if (auto document = ParseMovie(bytes.data(), bytes.size(), &reason)) {
                return std::make_shared<const MovieDocument>(std::move(*document));
            }
        }
        if (problem)
            *problem = std::move(reason);
    } catch (...) {
        // Out of memory on the way: the control shows an empty stage, as for any unplayable file.
    }
    return nullptr;
}

}  // namespace control
