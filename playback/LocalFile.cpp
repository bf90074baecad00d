// The names a movie may load files by: relative paths inside its folder.
#include "playback/LocalFile.h"

namespace playback {

std::optional<std::string> LocalFilePath(std::string_view url) {
    url = url.substr(0, url.find_first_of("?#"));
    if (url.empty() || url.find(':') != std::string_view::npos || url[0] == '/' || url[0] == '\\')
        return std::nullopt;
    std::string out;
    size_t i = 0;
    while (i <= url.size()) {
        size_t end = url.find_first_of("/\\", i);
        if (end == std::string_view::npos)
            end = url.size();
        const std::string_view part = url.substr(i, end - i);
        i = end + 1;
        if (part.empty() || part == ".")
            continue;
        if (part == "..")
            return std::nullopt;
        if (!out.empty())
            out += '/';
        out += part;
    }
    if (out.empty())
        return std::nullopt;
    return out;
}

}  // namespace playback
