// Where a file a movie names may be read from: only inside the movie's own folder. A URL with a
// scheme (web or file addresses), an absolute path, a drive or a ".." step names nothing; what
// follows "?" or "#" is not part of the file's name.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace playback {

// The path of the file under the movie's folder, its parts joined by '/'; nullopt when the URL
// names no file there.
std::optional<std::string> LocalFilePath(std::string_view url);

}  // namespace playback
