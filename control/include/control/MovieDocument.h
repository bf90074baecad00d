// A movie as the control plays it: its header, stage background, frames and the FSCommand calls
// of each frame. Parsed from the file's bytes; portable (no Windows headers).
#pragma once

#include "movie/SwfHeader.h"
#include "movie/SwfTags.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace control {

// The largest movie the control reads, on disk and uncompressed alike.
constexpr size_t kMaxMovieBytes = size_t(256) << 20;

struct MovieCommand {
    uint32_t frame = 0;
    std::u16string command;
    std::u16string args;
};

struct MovieDocument {
    movie::SwfHeader header;
    movie::Rgb background{255, 255, 255};  // white unless the movie sets its own
    uint32_t frameCount = 1;               // ShowFrame tags of the main timeline, at least 1
    std::vector<MovieCommand> commands;    // by frame, in timeline order within a frame
    // The uncompressed movie: what a renderer reads its shapes from.
    std::vector<uint8_t> image;

    // The calls made when `frame` is entered.
    std::span<const MovieCommand> CommandsAt(uint32_t frame) const;

    int32_t StageWidth() const { return header.WidthPixels(); }
    int32_t StageHeight() const { return header.HeightPixels(); }
};

// Reads a whole movie file's bytes ("FWS" or "CWS"). nullopt with a reason when the header is
// not a movie's, the movie would be larger than kMaxMovieBytes uncompressed, or its data is cut
// short or damaged. A tag list that breaks off keeps the frames before the break. Calls for frames
// the timeline never reaches are dropped.
std::optional<MovieDocument> ParseMovie(const uint8_t* data, size_t size, std::string* problem = nullptr);

}  // namespace control
