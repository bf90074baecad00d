// Tag and action walking of movie images: well-formed lists, every way a length can lie, and
// the FSCommand calls of the main timeline.
#include "movie/SwfHeader.h"
#include "movie/SwfTags.h"
#include "movie/SwfWriter.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace movie;

namespace {

using Bytes = std::vector<uint8_t>;

void PutU16(Bytes& out, uint32_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}
void PutU32(Bytes& out, uint32_t v) {
    PutU16(out, v & 0xFFFF);
    PutU16(out, v >> 16);
}

// A tag with a short header (bodies under 63 bytes) unless `longHeader`.
Bytes Tag(uint16_t code, const Bytes& body, bool longHeader = false) {
    Bytes out;
    if (!longHeader && body.size() < 0x3F) {
        PutU16(out, uint32_t(code) << 6 | uint32_t(body.size()));
    } else {
        PutU16(out, uint32_t(code) << 6 | 0x3F);
        PutU32(out, uint32_t(body.size()));
    }
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

Bytes Text(const std::string& text) {
    Bytes out(text.begin(), text.end());
    out.push_back(0);
    return out;
}

Bytes GetUrl(const std::string& url, const std::string& target) {
    const Bytes payload = Join({Text(url), Text(target)});
    Bytes out{kActionGetUrl};
    PutU16(out, uint32_t(payload.size()));
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

Bytes DoAction(std::initializer_list<Bytes> actions) {
    Bytes body = Join(actions);
    body.push_back(kActionEnd);
    return Tag(kTagDoAction, body);
}

const Bytes kShowFrame = Tag(kTagShowFrame, {});
const Bytes kEnd = {0, 0};

std::vector<SwfTag> WalkAll(const Bytes& bytes, size_t offset, TagWalkEnd& end) {
    TagCursor cursor(bytes.data(), bytes.size(), offset);
    std::vector<SwfTag> tags;
    while (auto tag = cursor.Next())
        tags.push_back(*tag);
    end = cursor.End();
    EXPECT_FALSE(cursor.Next());  // stays ended
    return tags;
}

// --- Tag cursor ---------------------------------------------------------------------------------

TEST(TagCursor, WalksShortAndLongHeadersToTheEndTag) {
    const Bytes body100(100, 0xAB);
    const Bytes bytes = Join({Tag(9, {1, 2, 3}), Tag(12, body100), Tag(2, {7}, true), kShowFrame, kEnd, Tag(1, {})});
    TagWalkEnd end{};
    const std::vector<SwfTag> tags = WalkAll(bytes, 0, end);
    EXPECT_EQ(end, TagWalkEnd::EndTag);
    ASSERT_EQ(tags.size(), 4u);
    EXPECT_EQ(tags[0].code, 9);
    EXPECT_EQ(tags[0].offset, 0u);
    EXPECT_EQ(tags[0].bodyOffset, 2u);
    EXPECT_EQ(tags[0].length, 3u);
    EXPECT_EQ(tags[1].code, 12);
    EXPECT_EQ(tags[1].bodyOffset, 5u + 6u);
    EXPECT_EQ(tags[1].length, 100u);
    EXPECT_EQ(tags[2].code, 2);  // a long header for a one-byte body is still one byte
    EXPECT_EQ(tags[2].length, 1u);
    EXPECT_EQ(bytes[tags[2].bodyOffset], 7);
    EXPECT_EQ(tags[3].code, kTagShowFrame);
    EXPECT_EQ(tags[3].length, 0u);
}

TEST(TagCursor, StartsAtTheGivenOffset) {
    const Bytes bytes = Join({Bytes{0xEE, 0xEE, 0xEE}, kShowFrame, kEnd});
    TagWalkEnd end{};
    const std::vector<SwfTag> tags = WalkAll(bytes, 3, end);
    ASSERT_EQ(tags.size(), 1u);
    EXPECT_EQ(tags[0].offset, 3u);
    EXPECT_EQ(end, TagWalkEnd::EndTag);
}

struct EndCase {
    const char* name;
    Bytes bytes;
    size_t offset;
    size_t tagsBefore;
    TagWalkEnd end;
};

void PrintTo(const EndCase& c, std::ostream* out) {
    *out << c.name;
}

class TagCursorEndTest : public testing::TestWithParam<EndCase> {};

TEST_P(TagCursorEndTest, EndsCleanlyAndSaysWhy) {
    const EndCase& c = GetParam();
    TagWalkEnd end{};
    const std::vector<SwfTag> tags = WalkAll(c.bytes, c.offset, end);
    EXPECT_EQ(tags.size(), c.tagsBefore);
    EXPECT_EQ(end, c.end);
    for (const SwfTag& tag : tags)
        EXPECT_LE(tag.bodyOffset + tag.length, c.bytes.size());
}

Bytes WithLongLength(uint32_t length, size_t bodyPresent) {
    Bytes out;
    PutU16(out, uint32_t(kTagDoAction) << 6 | 0x3F);
    PutU32(out, length);
    out.resize(out.size() + bodyPresent, 0);
    return out;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TagCursorEndTest,
    testing::Values(
        EndCase{"Empty", {}, 0, 0, TagWalkEnd::EndOfData},
        EndCase{"NoEndTag", Join({kShowFrame, kShowFrame}), 0, 2, TagWalkEnd::EndOfData},
        EndCase{"EndTagWithLongHeader", Join({kShowFrame, Tag(0, {}, true)}), 0, 1, TagWalkEnd::EndTag},
        EndCase{"OneByteLeft", Join({kShowFrame, Bytes{0x40}}), 0, 1, TagWalkEnd::Truncated},
        EndCase{"LongHeaderCut", Join({kShowFrame, Bytes{0x3F, 0x03, 0x10, 0x00}}), 0, 1, TagWalkEnd::Truncated},
        EndCase{"ShortBodyPastEnd", Join({kShowFrame, Bytes{0x05, 0x03, 1, 2}}), 0, 1, TagWalkEnd::Truncated},
        EndCase{"LongBodyPastEnd", Join({kShowFrame, WithLongLength(1000, 999)}), 0, 1, TagWalkEnd::Truncated},
        EndCase{"HugeLength", Join({kShowFrame, WithLongLength(0xFFFFFFFF, 16)}), 0, 1, TagWalkEnd::Truncated},
        EndCase{"HugeLengthNearTop", WithLongLength(0xFFFFFFFA, 0), 0, 0, TagWalkEnd::Truncated},
        EndCase{"LongBodyExactlyFits", WithLongLength(40, 40), 0, 1, TagWalkEnd::EndOfData},
        EndCase{"OffsetPastTheEnd", Join({kShowFrame}), 3, 0, TagWalkEnd::Truncated},
        EndCase{"OffsetAtTheEnd", Join({kShowFrame}), 2, 0, TagWalkEnd::EndOfData}),
    [](const testing::TestParamInfo<EndCase>& info) { return std::string(info.param.name); });

TEST(TagCursor, TruncationReportsWhereTheBrokenTagStarts) {
    const Bytes bytes = Join({kShowFrame, kShowFrame, WithLongLength(500, 3)});
    TagCursor cursor(bytes.data(), bytes.size(), 0);
    while (cursor.Next()) {
    }
    EXPECT_EQ(cursor.End(), TagWalkEnd::Truncated);
    EXPECT_EQ(cursor.Position(), 4u);
}

// --- Actions ------------------------------------------------------------------------------------

ActionScan Scan(const Bytes& body) {
    return ScanActions(body.data(), body.size());
}

TEST(Actions, FindsEveryGetUrlAndSkipsTheRest) {
    Bytes getUrl2{kActionGetUrl2, 0x01, 0x00, 0x40};
    Bytes push{0x96, 0x03, 0x00, 0x00, 'a', 0x00};  // ActionPush of a string
    Bytes play{0x06};                               // no payload
    const Bytes body = Join({play, GetUrl("FSCommand:one", "1"), getUrl2, push, GetUrl("http://x/", "_blank"),
                             Bytes{kActionEnd}, GetUrl("FSCommand:after-end", "")});
    const ActionScan scan = Scan(body);
    EXPECT_FALSE(scan.truncated);
    ASSERT_EQ(scan.getUrls.size(), 2u);
    EXPECT_EQ(scan.getUrls[0].url, "FSCommand:one");
    EXPECT_EQ(scan.getUrls[0].target, "1");
    EXPECT_EQ(scan.getUrls[1].url, "http://x/");
    EXPECT_EQ(scan.getUrls[1].target, "_blank");
}

TEST(Actions, EmptyBodyAndBodyWithoutEndAreFine) {
    EXPECT_TRUE(Scan({}).getUrls.empty());
    EXPECT_FALSE(Scan({}).truncated);
    const ActionScan scan = Scan(GetUrl("FSCommand:x", "y"));  // no ActionEnd
    EXPECT_FALSE(scan.truncated);
    EXPECT_EQ(scan.getUrls.size(), 1u);
}

TEST(Actions, LyingLengthsAndMissingTerminatorsAreCaught) {
    struct Case {
        const char* name;
        Bytes body;
        size_t found;
    };
    Bytes noTargetNul{kActionGetUrl, 0x04, 0x00, 'a', 0x00, 'b', 'c'};
    Bytes noUrlNul{kActionGetUrl, 0x02, 0x00, 'a', 'b'};
    const Case cases[] = {
        {"length byte cut", {kActionGetUrl, 0x05}, 0},
        {"payload past body", {kActionGetUrl, 0xFF, 0xFF, 'a', 0, 'b', 0}, 0},
        {"target without NUL", noTargetNul, 0},
        {"url without NUL", noUrlNul, 0},
        // A broken GetURL inside its own record does not hide the next one.
        {"broken then good", Join({noUrlNul, GetUrl("FSCommand:ok", "")}), 1},
        {"good then cut", Join({GetUrl("FSCommand:ok", ""), Bytes{0x96, 0x10}}), 1},
    };
    for (const Case& c : cases) {
        const ActionScan scan = Scan(c.body);
        EXPECT_TRUE(scan.truncated) << c.name;
        EXPECT_EQ(scan.getUrls.size(), c.found) << c.name;
    }
}

TEST(Actions, FsCommandIsAGetUrlWithTheFsCommandPrefix) {
    const std::pair<GetUrlAction, std::optional<FsCommand>> cases[] = {
        {{"FSCommand:quit", "true"}, FsCommand{"quit", "true"}},
        {{"fscommand:Quit", ""}, FsCommand{"Quit", ""}},
        {{"FSCOMMAND:fullscreen", "false"}, FsCommand{"fullscreen", "false"}},
        {{"FSCommand:", "x"}, FsCommand{"", "x"}},
        {{"FSCommand:a:b", "c"}, FsCommand{"a:b", "c"}},
        {{"FSCommand", "x"}, std::nullopt},
        {{"FSCommand quit", "x"}, std::nullopt},
        {{" FSCommand:quit", "x"}, std::nullopt},
        {{"http://example.com/", "_self"}, std::nullopt},
        {{"", ""}, std::nullopt},
    };
    for (const auto& [action, expected] : cases) {
        const auto call = FsCommandFromGetUrl(action);
        ASSERT_EQ(call.has_value(), expected.has_value()) << action.url;
        if (call) {
            EXPECT_EQ(call->command, expected->command);
            EXPECT_EQ(call->args, expected->args);
        }
    }
}

// --- Timeline -----------------------------------------------------------------------------------

TimelineScan ScanTags(const Bytes& tags) {
    return ScanTimeline(tags.data(), tags.size(), 0);
}

TEST(Timeline, CommandsBelongToTheFrameTheirDoActionPrecedes) {
    const Bytes tags =
        Join({Tag(kTagSetBackgroundColor, {0x10, 0x20, 0x30}), DoAction({GetUrl("FSCommand:a", "1")}), kShowFrame,
              kShowFrame, DoAction({GetUrl("FSCommand:b", "2"), GetUrl("http://no", ""), GetUrl("FSCommand:c", "3")}),
              kShowFrame, DoAction({GetUrl("FSCommand:late", "")}), kEnd});
    const TimelineScan scan = ScanTags(tags);
    EXPECT_EQ(scan.end, TagWalkEnd::EndTag);
    EXPECT_EQ(scan.frameCount, 3u);
    EXPECT_EQ(scan.background, (Rgb{0x10, 0x20, 0x30}));
    EXPECT_FALSE(scan.actionsTruncated);
    ASSERT_EQ(scan.commands.size(), 4u);
    const std::tuple<uint32_t, std::string, std::string> expected[] = {
        {0, "a", "1"}, {2, "b", "2"}, {2, "c", "3"}, {3, "late", ""}};  // after the last frame: frame 3
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(scan.commands[i].frame, std::get<0>(expected[i]));
        EXPECT_EQ(scan.commands[i].call.command, std::get<1>(expected[i]));
        EXPECT_EQ(scan.commands[i].call.args, std::get<2>(expected[i]));
    }
}

TEST(Timeline, SpritesAreNotPartOfTheMainTimeline) {
    // DefineSprite (39): sprite id, frame count, then its own tags.
    const Bytes spriteTags = Join({DoAction({GetUrl("FSCommand:inner", "")}), kShowFrame, kShowFrame, kEnd});
    const Bytes sprite = Tag(39, Join({Bytes{0x01, 0x00, 0x02, 0x00}, spriteTags}));
    const TimelineScan scan = ScanTags(Join({sprite, kShowFrame, kEnd}));
    EXPECT_EQ(scan.frameCount, 1u);
    EXPECT_TRUE(scan.commands.empty());
}

TEST(Timeline, FirstWholeBackgroundCounts) {
    const TimelineScan shortOnly = ScanTags(Join({Tag(kTagSetBackgroundColor, {1, 2}), kShowFrame, kEnd}));
    EXPECT_FALSE(shortOnly.background);
    const TimelineScan two = ScanTags(Join({Tag(kTagSetBackgroundColor, {1, 2}), Tag(kTagSetBackgroundColor, {4, 5, 6}),
                                            Tag(kTagSetBackgroundColor, {7, 8, 9}), kEnd}));
    EXPECT_EQ(two.background, (Rgb{4, 5, 6}));
}

TEST(Timeline, TruncatedListKeepsWhatCameBefore) {
    const Bytes tags =
        Join({DoAction({GetUrl("FSCommand:kept", "")}), kShowFrame, kShowFrame, WithLongLength(0xFFFFFFF0, 8)});
    const TimelineScan scan = ScanTags(tags);
    EXPECT_EQ(scan.end, TagWalkEnd::Truncated);
    EXPECT_EQ(scan.brokenAt, tags.size() - 14);
    EXPECT_EQ(scan.frameCount, 2u);
    ASSERT_EQ(scan.commands.size(), 1u);
    EXPECT_EQ(scan.commands[0].call.command, "kept");
}

TEST(Timeline, BrokenActionsAreFlagged) {
    Bytes broken{kActionGetUrl, 0x09, 0x00, 'F', 'S'};
    const TimelineScan scan = ScanTags(Join({Tag(kTagDoAction, broken), kShowFrame, kEnd}));
    EXPECT_TRUE(scan.actionsTruncated);
    EXPECT_TRUE(scan.commands.empty());
    EXPECT_EQ(scan.frameCount, 1u);
}

TEST(Timeline, WrittenMoviesScanAsTheyWereBuilt) {
    for (bool compressed : {false, true}) {
        SwfSpecimen specimen;
        specimen.frameCount = 30;
        specimen.red = 0xAA;
        specimen.green = 0xBB;
        specimen.blue = 0xCC;
        specimen.compressed = compressed;
        specimen.fsCommands = {{0, "begin", "x"}, {29, "last", "y z"}, {12, "middle", ""}};
        const Bytes file = BuildSwf(specimen);
        const auto image = DecompressSwf(file.data(), file.size(), 1 << 20);
        ASSERT_TRUE(image);
        const auto header = ReadSwfHeader(image->data(), image->size());
        ASSERT_TRUE(header);
        const TimelineScan scan = ScanTimeline(image->data(), image->size(), header->headerLength);
        EXPECT_EQ(scan.end, TagWalkEnd::EndTag);
        EXPECT_EQ(scan.frameCount, 30u);
        EXPECT_EQ(scan.background, (Rgb{0xAA, 0xBB, 0xCC}));
        ASSERT_EQ(scan.commands.size(), 3u);
        EXPECT_EQ(scan.commands[0].frame, 0u);
        EXPECT_EQ(scan.commands[1].frame, 12u);
        EXPECT_EQ(scan.commands[1].call.command, "middle");
        EXPECT_EQ(scan.commands[2].frame, 29u);
        EXPECT_EQ(scan.commands[2].call.args, "y z");
    }
}

TEST(Timeline, EveryTruncationOfAMovieIsWalkedSafely) {
    SwfSpecimen specimen;
    specimen.frameCount = 4;
    specimen.fsCommands = {{1, "one", "1"}, {3, "three", "3"}};
    const Bytes file = BuildSwf(specimen);
    const auto header = ReadSwfHeader(file.data(), file.size());
    ASSERT_TRUE(header);
    uint32_t previousFrames = 0;
    for (size_t size = header->headerLength; size <= file.size(); ++size) {
        // A copy of exactly `size` bytes, so that a read past it would be caught by sanitizers.
        const Bytes cut(file.begin(), file.begin() + size);
        const TimelineScan scan = ScanTimeline(cut.data(), cut.size(), header->headerLength);
        EXPECT_GE(scan.frameCount, previousFrames) << size;
        EXPECT_LE(scan.frameCount, 4u);
        previousFrames = scan.frameCount;
        if (size < file.size()) {
            EXPECT_NE(scan.end, TagWalkEnd::EndTag) << size;
        }
    }
    EXPECT_EQ(previousFrames, 4u);
}

// --- Texts --------------------------------------------------------------------------------------

TEST(Texts, Utf8FromVersion6WithReplacementForMalformedBytes) {
    const std::pair<std::string, std::u16string> cases[] = {
        {"plain", u"plain"},
        {"", u""},
        {"\xC3\xA9t\xC3\xA9", u"\u00E9t\u00E9"},
        {"\xE6\x97\xA5\xE6\x9C\xAC", u"\u65E5\u672C"},
        {"\xF0\x9F\x8E\xAC", u"\U0001F3AC"},
        {"a\x80"
         "b",
         u"a\uFFFDb"},                                      // lone continuation byte
        {"\xC0\x80", u"\uFFFD\uFFFD"},                      // overlong NUL
        {"\xE6\x97", u"\uFFFD\uFFFD"},                      // cut sequence
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},            // surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
        {"\xFF", u"\uFFFD"},
    };
    for (const auto& [bytes, expected] : cases)
        EXPECT_EQ(DecodeSwfText(bytes, 6), expected) << bytes;
}

TEST(Texts, BytesBeforeVersion6AreLatin1) {
    EXPECT_EQ(DecodeSwfText("caf\xE9", 5), u"caf\u00E9");
    EXPECT_EQ(DecodeSwfText("\xC3\xA9", 4), u"\u00C3\u00A9");
}

}  // namespace
