#include "media/VideoDecoder.h"

#include "H263Decoder.h"
#include "ScreenVideoDecoder.h"
#include "Vp6Decoder.h"

namespace media {

const char* DecodeResultName(DecodeResult result) {
    switch (result) {
    case DecodeResult::Ok:
        return "ok";
    case DecodeResult::Truncated:
        return "truncated";
    case DecodeResult::Corrupt:
        return "corrupt";
    case DecodeResult::Unsupported:
        return "unsupported";
    case DecodeResult::NeedKeyFrame:
        return "needs a key frame";
    case DecodeResult::BadSize:
        return "bad size";
    }
    return "?";
}

VideoDecoder::VideoDecoder(uint32_t width, uint32_t height) {
    m_picture.width = width;
    m_picture.height = height;
    m_picture.pixels.assign(static_cast<size_t>(width) * height, 0u);
}

std::unique_ptr<VideoDecoder> CreateVideoDecoder(uint8_t codec, uint32_t width, uint32_t height) {
    if (width == 0 || height == 0 || width > kMaxVideoSide || height > kMaxVideoSide)
        return nullptr;
    switch (static_cast<VideoCodec>(codec)) {
    case VideoCodec::SorensonH263:
        return CreateSorensonDecoder(width, height);
    case VideoCodec::ScreenVideo:
        return CreateScreenVideoDecoder(width, height, false);
    case VideoCodec::Vp6:
        return CreateVp6Decoder(width, height, false);
    case VideoCodec::Vp6Alpha:
        return CreateVp6Decoder(width, height, true);
    case VideoCodec::ScreenVideo2:
        return CreateScreenVideoDecoder(width, height, true);
    }
    return nullptr;
}

}  // namespace media
