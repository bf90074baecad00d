#include "MovieVideo.h"

#include <fstream>
#include <iterator>
#include <variant>

namespace media_test {

std::map<uint16_t, VideoStream> ReadVideoStreams(const std::string& path) {
    std::map<uint16_t, VideoStream> streams;
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto read = movie::ReadMovie(file.data(), file.size());
    if (!read)
        return streams;
    for (const auto& [id, character] : read->dictionary) {
        if (const auto* stream = std::get_if<std::shared_ptr<const movie::VideoStreamDef>>(&character))
            streams.emplace(id, **stream);
    }
    return streams;
}

}  // namespace media_test
