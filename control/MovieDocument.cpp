#include "control/MovieDocument.h"

#include <algorithm>

namespace control {

std::span<const MovieCommand> MovieDocument::CommandsAt(uint32_t frame) const {
    const auto first = std::partition_point(commands.begin(), commands.end(),
                                            [frame](const MovieCommand& c) { return c.frame < frame; });
    const auto last =
        std::partition_point(first, commands.end(), [frame](const MovieCommand& c) { return c.frame == frame; });
    return {first, last};
}

std::optional<MovieDocument> ParseMovie(const uint8_t* data, size_t size, std::string* problem) {
    auto header = movie::ReadSwfHeader(data, size, problem);
    if (!header)
        return std::nullopt;
    auto image = movie::DecompressSwf(data, size, kMaxMovieBytes, problem);
    if (!image)
        return std::nullopt;

    MovieDocument document;
    document.header = *header;
    const movie::TimelineScan scan = movie::ScanTimeline(image->data(), image->size(), header->headerLength);
    if (scan.background)
        document.background = *scan.background;
    // A movie without a ShowFrame still shows its stage: one frame.
    document.frameCount = std::max<uint32_t>(scan.frameCount, 1);
    for (const movie::FrameCommand& found : scan.commands) {
        if (found.frame >= document.frameCount)
            continue;
        document.commands.push_back({found.frame, movie::DecodeSwfText(found.call.command, header->version),
                                     movie::DecodeSwfText(found.call.args, header->version)});
    }
    document.image = std::move(*image);
    return document;
}

}  // namespace control
