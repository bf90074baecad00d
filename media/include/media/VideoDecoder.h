// Video decoding for embedded video streams (DefineVideoStream + VideoFrame) and, later, FLV
// files: one decoder per stream, fed the frames' payloads in order, holding the current picture.
// Portable: no Windows headers.
//
// Pixels are premultiplied 32-bit words 0xAARRGGBB (B, G, R, A in memory), the layout the
// renderer composites, `width * height` of them, rows top to bottom with no padding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace media {

// The codec ids a DefineVideoStream names.
enum class VideoCodec : uint8_t {
    SorensonH263 = 2,
    ScreenVideo = 3,
    Vp6 = 4,
    Vp6Alpha = 5,
    ScreenVideo2 = 6,
};

// Streams larger than this are refused when the decoder is made: 4096 x 4096 pixels keeps one
// picture (with its planes) well under 200 MB and covers every size the codecs can express
// except the 16-bit H.263 and Screen Video sizes nobody records.
constexpr uint32_t kMaxVideoSide = 4096;

enum class DecodeResult {
    Ok,            // the picture now shows this frame
    Truncated,     // the payload ends before the frame does
    Corrupt,       // a code or value the format does not allow
    Unsupported,   // a valid feature this decoder does not decode (yet)
    NeedKeyFrame,  // a frame that builds on a picture the decoder does not have
    BadSize,       // the frame's own size is zero, over the limit, or changes mid-stream
};

const char* DecodeResultName(DecodeResult result);

struct DecodeOptions {
    // The stream's VideoFlagsDeblocking: 0 = as each frame says, 1 = off, 2 and up = on.
    uint8_t deblocking = 0;
    // The stream's VideoFlagsSmoothing; the renderer filters when scaling, the decoder ignores it.
    bool smoothing = false;
};

struct VideoPicture {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint32_t> pixels;  // width * height premultiplied words
};

class VideoDecoder {
public:
    virtual ~VideoDecoder() = default;

    // Decodes the next VideoFrame payload (the tag body after StreamID and FrameNum). Anything
    // but Ok leaves the picture as it was.
    virtual DecodeResult Decode(const uint8_t* data, size_t size, const DecodeOptions& options) = 0;

    // The current picture, of the stream's size; transparent black until a frame decodes.
    const VideoPicture& Picture() const { return m_picture; }
    // Frames decoded since creation (a refused frame does not count).
    uint32_t FramesDecoded() const { return m_framesDecoded; }

protected:
    VideoDecoder(uint32_t width, uint32_t height);
    VideoPicture m_picture;
    uint32_t m_framesDecoded = 0;
};

// A decoder for a stream of `codec` (a DefineVideoStream's CodecID) and size; nullptr for an
// unknown codec or a size of zero or over kMaxVideoSide.
std::unique_ptr<VideoDecoder> CreateVideoDecoder(uint8_t codec, uint32_t width, uint32_t height);

}  // namespace media
