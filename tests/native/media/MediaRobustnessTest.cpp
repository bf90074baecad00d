// Broken input: cut and bit-flipped frames, frames that need a picture the decoder lacks, sizes
// past the limits. A refused frame must leave the picture exactly as it was.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <zlib.h>

#include "MovieVideo.h"
#include "Vp6Decoder.h"
#include "media/VideoDecoder.h"

namespace {

using media::DecodeResult;

const std::string kCorpus = DOVETTA_MOVIE_CORPUS;

media_test::VideoStream LoadStream(const std::string& folder, uint16_t id) {
    auto streams = media_test::ReadVideoStreams(kCorpus + "/" + folder + "/test.swf");
    return streams.count(id) ? streams[id] : media_test::VideoStream{};
}

// Writes bits most significant first, for hand-made frames.
struct BitWriter {
    std::vector<uint8_t> bytes;
    int used = 8;
    void Put(uint32_t value, int n) {
        for (int i = n - 1; i >= 0; --i) {
            if (used == 8) {
                bytes.push_back(0);
                used = 0;
            }
            bytes.back() |= static_cast<uint8_t>(((value >> i) & 1u) << (7 - used));
            ++used;
        }
    }
};

TEST(VideoDecoderLimits, RefusesUnknownCodecsAndSizesPastTheLimit) {
    EXPECT_EQ(media::CreateVideoDecoder(1, 64, 64), nullptr);  // JPEG is not a video codec
    EXPECT_EQ(media::CreateVideoDecoder(7, 64, 64), nullptr);
    EXPECT_EQ(media::CreateVideoDecoder(2, 0, 64), nullptr);
    EXPECT_EQ(media::CreateVideoDecoder(2, 64, media::kMaxVideoSide + 1), nullptr);
    auto decoder = media::CreateVideoDecoder(2, media::kMaxVideoSide, 16);
    ASSERT_NE(decoder, nullptr);
    EXPECT_EQ(decoder->Picture().pixels.size(), size_t{media::kMaxVideoSide} * 16);
}

// A Sorenson picture header: start code, version 0, a 16-bit custom size, intra, quantiser 8.
std::vector<uint8_t> SorensonHeader(uint32_t width, uint32_t height, uint32_t type) {
    BitWriter w;
    w.Put(1, 17);
    w.Put(0, 5);
    w.Put(0, 8);
    w.Put(1, 3);
    w.Put(width, 16);
    w.Put(height, 16);
    w.Put(type, 2);
    w.Put(0, 1);
    w.Put(8, 5);
    w.Put(0, 1);
    return w.bytes;
}

TEST(SorensonRobustness, RefusesOversizedPicturesAndInterPicturesWithoutAReference) {
    auto decoder = media::CreateVideoDecoder(2, 64, 64);
    ASSERT_NE(decoder, nullptr);
    const auto huge = SorensonHeader(media::kMaxVideoSide + 16, 16, 0);
    EXPECT_EQ(decoder->Decode(huge.data(), huge.size(), {}), DecodeResult::BadSize);
    const auto empty = SorensonHeader(0, 16, 0);
    EXPECT_EQ(decoder->Decode(empty.data(), empty.size(), {}), DecodeResult::BadSize);
    const auto inter = SorensonHeader(64, 64, 1);
    EXPECT_EQ(decoder->Decode(inter.data(), inter.size(), {}), DecodeResult::NeedKeyFrame);
    // An intra header with no macroblocks after it.
    const auto intra = SorensonHeader(64, 64, 0);
    EXPECT_EQ(decoder->Decode(intra.data(), intra.size(), {}), DecodeResult::Truncated);
    const std::vector<uint8_t> notAPicture = {0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(decoder->Decode(notAPicture.data(), notAPicture.size(), {}), DecodeResult::Corrupt);
    EXPECT_EQ(decoder->Decode(nullptr, 0, {}), DecodeResult::Truncated);
    EXPECT_EQ(decoder->FramesDecoded(), 0u);
    for (uint32_t p : decoder->Picture().pixels)
        ASSERT_EQ(p, 0u);
}

// Feeds the clip's first frame, then every shorter cut of the second: each cut is refused or
// decodes, and a refused one leaves the first frame's picture.
TEST(SorensonRobustness, CutInterFramesLeaveThePreviousPicture) {
    const auto s = LoadStream("from_gnash/misc-ming.all/Video-EmbedSquareTest", 4);
    ASSERT_GE(s.frames.size(), 2u);
    auto decoder = media::CreateVideoDecoder(s.codec, s.width, s.height);
    ASSERT_EQ(decoder->Decode(s.frames[0].data(), s.frames[0].size(), {}), DecodeResult::Ok);
    const std::vector<uint32_t> first = decoder->Picture().pixels;
    const std::vector<uint8_t>& frame = s.frames[1];
    int refused = 0;
    for (size_t cut = 0; cut < frame.size() - 1; ++cut) {
        std::vector<uint8_t> part(frame.begin(), frame.begin() + cut);  // own buffer: no slack
        const DecodeResult r = decoder->Decode(part.data(), part.size(), {});
        if (r != DecodeResult::Ok) {
            ++refused;
            ASSERT_EQ(decoder->Picture().pixels, first) << "cut at " << cut;
        } else {
            // A cut that decoded (the missing bytes held only padding) changed the reference:
            // start again from the first frame.
            ASSERT_EQ(decoder->Decode(s.frames[0].data(), s.frames[0].size(), {}), DecodeResult::Ok);
        }
    }
    // All but cuts inside the last byte or two must be refused.
    EXPECT_GE(refused, static_cast<int>(frame.size()) - 3);
}

// Flips bits across the clip's intra frame: no crash, and a refused frame leaves the picture as
// it was.
TEST(SorensonRobustness, FlippedBitsAreRefusedOrDecodedSafely) {
    const auto s = LoadStream("from_gnash/misc-ming.all/Video-EmbedSquareTest", 4);
    ASSERT_FALSE(s.frames.empty());
    auto decoder = media::CreateVideoDecoder(s.codec, s.width, s.height);
    int refused = 0, flips = 0;
    std::vector<uint8_t> frame = s.frames[0];
    for (size_t bit = 0; bit < frame.size() * 8; bit += 5, ++flips) {
        const std::vector<uint32_t> before = decoder->Picture().pixels;
        frame[bit / 8] ^= static_cast<uint8_t>(0x80 >> (bit % 8));
        const DecodeResult r = decoder->Decode(frame.data(), frame.size(), {});
        frame[bit / 8] ^= static_cast<uint8_t>(0x80 >> (bit % 8));
        if (r != DecodeResult::Ok) {
            ++refused;
            ASSERT_EQ(decoder->Picture().pixels, before) << "bit " << bit;
        }
    }
    EXPECT_GT(refused, 0);
    EXPECT_LT(refused, flips);  // flips inside DC values still make valid pictures
}

// Screen Video frames made here: 4 bits block width, 12 bits width, the same for height, then
// per block (bottom row first) a 16-bit length and zlib-compressed BGR rows, bottom row first.
// Screen Video 2 (version2) adds a flags byte after the sizes and a format byte to each block.
std::vector<uint8_t> ScreenFrame(uint32_t width, uint32_t height, uint32_t block,
                                 const std::vector<std::vector<uint8_t>>& blocks, bool version2 = false,
                                 uint8_t format = 0) {
    BitWriter w;
    w.Put(block / 16 - 1, 4);
    w.Put(width, 12);
    w.Put(block / 16 - 1, 4);
    w.Put(height, 12);
    if (version2)
        w.Put(0, 8);
    for (const auto& raw : blocks) {
        if (raw.empty()) {
            w.Put(0, 16);
            continue;
        }
        uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
        std::vector<uint8_t> packed(packedSize);
        compress(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()));
        w.Put(static_cast<uint32_t>(packedSize + (version2 ? 1 : 0)), 16);
        if (version2)
            w.Put(format, 8);
        for (uLongf i = 0; i < packedSize; ++i)
            w.Put(packed[i], 8);
    }
    return w.bytes;
}

// A 16 x 16 block of one BGR colour, with its first stored row (the block's bottom) marked.
std::vector<uint8_t> SolidBlock(uint32_t w, uint32_t h, uint8_t b, uint8_t g, uint8_t r) {
    std::vector<uint8_t> raw;
    for (uint32_t i = 0; i < w * h; ++i) {
        const bool bottomRow = i < w;
        raw.insert(raw.end(), {b, g, bottomRow ? uint8_t(255) : r});
    }
    return raw;
}

TEST(ScreenVideo, BlocksLandBottomUpAndEmptyBlocksKeepThePicture) {
    auto decoder = media::CreateVideoDecoder(3, 32, 20);
    ASSERT_NE(decoder, nullptr);
    // 32 x 20 in 16 x 16 blocks: a bottom row of two full blocks, a top row of two 16 x 4 ones.
    const auto key = ScreenFrame(32, 20, 16,
                                 {SolidBlock(16, 16, 1, 2, 3), SolidBlock(16, 16, 4, 5, 6), SolidBlock(16, 4, 7, 8, 9),
                                  SolidBlock(16, 4, 10, 11, 12)});
    ASSERT_EQ(decoder->Decode(key.data(), key.size(), {}), DecodeResult::Ok);
    const auto& p = decoder->Picture();
    EXPECT_EQ(p.pixels[0], 0xFF090807u);             // top-left: the top row's first block
    EXPECT_EQ(p.pixels[3 * 32], 0xFFFF0807u);        // its bottom row (stored first)
    EXPECT_EQ(p.pixels[4 * 32 + 16], 0xFF060504u);   // the bottom row's second block
    EXPECT_EQ(p.pixels[19 * 32 + 31], 0xFFFF0504u);  // bottom-right: its stored first row

    // Only the bottom-left block changes.
    const auto delta = ScreenFrame(32, 20, 16, {SolidBlock(16, 16, 20, 30, 40), {}, {}, {}});
    ASSERT_EQ(decoder->Decode(delta.data(), delta.size(), {}), DecodeResult::Ok);
    EXPECT_EQ(p.pixels[10 * 32], 0xFF281E14u);
    EXPECT_EQ(p.pixels[10 * 32 + 16], 0xFF060504u);
    EXPECT_EQ(p.pixels[0], 0xFF090807u);
}

TEST(ScreenVideo, BrokenFramesAreRefusedAndLeaveThePicture) {
    auto decoder = media::CreateVideoDecoder(3, 16, 16);
    const auto key = ScreenFrame(16, 16, 16, {SolidBlock(16, 16, 1, 2, 3)});
    // A first frame that leaves a block out has nothing to keep.
    const auto partial = ScreenFrame(16, 16, 16, {{}});
    EXPECT_EQ(decoder->Decode(partial.data(), partial.size(), {}), DecodeResult::NeedKeyFrame);
    ASSERT_EQ(decoder->Decode(key.data(), key.size(), {}), DecodeResult::Ok);
    const std::vector<uint32_t> shown = decoder->Picture().pixels;

    struct Case {
        const char* name;
        std::vector<uint8_t> frame;
        DecodeResult expected;
    };
    std::vector<uint8_t> cut(key.begin(), key.end() - 1);
    std::vector<uint8_t> wrongSize = ScreenFrame(16, 16, 16, {SolidBlock(16, 8, 1, 2, 3)});
    std::vector<uint8_t> garbage = key;
    for (size_t i = 6; i < garbage.size(); ++i)
        garbage[i] = 0x5A;
    const Case cases[] = {
        {"cut", cut, DecodeResult::Truncated},
        {"header only", std::vector<uint8_t>(key.begin(), key.begin() + 4), DecodeResult::Truncated},
        {"block of the wrong size", wrongSize, DecodeResult::Corrupt},
        {"not zlib", garbage, DecodeResult::Corrupt},
        {"zero width", ScreenFrame(0, 16, 16, {}), DecodeResult::BadSize},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(decoder->Decode(c.frame.data(), c.frame.size(), {}), c.expected) << c.name;
        EXPECT_EQ(decoder->Picture().pixels, shown) << c.name;
    }
}

TEST(ScreenVideo2, WholeColourBlocksDecodeAndOtherFormatsAreRefused) {
    auto decoder = media::CreateVideoDecoder(6, 16, 16);
    ASSERT_NE(decoder, nullptr);
    const auto key = ScreenFrame(16, 16, 16, {SolidBlock(16, 16, 1, 2, 3)}, true);
    ASSERT_EQ(decoder->Decode(key.data(), key.size(), {}), DecodeResult::Ok);
    EXPECT_EQ(decoder->Picture().pixels[0], 0xFF030201u);
    EXPECT_EQ(decoder->Picture().pixels[15 * 16], 0xFFFF0201u);
    // A changed-region block (format bit 2) is not decoded yet: refused, picture kept.
    const auto diff = ScreenFrame(16, 16, 16, {SolidBlock(16, 16, 9, 9, 9)}, true, 0x04);
    EXPECT_EQ(decoder->Decode(diff.data(), diff.size(), {}), DecodeResult::Unsupported);
    EXPECT_EQ(decoder->Picture().pixels[0], 0xFF030201u);
    // A Screen Video 1 frame read as version 2 misreads its first length: refused.
    const auto v1 = ScreenFrame(16, 16, 16, {SolidBlock(16, 16, 9, 9, 9)});
    EXPECT_NE(decoder->Decode(v1.data(), v1.size(), {}), DecodeResult::Ok);
    EXPECT_EQ(decoder->Picture().pixels[0], 0xFF030201u);
}

TEST(Vp6Headers, CodedSizeIsReadAndTheDisplayedSizeIgnored) {
    for (const char* folder : {"visual/video/colorconversion/vp6", "visual/video/vp6_dispsize"}) {
        const auto s = LoadStream(folder, 0);
        ASSERT_EQ(s.frames.size(), 1u) << folder;
        DecodeResult r = DecodeResult::Corrupt;
        const auto h = media::ReadVp6FrameHeader(s.frames[0].data(), s.frames[0].size(), &r);
        ASSERT_TRUE(h.has_value()) << folder << ": " << media::DecodeResultName(r);
        EXPECT_TRUE(h->keyFrame);
        EXPECT_EQ(h->macroblockCols * 16, s.width) << folder;
        EXPECT_EQ(h->macroblockRows * 16, s.height) << folder;
    }
}

TEST(Vp6Headers, AlphaFramesSplitAfterTheThreeByteOffset) {
    for (const char* folder : {"visual/video/colorconversion/vp6a", "visual/video/vp6_alphaoffset"}) {
        const auto s = LoadStream(folder, 0);
        ASSERT_EQ(s.frames.size(), 1u) << folder;
        const auto parts = media::SplitVp6AlphaFrame(s.frames[0].data(), s.frames[0].size());
        ASSERT_TRUE(parts.has_value()) << folder;
        EXPECT_EQ(3 + parts->colourSize + parts->alphaSize, s.frames[0].size());
        DecodeResult r = DecodeResult::Corrupt;
        const auto colour = media::ReadVp6FrameHeader(parts->colour, parts->colourSize, &r);
        ASSERT_TRUE(colour.has_value()) << folder << ": " << media::DecodeResultName(r);
        EXPECT_EQ(colour->macroblockCols * 16, (s.width + 15u) & ~15u) << folder;
        const auto alpha = media::ReadVp6FrameHeader(parts->alpha, parts->alphaSize, &r);
        ASSERT_TRUE(alpha.has_value()) << folder << ": " << media::DecodeResultName(r);
        EXPECT_EQ(alpha->macroblockRows, colour->macroblockRows);

        // An offset past the frame's end is refused before anything is read.
        std::vector<uint8_t> broken = s.frames[0];
        broken[0] = 0xFF;
        EXPECT_FALSE(media::SplitVp6AlphaFrame(broken.data(), broken.size()).has_value());
        auto decoder = media::CreateVideoDecoder(5, s.width, s.height);
        EXPECT_EQ(decoder->Decode(broken.data(), broken.size(), {}), DecodeResult::Truncated);
    }
}

}  // namespace
