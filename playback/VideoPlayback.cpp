#include "VideoPlayback.h"

#include <algorithm>

namespace playback {

constexpr float kTwipsPerPixel = 20;

VideoPlayback::VideoPlayback(const movie::VideoStreamDef& stream) : m_stream(stream) {
    m_image = std::make_shared<raster::Image>();
    const float w = stream.width * kTwipsPerPixel, h = stream.height * kTwipsPerPixel;
    MakeImageRectangle(m_shape, w, h, m_image, raster::Matrix::Identity(), stream.smoothing);
}

void VideoPlayback::ShowFrame(uint32_t frame) {
    if (m_stream.frames.empty())
        return;
    frame = std::min<uint32_t>(frame, uint32_t(m_stream.frames.size() - 1));
    if (int64_t(frame) == m_fed)
        return;
    if (int64_t(frame) < m_fed || !m_decoder) {
        m_decoder = media::CreateVideoDecoder(m_stream.codec, m_stream.width, m_stream.height);
        m_fed = -1;
        m_shown = 0;
        if (!m_decoder)
            return;
    }
    Decode(frame);
    Publish();
}

void VideoPlayback::Decode(uint32_t frame) {
    media::DecodeOptions options;
    options.deblocking = m_stream.deblocking;
    options.smoothing = m_stream.smoothing;
    while (m_fed < int64_t(frame)) {
        const std::vector<uint8_t>& payload = m_stream.frames[size_t(++m_fed)];
        if (!payload.empty())
            m_decoder->Decode(payload.data(), payload.size(), options);  // a bad frame keeps the picture
    }
}

void VideoPlayback::Publish() {
    if (m_decoder->FramesDecoded() == m_shown)
        return;
    m_shown = m_decoder->FramesDecoded();
    const media::VideoPicture& picture = m_decoder->Picture();
    if (picture.width == 0 || picture.height == 0)
        return;
    // Same pixel layout: premultiplied words, rows top to bottom.
    m_image->width = int32_t(picture.width);
    m_image->height = int32_t(picture.height);
    m_image->pixels = picture.pixels;
    CachedDraw& draw = m_shape.draws.front();
    draw.paint.bitmap.matrix = raster::Matrix::Scale(m_stream.width * kTwipsPerPixel / float(picture.width),
                                                     m_stream.height * kTwipsPerPixel / float(picture.height));
    m_hasPicture = true;
}

}  // namespace playback
