// The movie writer: the tags it stores, read back with a tag reader written here.
#include "movie/SwfHeader.h"
#include "movie/SwfWriter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

struct Tag {
    uint16_t code;
    Bytes body;
};

std::vector<Tag> ReadTags(const Bytes& plain, size_t offset) {
    std::vector<Tag> tags;
    while (offset + 2 <= plain.size()) {
        const uint16_t codeAndLength = uint16_t(plain[offset] | plain[offset + 1] << 8);
        offset += 2;
        size_t length = codeAndLength & 0x3F;
        if (length == 0x3F) {
            length = size_t(plain[offset]) | size_t(plain[offset + 1]) << 8 | size_t(plain[offset + 2]) << 16 |
                     size_t(plain[offset + 3]) << 24;
            offset += 4;
        }
        EXPECT_LE(offset + length, plain.size());
        tags.push_back({uint16_t(codeAndLength >> 6), Bytes(plain.begin() + offset, plain.begin() + offset + length)});
        offset += length;
        if (tags.back().code == 0)
            break;
    }
    EXPECT_EQ(offset, plain.size()) << "bytes after the End tag";
    return tags;
}

Bytes GetUrlAction(const std::string& url, const std::string& target) {
    const size_t length = url.size() + 1 + target.size() + 1;
    std::string body = "\x83";
    body += char(length & 0xFF);
    body += char(length >> 8);
    body += url + '\0' + target + '\0';
    body += '\0';  // end of actions
    return Bytes(body.begin(), body.end());
}

TEST(SwfWriterTest, StoresBackgroundFramesAndFsCommands) {
    movie::SwfSpecimen specimen;
    specimen.width = 320;
    specimen.height = 240;
    specimen.frameCount = 3;
    specimen.red = 0x12;
    specimen.green = 0x34;
    specimen.blue = 0x56;
    const std::string longArgs(80, 'x');  // a DoAction past 62 bytes takes the long tag header
    specimen.fsCommands = {{0, "fullscreen", "true"}, {2, "quit", ""}, {2, "note", longArgs}, {7, "never", ""}};

    for (bool compressed : {false, true}) {
        SCOPED_TRACE(compressed ? "CWS" : "FWS");
        specimen.compressed = compressed;
        const Bytes file = movie::BuildSwf(specimen);
        std::string error;
        const auto plain = movie::DecompressSwf(file.data(), file.size(), 1 << 20, &error);
        ASSERT_TRUE(plain) << error;
        const auto header = movie::ReadSwfHeader(plain->data(), plain->size());
        ASSERT_TRUE(header);
        EXPECT_EQ(header->fileLength, plain->size());

        const std::vector<Tag> tags = ReadTags(*plain, header->headerLength);
        const std::vector<uint16_t> codes = {9, 12, 1, 1, 12, 12, 1, 0};
        ASSERT_EQ(tags.size(), codes.size());
        for (size_t i = 0; i < codes.size(); ++i)
            EXPECT_EQ(tags[i].code, codes[i]) << "tag " << i;
        EXPECT_EQ(tags[0].body, (Bytes{0x12, 0x34, 0x56}));
        EXPECT_EQ(tags[1].body, GetUrlAction("FSCommand:fullscreen", "true"));
        EXPECT_EQ(tags[4].body, GetUrlAction("FSCommand:quit", ""));
        EXPECT_EQ(tags[5].body, GetUrlAction("FSCommand:note", longArgs));
        EXPECT_TRUE(tags[2].body.empty());
    }
}

TEST(SwfWriterTest, RefusesAStageTheHeaderCannotHold) {
    movie::SwfSpecimen specimen;
    specimen.width = 60000000;  // 1.2e9 twips: needs 32 bits with the sign
    EXPECT_THROW(movie::BuildSwf(specimen), std::invalid_argument);
    specimen.width = 50000000;  // 1e9 twips fits 31 bits
    const auto file = movie::BuildSwf(specimen);
    const auto header = movie::ReadSwfHeader(file.data(), file.size());
    ASSERT_TRUE(header);
    EXPECT_EQ(header->WidthPixels(), 50000000);
}

}  // namespace
