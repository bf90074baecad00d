#include "payload/AlbumFormat.h"
#include "MemoryAlbum.h"

#include <gtest/gtest.h>

using namespace album;
using testing_album::Bytes;
using testing_album::MemorySink;
using testing_album::MemorySource;

namespace {

// The shipped album's shape, scaled down by 1000: a 512-byte player, a 548-byte installer,
// no extra files, a 3191-byte compressed movie of 800 x 600, version 6.0.79.0, a 14-character title.
struct ScaledExample {
    std::string player = "MZ" + std::string(510, 'p');
    std::string installer = "MZ" + std::string(546, 'i');
    std::string movie = "CWS" + std::string(3188, 'm');
    std::u16string title = u"Autumn Journey";  // 14 characters
};

std::string WriteToString(const AlbumParts& parts) {
    MemorySink sink;
    EXPECT_TRUE(WriteAlbum(parts, sink));
    return sink.bytes;
}

WalkResult WalkBytes(const std::string& bytes) {
    MemorySource source(bytes);
    return Walk(source);
}

// An album body from fields, with the trailer computed; `datasizeDelta` falsifies datasize.
std::string Album(const std::string& player, const Bytes& body, int64_t datasizeDelta = 0) {
    Bytes out;
    out.raw(player).raw(body.str()).u32(uint32_t(int64_t(body.size()) + datasizeDelta)).u32(kSignature);
    return out.str();
}

Bytes SimpleBody(const std::u16string& title = u"T", uint32_t titleUnits = 2) {
    Bytes body;
    body.u32(2)
        .u32(1)
        .u32(2)
        .u32(3)
        .u32(4)
        .raw("MZ")  // installer
        .u32(0)     // no extra files
        .u32(3)
        .u32(10)
        .u32(20)
        .raw("FWS")  // movie
        .text(titleUnits, title);
    return body;
}

}  // namespace

TEST(AlbumWriter, ScaledWorkedExampleIsByteExact) {
    ScaledExample ex;
    MemorySource player(ex.player), installer(ex.installer), movie(ex.movie);
    AlbumParts parts;
    parts.player = &player;
    parts.installer = &installer;
    parts.required = {6, 0, 79, 0};
    parts.movie = &movie;
    parts.width = 800;
    parts.height = 600;
    parts.title = ex.title;

    Bytes expected;
    expected.raw(ex.player)
        .u32(548)
        .u32(6)
        .u32(0)
        .u32(79)
        .u32(0)
        .raw(ex.installer)
        .u32(0)
        .u32(3191)
        .u32(800)
        .u32(600)
        .raw(ex.movie)
        .u32(15)
        .utf16(ex.title + u'\0')
        .u32(3809)
        .raw("\xE8\x2D\x86\x32");
    const std::string written = WriteToString(parts);
    EXPECT_EQ(written, expected.str());
    EXPECT_EQ(AppendedSize(parts), written.size() - ex.player.size());
    // 4 + 16 + 548 + 4 + 4 + 4 + 4 + 3191 + 4 + 30
    EXPECT_EQ(ReadU32(reinterpret_cast<const unsigned char*>(written.data()) + written.size() - 8), 3809u);
}

TEST(AlbumWalk, FindsEveryFieldOfTheScaledExample) {
    ScaledExample ex;
    MemorySource player(ex.player), installer(ex.installer), movie(ex.movie);
    AlbumParts parts{&player, &installer, {6, 0, 79, 0}, {}, &movie, 800, 600, ex.title};
    const WalkResult walk = WalkBytes(WriteToString(parts));

    ASSERT_EQ(walk.status, WalkStatus::Ok) << walk.field << " " << walk.problem;
    const Layout& l = walk.layout;
    EXPECT_EQ(l.fileSize, 512u + 3809u + 8u);
    EXPECT_EQ(l.datasize, 3809u);
    EXPECT_EQ(l.bodyOffset, 512u);
    EXPECT_EQ(l.exeSize, 548u);
    EXPECT_EQ(l.required, (Version{6, 0, 79, 0}));
    EXPECT_EQ(l.installer.offset, 532u);
    EXPECT_EQ(l.installer.size, 548u);
    EXPECT_EQ(l.dependencyCount, 0);
    EXPECT_EQ(l.swfSizeOffset, 1084u);
    EXPECT_EQ(l.swfSize, 3191u);
    EXPECT_EQ(l.width, 800);
    EXPECT_EQ(l.height, 600);
    EXPECT_EQ(l.movie.offset, 1096u);
    EXPECT_EQ(l.titleLength, 15u);
    EXPECT_EQ(l.titleOffset, 1096u + 3191u + 4u);
    EXPECT_EQ(l.title, ex.title);
}

TEST(AlbumWalk, RecordsRoundTripWithShortAndLongNamesInEitherOrder) {
    const std::u16string shortName = u"a.png";
    const std::u16string longName = u"a-much-longer-name-for-the-second-file.xml";
    for (bool longFirst : {false, true}) {
        MemorySource player("PL"), installer("MZ"), movie("FWS"), first("one"), second("second file");
        AlbumParts parts;
        parts.player = &player;
        parts.installer = &installer;
        parts.movie = &movie;
        parts.files = {{longFirst ? longName : shortName, &first}, {longFirst ? shortName : longName, &second}};
        MemorySource album(WriteToString(parts));
        const WalkResult walk = Walk(album);
        ASSERT_EQ(walk.status, WalkStatus::Ok);
        ASSERT_EQ(walk.layout.dependencyCount, 2);

        const uint64_t end = walk.layout.fileSize - kTrailerSize;
        auto r1 = ReadDependency(album, walk.layout.dependenciesOffset, end);
        ASSERT_TRUE(r1);
        auto r2 = ReadDependency(album, r1->next(), end);
        ASSERT_TRUE(r2);
        EXPECT_EQ(r1->name, longFirst ? longName : shortName);
        EXPECT_EQ(r2->name, longFirst ? shortName : longName);
        EXPECT_EQ(album.bytes().substr(r1->contents.offset, r1->contents.size), "one");
        EXPECT_EQ(album.bytes().substr(r2->contents.offset, r2->contents.size), "second file");
        EXPECT_EQ(r2->next(), walk.layout.swfSizeOffset);
    }
}

TEST(AlbumWalk, NoAlbumWithoutTheSignature) {
    const std::string cases[] = {"", "MZ", "1234567", "MZ plain program with no block at its end",
                                 std::string("\x00\x00\x00\x00\xE8\x2D\x86\x33", 8)};
    for (const std::string& bytes : cases)
        EXPECT_EQ(WalkBytes(bytes).status, WalkStatus::NoAlbum) << bytes.size();
}

TEST(AlbumWalk, TextsFollowTheStoredLength) {
    struct Case {
        uint32_t stored;
        std::u16string units;
        std::u16string text;
    } cases[] = {
        {0, u"", u""},
        {1, std::u16string(1, u'\0'), u""},
        {15, u"Autumn Journey" + std::u16string(1, u'\0'), u"Autumn Journey"},
        {3, u"abc", u"abc"},                         // no terminating zero: taken whole
        {6, std::u16string(u"ab\0cd\0", 6), u"ab"},  // ends at the first zero
    };
    for (const Case& c : cases) {
        Bytes body = SimpleBody(c.units, c.stored);
        const WalkResult walk = WalkBytes(Album("P", body));
        ASSERT_EQ(walk.status, WalkStatus::Ok) << c.stored;
        EXPECT_EQ(walk.layout.title, c.text) << c.stored;
    }
}

TEST(AlbumWalk, OverlongTitleIsCutAndTheBlockStillEndsRight) {
    const std::u16string title(700, u'x');
    const WalkResult walk = WalkBytes(Album("P", SimpleBody(title, 700)));
    ASSERT_EQ(walk.status, WalkStatus::Ok);
    EXPECT_EQ(walk.layout.title, std::u16string(kMaxTextUnits, u'x'));
    EXPECT_EQ(walk.layout.titleLength, 700u);
}

TEST(AlbumWalk, NegativeOrZeroCountMeansNoRecords) {
    for (uint32_t count : {0u, 0x80000000u, 0xFFFFFFFFu}) {
        Bytes body;
        body.u32(0).u32(0).u32(0).u32(0).u32(0).u32(count).u32(0).u32(1).u32(1).u32(1).utf16(std::u16string(1, u'\0'));
        const WalkResult walk = WalkBytes(Album("P", body));
        ASSERT_EQ(walk.status, WalkStatus::Ok) << count;
        EXPECT_LE(walk.layout.dependencyCount, 0);
        EXPECT_EQ(walk.layout.swfSizeOffset, walk.layout.dependenciesOffset);
    }
}

TEST(AlbumWalk, OverlongNameIsCheckedButNotKept) {
    Bytes body;
    body.u32(0)
        .u32(0)
        .u32(0)
        .u32(0)
        .u32(0)
        .u32(1)
        .text(600, std::u16string(600, u'n'))
        .u32(2)
        .raw("ok")
        .u32(0)
        .u32(1)
        .u32(1)
        .u32(1)
        .utf16(std::u16string(1, u'\0'));
    MemorySource album(Album("P", body));
    const WalkResult walk = Walk(album);
    ASSERT_EQ(walk.status, WalkStatus::Ok);
    auto record = ReadDependency(album, walk.layout.dependenciesOffset, walk.layout.fileSize - 8);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->nameLength, 600u);
    EXPECT_TRUE(record->name.empty());
    EXPECT_EQ(record->contents.size, 2u);
}

// Each damaged block names the first field that breaks the format.
TEST(AlbumWalk, DamagedBlocksNameTheBrokenField) {
    auto header = [](uint32_t exeSize) {
        Bytes b;
        b.u32(exeSize).u32(1).u32(2).u32(3).u32(4);
        return b;
    };
    struct Case {
        const char* what;
        std::string album;
        const char* field;
    };
    Bytes exeTooLong = header(1000);
    exeTooLong.raw("MZ");
    Bytes countMissing = header(2);
    countMissing.raw("MZ");
    Bytes recordPastEnd = header(2);
    recordPastEnd.raw("MZ").u32(1).text(2, std::u16string(u"a\0", 2)).u32(99).raw("xy");
    Bytes nameTooLong = header(2);
    nameTooLong.raw("MZ").u32(1).u32(0x7FFFFFFF);
    Bytes hugeCount = header(0);
    hugeCount.u32(0x7FFFFFFF).text(2, std::u16string(u"a\0", 2)).u32(0);
    Bytes movieTooLong = header(0);
    movieTooLong.u32(0).u32(0xFFFFFFFF).u32(1).u32(1).raw("FWS");
    Bytes titleTooLong = SimpleBody(u"T", 0x7FFFFFFF);
    Bytes versionCut;
    versionCut.u32(0).u32(6);

    const Case cases[] = {
        {"datasize beyond the file", Album("", SimpleBody(), 100), "datasize"},
        {"datasize leaves bytes unaccounted", Album("", Bytes(SimpleBody()).raw("junk")), "datasize"},
        {"version cut", Album("", versionCut), "version"},
        {"installer past the end", Album("PLAYER", exeTooLong), "installer"},
        {"count missing", Album("", countMissing), "dependencyCount"},
        {"record contents past the end", Album("", recordPastEnd), "dependency 1 contents"},
        {"name length past the end", Album("", nameTooLong), "dependency 1 name"},
        {"huge count, one record", Album("", hugeCount), "dependency 2 nameLength"},
        {"movie size past the end", Album("", movieTooLong), "movie"},
        {"title past the end", Album("", titleTooLong), "title"},
    };
    for (const Case& c : cases) {
        const WalkResult walk = WalkBytes(c.album);
        EXPECT_EQ(walk.status, WalkStatus::Broken) << c.what;
        EXPECT_EQ(walk.field, c.field) << c.what << ": " << walk.problem;
        EXPECT_FALSE(walk.problem.empty()) << c.what;
    }
}

TEST(AlbumWalk, EveryTruncationOfAValidAlbumIsRefusedNotMisread) {
    MemorySource player("PLAY"), installer("MZ12"), movie("FWSxyz"), extra("data");
    AlbumParts parts;
    parts.player = &player;
    parts.installer = &installer;
    parts.movie = &movie;
    parts.files = {{u"extra.bin", &extra}};
    parts.title = u"Title";
    const std::string album = WriteToString(parts);
    ASSERT_EQ(WalkBytes(album).status, WalkStatus::Ok);
    // Cutting bytes off the front of the file (the trailer stays) breaks the block's start.
    for (size_t cut = 5; cut < album.size() - 8; ++cut) {
        const WalkResult walk = WalkBytes(album.substr(cut));
        EXPECT_EQ(walk.status, WalkStatus::Broken) << cut;
    }
    // Cutting bytes off the end removes the trailer: no album at all.
    for (size_t keep = 0; keep < album.size(); ++keep)
        EXPECT_NE(WalkBytes(album.substr(0, keep)).status, WalkStatus::Ok) << keep;
}

TEST(AlbumWalk, ReadsOnlyLengthFieldsNotContents) {
    MemorySource player(std::string(1000, 'p')), installer(std::string(5000, 'i')), movie(std::string(9000, 'm'));
    AlbumParts parts;
    parts.player = &player;
    parts.installer = &installer;
    parts.movie = &movie;
    MemorySource album(WriteToString(parts));
    ASSERT_EQ(Walk(album).status, WalkStatus::Ok);
    EXPECT_LT(album.reads, 20);
}

TEST(AlbumWriter, StopsWhenTheSinkFails) {
    MemorySource player("PLAYER"), installer("MZ"), movie(std::string(3 << 20, 'm'));
    AlbumParts parts;
    parts.player = &player;
    parts.installer = &installer;
    parts.movie = &movie;
    MemorySink sink;
    sink.failAfter = 1 << 20;
    EXPECT_FALSE(WriteAlbum(parts, sink));
    EXPECT_LE(sink.bytes.size(), size_t(1) << 20);
}

TEST(AlbumCopy, RefusesRangesOutsideTheSource) {
    MemorySource source("0123456789");
    MemorySink sink;
    EXPECT_TRUE(CopyRange(source, {2, 5}, sink));
    EXPECT_EQ(sink.bytes, "23456");
    EXPECT_FALSE(CopyRange(source, {8, 5}, sink));
    EXPECT_FALSE(CopyRange(source, {11, 0}, sink));
    EXPECT_FALSE(CopyRange(source, {1, UINT64_MAX}, sink));
}
