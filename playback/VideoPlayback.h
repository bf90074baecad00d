// What a placed embedded video shows: its stream's frames fed to a decoder in order, up to the
// frame the object's ratio names, and the current picture as one rectangle the size the stream
// declares, filled with the picture (scaled when the coded size differs).
#pragma once

#include "Library.h"
#include "media/VideoDecoder.h"

#include <memory>

namespace playback {

class VideoPlayback {
public:
    explicit VideoPlayback(const movie::VideoStreamDef& stream);
    // Brings the picture to `frame` (0-based), decoding from the start when going back.
    void ShowFrame(uint32_t frame);
    // The rectangle with the picture; nullptr until a frame has decoded.
    const CachedShape* Shape() const { return m_hasPicture ? &m_shape : nullptr; }

private:
    void Decode(uint32_t frame);
    void Publish();

    const movie::VideoStreamDef& m_stream;
    std::unique_ptr<media::VideoDecoder> m_decoder;
    int64_t m_fed = -1;    // the last frame given to the decoder
    uint32_t m_shown = 0;  // the decoder's frame count when the picture was last copied
    bool m_hasPicture = false;
    std::shared_ptr<raster::Image> m_image;
    CachedShape m_shape;
};

}  // namespace playback
