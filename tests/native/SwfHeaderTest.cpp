// The movie header reader and decompression: plain and zlib movies, prefixes, truncation,
// wrong signatures, LZMA, the widest stage rectangle, damaged data, size limits.
#include "movie/SwfHeader.h"
#include "movie/SwfWriter.h"

#include <gtest/gtest.h>

#include <zlib.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

movie::SwfSpecimen Specimen(bool compressed) {
    movie::SwfSpecimen specimen;
    specimen.version = 8;
    specimen.width = 800;
    specimen.height = 600;
    specimen.frameRate = 29.97;
    specimen.frameCount = 3;
    specimen.compressed = compressed;
    specimen.fsCommands = {{1, "quit", ""}};
    return specimen;
}

// Fields packed most significant bit first, written here independently of the movie writer.
Bytes Rect(unsigned bits, std::initializer_list<int64_t> values) {
    Bytes out;
    unsigned used = 0;
    auto put = [&](uint64_t value, unsigned count) {
        for (unsigned i = count; i-- > 0;) {
            if (used % 8 == 0)
                out.push_back(0);
            out.back() |= uint8_t(((value >> i) & 1u) << (7 - used % 8));
            ++used;
        }
    };
    put(bits, 5);
    for (int64_t value : values)
        put(uint64_t(value), bits);
    return out;
}

// A plain movie with the given rectangle bytes, 24 fps, 7 frames and an End tag.
Bytes PlainMovie(const Bytes& rect, uint8_t version = 10) {
    Bytes body = rect;
    body.insert(body.end(), {0x00, 0x18, 0x07, 0x00, 0x00, 0x00});
    Bytes file{'F', 'W', 'S', version};
    const uint32_t length = uint32_t(8 + body.size());
    for (int i = 0; i < 4; ++i)
        file.push_back(uint8_t(length >> (8 * i)));
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

Bytes Compressed(const Bytes& plain) {
    Bytes body(plain.begin() + 8, plain.end());
    uLongf length = compressBound(uLong(body.size()));
    Bytes packed(length);
    EXPECT_EQ(compress(packed.data(), &length, body.data(), uLong(body.size())), Z_OK);
    Bytes file(plain.begin(), plain.begin() + 8);
    file[0] = 'C';
    file.insert(file.end(), packed.begin(), packed.begin() + length);
    return file;
}

void SetFileLength(Bytes& file, uint32_t length) {
    for (int i = 0; i < 4; ++i)
        file[4 + i] = uint8_t(length >> (8 * i));
}

TEST(SwfHeaderTest, ReadsPlainAndCompressedHeaders) {
    for (bool compressed : {false, true}) {
        SCOPED_TRACE(compressed ? "CWS" : "FWS");
        const Bytes file = movie::BuildSwf(Specimen(compressed));
        std::string error;
        const auto header = movie::ReadSwfHeader(file.data(), file.size(), &error);
        ASSERT_TRUE(header) << error;
        EXPECT_EQ(header->signature, compressed ? 'C' : 'F');
        EXPECT_EQ(header->version, 8);
        EXPECT_EQ(header->xMin, 0);
        EXPECT_EQ(header->xMax, 16000);
        EXPECT_EQ(header->yMin, 0);
        EXPECT_EQ(header->yMax, 12000);
        EXPECT_EQ(header->WidthPixels(), 800);
        EXPECT_EQ(header->HeightPixels(), 600);
        EXPECT_EQ(header->frameRate, 7672);  // 29.97 x 256, rounded
        EXPECT_NEAR(header->FramesPerSecond(), 29.97, 0.002);
        EXPECT_EQ(header->frameCount, 3);
        // 16000 needs 15 bits plus sign: 5 + 4 x 16 = 69 bits = 9 bytes of RECT.
        EXPECT_EQ(header->headerLength, 8u + 9 + 4);
        if (!compressed) {
            EXPECT_EQ(header->fileLength, file.size());
        }
    }
}

TEST(SwfHeaderTest, CompressedHeaderNeedsOnlyAPrefix) {
    movie::SwfSpecimen specimen = Specimen(true);
    specimen.frameCount = 2000;
    uint32_t seed = 12345;
    for (uint16_t frame = 0; frame < 2000; frame += 3) {
        std::string args;
        for (int i = 0; i < 24; ++i)
            args.push_back(char('a' + (seed = seed * 1103515245 + 12345) % 26));
        specimen.fsCommands.push_back({frame, "note", args});
    }
    const Bytes file = movie::BuildSwf(specimen);
    ASSERT_GT(file.size(), 8000u);
    std::string error;
    const auto header = movie::ReadSwfHeader(file.data(), 512, &error);
    ASSERT_TRUE(header) << error;
    EXPECT_EQ(header->frameCount, 2000);
    EXPECT_EQ(header->WidthPixels(), 800);
}

TEST(SwfHeaderTest, WidestRectangleIsSignExtended) {
    const int64_t low = -(int64_t(1) << 30), high = (int64_t(1) << 30) - 1;
    const Bytes file = PlainMovie(Rect(31, {low, high, 0, -1}));
    std::string error;
    const auto header = movie::ReadSwfHeader(file.data(), file.size(), &error);
    ASSERT_TRUE(header) << error;
    EXPECT_EQ(header->xMin, low);
    EXPECT_EQ(header->xMax, high);
    EXPECT_EQ(header->yMin, 0);
    EXPECT_EQ(header->yMax, -1);
    EXPECT_EQ(header->headerLength, 8u + 17 + 4);
    EXPECT_EQ(header->WidthPixels(), int32_t((high - low) / 20));
    EXPECT_EQ(header->frameRate, 0x1800);
    EXPECT_EQ(header->frameCount, 7);

    const Bytes empty = PlainMovie(Rect(0, {}));
    const auto zero = movie::ReadSwfHeader(empty.data(), empty.size(), &error);
    ASSERT_TRUE(zero) << error;
    EXPECT_EQ(zero->WidthPixels(), 0);
    EXPECT_EQ(zero->headerLength, 8u + 1 + 4);
}

TEST(SwfHeaderTest, EveryTruncationIsRefusedWithAReason) {
    for (bool compressed : {false, true}) {
        SCOPED_TRACE(compressed ? "CWS" : "FWS");
        const Bytes wide = PlainMovie(Rect(31, {-5, 5, -5, 5}));
        const Bytes file = compressed ? Compressed(wide) : wide;
        const size_t needed = compressed ? 8 : 8 + 17 + 4;
        for (size_t size = 0; size < needed; ++size) {
            std::string error;
            // A copy of exactly `size` bytes, so that a read past it is caught by sanitizers.
            const Bytes prefix(file.begin(), file.begin() + size);
            EXPECT_FALSE(movie::ReadSwfHeader(prefix.data(), prefix.size(), &error)) << size;
            EXPECT_FALSE(error.empty()) << size;
        }
        const auto full = movie::ReadSwfHeader(file.data(), file.size());
        ASSERT_TRUE(full);
        for (size_t size = needed; size < file.size(); ++size) {
            // Longer prefixes give either the true header or a refusal, never a wrong header.
            const Bytes prefix(file.begin(), file.begin() + size);
            std::string error;
            const auto header = movie::ReadSwfHeader(prefix.data(), prefix.size(), &error);
            if (!header) {
                EXPECT_FALSE(error.empty()) << size;
                continue;
            }
            EXPECT_EQ(header->xMax, full->xMax) << size;
            EXPECT_EQ(header->frameCount, full->frameCount) << size;
            EXPECT_EQ(header->headerLength, full->headerLength) << size;
        }
        for (size_t size = 0; size < file.size(); ++size) {
            const Bytes prefix(file.begin(), file.begin() + size);
            std::string error;
            EXPECT_FALSE(movie::DecompressSwf(prefix.data(), prefix.size(), 1 << 20, &error)) << size;
            EXPECT_FALSE(error.empty()) << size;
        }
    }
}

TEST(SwfHeaderTest, RefusesWrongSignaturesAndLzma) {
    const Bytes good = movie::BuildSwf(Specimen(false));
    for (const char* signature : {"GWS", "FWX", "fws", "CW\0", "\0\0\0", "MZ\x90"}) {
        Bytes file = good;
        std::copy(signature, signature + 3, file.begin());
        std::string error;
        EXPECT_FALSE(movie::ReadSwfHeader(file.data(), file.size(), &error)) << signature;
        EXPECT_NE(error.find("not a Flash movie"), std::string::npos) << error;
        EXPECT_FALSE(movie::DecompressSwf(file.data(), file.size(), 1 << 20));
    }
    Bytes lzma = good;
    lzma[0] = 'Z';
    std::string error;
    EXPECT_FALSE(movie::ReadSwfHeader(lzma.data(), lzma.size(), &error));
    EXPECT_NE(error.find("LZMA"), std::string::npos) << error;
    EXPECT_FALSE(movie::DecompressSwf(lzma.data(), lzma.size(), 1 << 20, &error));
    EXPECT_NE(error.find("not supported"), std::string::npos) << error;
}

TEST(SwfHeaderTest, RefusesAFileLengthShorterThanTheHeader) {
    Bytes file = movie::BuildSwf(Specimen(false));
    SetFileLength(file, 12);
    std::string error;
    EXPECT_FALSE(movie::ReadSwfHeader(file.data(), file.size(), &error));
    EXPECT_NE(error.find("file length"), std::string::npos) << error;
}

TEST(SwfHeaderTest, DecompressGivesThePlainMovie) {
    const Bytes plain = movie::BuildSwf(Specimen(false));
    const Bytes packed = movie::BuildSwf(Specimen(true));
    ASSERT_NE(plain, packed);
    std::string error;
    const auto fromPacked = movie::DecompressSwf(packed.data(), packed.size(), plain.size(), &error);
    ASSERT_TRUE(fromPacked) << error;
    EXPECT_EQ(*fromPacked, plain);
    const auto fromPlain = movie::DecompressSwf(plain.data(), plain.size(), plain.size(), &error);
    ASSERT_TRUE(fromPlain) << error;
    EXPECT_EQ(*fromPlain, plain);
}

TEST(SwfHeaderTest, DecompressRefusesMoreThanTheLimit) {
    for (bool compressed : {false, true}) {
        const Bytes file = movie::BuildSwf(Specimen(compressed));
        const auto header = movie::ReadSwfHeader(file.data(), file.size());
        ASSERT_TRUE(header);
        std::string error;
        EXPECT_FALSE(movie::DecompressSwf(file.data(), file.size(), header->fileLength - 1, &error));
        EXPECT_NE(error.find("limit"), std::string::npos) << error;
    }
    // A header that claims 4 GiB is refused before anything is allocated.
    Bytes huge = movie::BuildSwf(Specimen(true));
    SetFileLength(huge, 0xFFFFFFFFu);
    std::string error;
    EXPECT_FALSE(movie::DecompressSwf(huge.data(), huge.size(), 64u << 20, &error));
    EXPECT_NE(error.find("limit"), std::string::npos) << error;
}

TEST(SwfHeaderTest, DecompressChecksTheStoredLength) {
    const Bytes packed = movie::BuildSwf(Specimen(true));
    const auto header = movie::ReadSwfHeader(packed.data(), packed.size());
    ASSERT_TRUE(header);

    Bytes longer = packed;
    SetFileLength(longer, header->fileLength + 1);
    std::string error;
    EXPECT_FALSE(movie::DecompressSwf(longer.data(), longer.size(), 1 << 20, &error));
    EXPECT_NE(error.find("truncated"), std::string::npos) << error;

    Bytes shorter = packed;
    SetFileLength(shorter, header->fileLength - 1);
    EXPECT_FALSE(movie::DecompressSwf(shorter.data(), shorter.size(), 1 << 20, &error));
    EXPECT_NE(error.find("more than"), std::string::npos) << error;
}

TEST(SwfHeaderTest, DamagedCompressedDataIsRefusedNotTrusted) {
    const Bytes plain = movie::BuildSwf(Specimen(false));
    const Bytes packed = movie::BuildSwf(Specimen(true));
    for (size_t at = 8; at < packed.size(); ++at) {
        for (uint8_t flip : {0x01, 0x80, 0xFF}) {
            Bytes damaged = packed;
            damaged[at] ^= flip;
            const auto result = movie::DecompressSwf(damaged.data(), damaged.size(), 1 << 20);
            // zlib's checksum catches damage to the data; a result must be the true movie.
            if (result) {
                EXPECT_EQ(*result, plain) << "byte " << at;
            }
        }
    }
}

}  // namespace
