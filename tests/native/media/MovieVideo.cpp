#include "MovieVideo.h"

#include <fstream>
#include <iterator>

#include "movie/SwfHeader.h"
#include "movie/SwfTags.h"

namespace media_test {

namespace {

constexpr uint16_t kTagDefineVideoStream = 60;
constexpr uint16_t kTagVideoFrame = 61;

uint16_t Le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

}  // namespace

std::map<uint16_t, VideoStream> ReadVideoStreams(const std::string& path) {
    std::map<uint16_t, VideoStream> streams;
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto header = movie::ReadSwfHeader(file.data(), file.size());
    if (!header)
        return streams;
    const auto image = movie::DecompressSwf(file.data(), file.size(), 64u << 20);
    if (!image)
        return streams;
    movie::TagCursor cursor(image->data(), image->size(), header->headerLength);
    while (const auto tag = cursor.Next()) {
        const uint8_t* body = image->data() + tag->bodyOffset;
        if (tag->code == kTagDefineVideoStream && tag->length >= 10) {
            VideoStream s;
            s.id = Le16(body);
            s.frameCount = Le16(body + 2);
            s.width = Le16(body + 4);
            s.height = Le16(body + 6);
            s.deblocking = (body[8] >> 1) & 7;
            s.smoothing = (body[8] & 1) != 0;
            s.codec = body[9];
            streams[s.id] = std::move(s);
        } else if (tag->code == kTagVideoFrame && tag->length >= 4) {
            const auto it = streams.find(Le16(body));
            if (it != streams.end())
                it->second.frames.emplace_back(body + 4, body + tag->length);
        }
    }
    return streams;
}

}  // namespace media_test
