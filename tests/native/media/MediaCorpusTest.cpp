// Decoded frames against the reference player's stage images, where the movie shows the video
// at 1:1 on whole pixels at low quality: the expected pixels are the reference's decoded and
// colour-converted frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ostream>
#include <string>

#include "ImageFile.h"
#include "MovieVideo.h"
#include "media/VideoDecoder.h"

namespace {

using media_test::ReadPng;
using media_test::ReadVideoStreams;

struct CorpusFrame {
    const char* name;
    const char* folder;  // under the corpus's cases folder
    uint16_t stream;
    int stageX, stageY;  // where the movie places the video
    int tolerance;       // the case's own tolerance
};

void PrintTo(const CorpusFrame& c, std::ostream* os) {
    *os << c.folder << " stream " << c.stream;
}

struct Comparison {
    int outliers = 0;
    int largest = 0;
};

// Compares the picture with the stage image at (x, y), channel by channel (colour only: the
// stage under an opaque video shows the video's colour).
Comparison CompareWithStage(const media::VideoPicture& picture, const media_test::RgbaImage& stage, int x, int y,
                            int tolerance) {
    Comparison result;
    for (uint32_t row = 0; row < picture.height; ++row)
        for (uint32_t col = 0; col < picture.width; ++col) {
            const uint32_t p = picture.pixels[row * picture.width + col];
            const uint8_t* e = &stage.rgba[((y + row) * stage.width + (x + col)) * 4];
            const int got[3] = {int((p >> 16) & 0xFF), int((p >> 8) & 0xFF), int(p & 0xFF)};
            if (getenv("RAWYUV"))
                printf("MAP %d %d %d -> %d %d %d\n", got[0], got[1], got[2], e[0], e[1], e[2]);
            for (int c = 0; c < 3; ++c) {
                const int diff = std::abs(got[c] - e[c]);
                result.largest = std::max(result.largest, diff);
                if (diff > tolerance)
                    ++result.outliers;
            }
        }
    return result;
}

class CorpusFrameTest : public ::testing::TestWithParam<CorpusFrame> {};

TEST_P(CorpusFrameTest, FirstFrameMatchesTheReference) {
    const CorpusFrame& c = GetParam();
    const std::string folder = std::string(DOVETTA_MOVIE_CORPUS) + "/" + c.folder;
    auto streams = ReadVideoStreams(folder + "/test.swf");
    ASSERT_TRUE(streams.count(c.stream)) << "no video stream " << c.stream << " in " << folder;
    const media_test::VideoStream& s = streams[c.stream];
    ASSERT_FALSE(s.frames.empty());
    const auto stage = ReadPng(folder + "/output.expected.png");
    ASSERT_GT(stage.width, 0);
    ASSERT_LE(c.stageX + s.width, stage.width);
    ASSERT_LE(c.stageY + s.height, stage.height);

    auto decoder = media::CreateVideoDecoder(s.codec, s.width, s.height);
    ASSERT_NE(decoder, nullptr);
    media::DecodeOptions options;
    options.deblocking = s.deblocking;
    options.smoothing = s.smoothing;
    const media::DecodeResult r = decoder->Decode(s.frames[0].data(), s.frames[0].size(), options);
    ASSERT_EQ(r, media::DecodeResult::Ok) << media::DecodeResultName(r);
    const Comparison cmp = CompareWithStage(decoder->Picture(), stage, c.stageX, c.stageY, c.tolerance);
    EXPECT_EQ(cmp.outliers, 0) << "largest difference " << cmp.largest;
}

// The deblocking movie: gray on black, gray on white at quantisers 2, 11, 22, 31, and pink on
// green at twice the size.
const CorpusFrame kDeblocking[] = {
    {"GrayOnBlackQ2", "visual/video/deblocking", 1, 4, 4, 0},
    {"GrayOnBlackQ11", "visual/video/deblocking", 2, 256, 4, 0},
    {"GrayOnBlackQ22", "visual/video/deblocking", 3, 508, 4, 0},
    {"GrayOnBlackQ31", "visual/video/deblocking", 4, 760, 4, 0},
    {"GrayOnWhiteQ2", "visual/video/deblocking", 5, 4, 256, 0},
    {"GrayOnWhiteQ11", "visual/video/deblocking", 6, 256, 256, 0},
    {"GrayOnWhiteQ22", "visual/video/deblocking", 7, 508, 256, 0},
    {"GrayOnWhiteQ31", "visual/video/deblocking", 8, 760, 256, 0},
    {"PinkOnGreenQ2", "visual/video/deblocking", 9, 4, 508, 0},
    {"PinkOnGreenQ11", "visual/video/deblocking", 10, 508, 508, 0},
    {"PinkOnGreenQ22", "visual/video/deblocking", 11, 4, 1008, 0},
    {"PinkOnGreenQ31", "visual/video/deblocking", 12, 508, 1008, 0},
};

INSTANTIATE_TEST_SUITE_P(SorensonDeblocking, CorpusFrameTest, ::testing::ValuesIn(kDeblocking),
                         [](const auto& info) { return std::string(info.param.name); });

// A 128 x 96 clip at the stage's corner, captured after the first frame (tolerance 5).
const CorpusFrame kEmbedSquare[] = {
    {"EmbedSquare", "from_gnash/misc-ming.all/Video-EmbedSquareTest", 4, 0, 0, 5},
};
INSTANTIATE_TEST_SUITE_P(SorensonClip, CorpusFrameTest, ::testing::ValuesIn(kEmbedSquare),
                         [](const auto& info) { return std::string(info.param.name); });

// Every frame of the clip (one intra picture, then inter pictures) decodes, and the inter
// pictures change the picture: a parse that lost its place would refuse a frame or leave the
// first picture as it was.
TEST(SorensonClip, InterFramesDecodeInOrder) {
    auto streams = ReadVideoStreams(std::string(DOVETTA_MOVIE_CORPUS) +
                                    "/from_gnash/misc-ming.all/Video-EmbedSquareTest/test.swf");
    ASSERT_TRUE(streams.count(4));
    const media_test::VideoStream& s = streams[4];
    ASSERT_EQ(s.frames.size(), 11u);
    auto decoder = media::CreateVideoDecoder(s.codec, s.width, s.height);
    ASSERT_NE(decoder, nullptr);
    media::DecodeOptions options;
    options.deblocking = s.deblocking;
    // The clip is a red square moving right over yellow: each picture holds only
    // those two colours (give or take coding noise) and the square's centre moves on.
    double lastX = -1, firstY = -1;
    for (size_t i = 0; i < s.frames.size(); ++i) {
        const auto r = decoder->Decode(s.frames[i].data(), s.frames[i].size(), options);
        ASSERT_EQ(r, media::DecodeResult::Ok) << "frame " << i << ": " << media::DecodeResultName(r);
        const media::VideoPicture& p = decoder->Picture();
        double sumX = 0, sumY = 0;
        int red = 0, other = 0;
        for (uint32_t y = 0; y < p.height; ++y)
            for (uint32_t x = 0; x < p.width; ++x) {
                const uint32_t v = p.pixels[y * p.width + x];
                const int R = (v >> 16) & 0xFF, G = (v >> 8) & 0xFF, B = v & 0xFF;
                if (R > 200 && G < 60 && B < 60) {
                    ++red;
                    sumX += x;
                    sumY += y;
                } else if (!(R > 200 && G > 200 && B < 60)) {
                    ++other;
                }
            }
        ASSERT_GT(red, 400) << "frame " << i;
        EXPECT_LT(other, static_cast<int>(p.width * p.height) / 50) << "frame " << i;
        const double cx = sumX / red, cy = sumY / red;
        EXPECT_GT(cx, lastX + 5) << "frame " << i;
        if (i == 0)
            firstY = cy;
        EXPECT_NEAR(cy, firstY, 2.0) << "frame " << i;
        lastX = cx;
    }
    EXPECT_EQ(decoder->FramesDecoded(), 11u);
}

}  // namespace
