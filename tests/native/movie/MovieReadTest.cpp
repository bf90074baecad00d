// Whole movies read from hand-made bytes: the dictionary, the timeline's control tags, broken
// and cut-short tags, and the bitmap formats.
#include "MovieBytes.h"
#include "movie/Bitmap.h"
#include "movie/Movie.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <variant>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#if defined(__GNUC__)
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#endif
#include <stb_image_write.h>

namespace {

using namespace moviebytes;

Bytes SampleMovie() {
    return Movie({
        Background(1, 2, 3),
        RectShape(1, {{0, 0, 200, 200, 255, 0, 0}}),
        DefineSprite(2, 2, {Place(1, 1), ShowFrame(), Remove(1), ShowFrame()}),
        Place(1, 1, 20, 40, "box"),
        Label("start"),
        DoAction(ActionStop()),
        ShowFrame(),
        Place(2, 2, 0, 0, "clip", 5),
        Label("second"),
        ShowFrame(),
        Remove(1),
        ShowFrame(),
    });
}

TEST(ReadMovie, DictionaryAndTimeline) {
    const Bytes file = SampleMovie();
    std::string error;
    const auto m = movie::ReadMovie(file.data(), file.size(), &error);
    ASSERT_TRUE(m) << error;
    EXPECT_EQ(m->brokenTags, 0u);
    ASSERT_TRUE(m->background);
    EXPECT_EQ(*m->background, (movie::Rgba{1, 2, 3, 255}));
    EXPECT_TRUE(std::holds_alternative<std::shared_ptr<const movie::ShapeDef>>(m->dictionary.at(1)));
    const auto& sprite = std::get<std::shared_ptr<const movie::SpriteDef>>(m->dictionary.at(2));
    ASSERT_EQ(sprite->timeline.frames.size(), 2u);
    EXPECT_EQ(sprite->timeline.frames[1].ops[0].kind, movie::DisplayOp::Kind::Remove);

    ASSERT_EQ(m->root.frames.size(), 3u);
    const movie::Frame& f0 = m->root.frames[0];
    ASSERT_EQ(f0.ops.size(), 1u);
    const movie::PlaceObjectDef& p = f0.ops[0].place;
    EXPECT_EQ(p.version, 2);
    EXPECT_EQ(p.characterId, 1);
    EXPECT_EQ(p.name, "box");
    ASSERT_TRUE(p.matrix);
    EXPECT_EQ(p.matrix->tx, 20);
    EXPECT_EQ(p.matrix->ty, 40);
    ASSERT_EQ(f0.actions.size(), 1u);
    EXPECT_EQ(f0.actions[0].bytes, (Bytes{0x07, 0x00}));
    EXPECT_EQ(m->root.labels.at("start"), 0u);
    EXPECT_EQ(m->root.labels.at("second"), 1u);
    EXPECT_EQ(m->root.frames[1].ops[0].place.clipDepth, 5);
}

TEST(ReadMovie, BrokenTagIsSkippedAndTheRestPlays) {
    // A PlaceObject2 that says it has a character and a matrix but stops after the depth.
    BitWriter broken;
    broken.U8(0x06);
    broken.U16(3);
    const Bytes file = Movie({RectShape(1, {{0, 0, 20, 20, 9, 9, 9}}), Tag(26, broken.out), Place(2, 1), ShowFrame()});
    const auto m = movie::ReadMovie(file.data(), file.size());
    ASSERT_TRUE(m);
    EXPECT_EQ(m->brokenTags, 1u);
    ASSERT_EQ(m->root.frames.size(), 1u);
    ASSERT_EQ(m->root.frames[0].ops.size(), 1u);
    EXPECT_EQ(m->root.frames[0].ops[0].depth, 2);
}

// Video frames join their stream by frame number, wherever on a timeline they come; frames of a
// stream never defined, and cut-short frame tags, are broken tags.
TEST(ReadMovie, VideoFramesJoinTheirStreamByNumber) {
    BitWriter stream;
    for (uint16_t v : {7, 3, 32, 16})  // id, frames, width, height
        stream.U16(v);
    stream.U8(0x03);  // deblocking 1, smoothing
    stream.U8(2);     // Sorenson H.263
    const auto frame = [](uint16_t streamId, uint16_t number, const Bytes& payload) {
        BitWriter w;
        w.U16(streamId);
        w.U16(number);
        w.Raw(payload);
        return Tag(61, w.out);
    };
    const Bytes file = Movie({Tag(60, stream.out), frame(7, 0, {1, 2}), ShowFrame(),
                              DefineSprite(2, 1, {frame(7, 2, {5}), ShowFrame()}), frame(9, 0, {1}),
                              Tag(61, Bytes{7, 0}), ShowFrame()});
    const auto m = movie::ReadMovie(file.data(), file.size());
    ASSERT_TRUE(m);
    const auto* def = std::get_if<std::shared_ptr<const movie::VideoStreamDef>>(&m->dictionary.at(7));
    ASSERT_TRUE(def);
    const movie::VideoStreamDef& v = **def;
    EXPECT_EQ(v.frameCount, 3);
    EXPECT_EQ(v.width, 32);
    EXPECT_EQ(v.height, 16);
    EXPECT_EQ(v.deblocking, 1);
    EXPECT_TRUE(v.smoothing);
    EXPECT_EQ(v.codec, 2);
    ASSERT_EQ(v.frames.size(), 3u);
    EXPECT_EQ(v.frames[0], (Bytes{1, 2}));
    EXPECT_TRUE(v.frames[1].empty());
    EXPECT_EQ(v.frames[2], (Bytes{5}));
    EXPECT_EQ(m->brokenTags, 2u);
}

// Code for the other virtual machine, flagged or not, marks the movie as one this engine does not
// run; a FileAttributes tag without the flag does not.
TEST(ReadMovie, ActionScript3IsNoticedByItsFlagOrItsCode) {
    struct Case {
        const char* name;
        std::vector<Bytes> tags;
        bool actionScript3;
    };
    const Case cases[] = {
        {"plain", {ShowFrame()}, false},
        {"attributes without the flag", {Tag(69, {0x01, 0, 0, 0}), ShowFrame()}, false},
        {"attributes with the flag", {Tag(69, {0x08, 0, 0, 0}), ShowFrame()}, true},
        {"DoABC", {Tag(82, {1, 0, 0, 0, 0, 0x10, 0}), ShowFrame()}, true},
        {"DoABC without flags", {Tag(72, {0x10, 0, 0x2E, 0}), ShowFrame()}, true},
        {"DoABC after attributes without the flag",
         {Tag(69, {0, 0, 0, 0}), Tag(82, {1, 0, 0, 0, 0}), ShowFrame()},
         true},
    };
    for (const Case& c : cases) {
        const Bytes file = Movie(c.tags, 100, 100, 9);
        const auto m = movie::ReadMovie(file.data(), file.size());
        ASSERT_TRUE(m) << c.name;
        EXPECT_EQ(m->actionScript3, c.actionScript3) << c.name;
    }
}

TEST(ReadMovie, EveryTruncationKeepsWhatCameBefore) {
    const Bytes file = SampleMovie();
    for (size_t cut = 21; cut < file.size(); ++cut) {
        const auto m = movie::ReadMovie(file.data(), cut);
        ASSERT_TRUE(m) << cut;  // the header is whole from 21 bytes on
        EXPECT_GE(m->root.frames.size(), 1u);
        EXPECT_LE(m->root.frames.size(), 3u);
    }
    EXPECT_FALSE(movie::ReadMovie(file.data(), 5));
}

TEST(ReadMovie, BitFlipsNeverBreakTheReader) {
    const Bytes file = SampleMovie();
    size_t readable = 0;
    for (size_t i = 8; i < file.size(); ++i) {
        for (int bit = 0; bit < 8; ++bit) {
            Bytes flipped = file;
            flipped[i] ^= uint8_t(1 << bit);
            const auto m = movie::ReadMovie(flipped.data(), flipped.size());
            if (!m)
                continue;
            ++readable;
            EXPECT_GE(m->root.frames.size(), 1u);
            for (const auto& [id, c] : m->dictionary) {
                if (auto* s = std::get_if<std::shared_ptr<const movie::ShapeDef>>(&c)) {
                    EXPECT_LE((*s)->edges.size(), movie::kMaxEdgesPerShape);
                }
            }
        }
    }
    EXPECT_GT(readable, 0u);
}

TEST(ReadMovie, CompressedMovieReadsLikeThePlainOne) {
    const Bytes plain = SampleMovie();
    uLongf size = compressBound(uLong(plain.size()));
    Bytes packed(8 + size);
    ASSERT_EQ(compress(packed.data() + 8, &size, plain.data() + 8, uLong(plain.size() - 8)), Z_OK);
    packed.resize(8 + size);
    std::copy(plain.begin(), plain.begin() + 8, packed.begin());
    packed[0] = 'C';
    const auto m = movie::ReadMovie(packed.data(), packed.size());
    ASSERT_TRUE(m);
    EXPECT_EQ(m->root.frames.size(), 3u);
    EXPECT_EQ(m->dictionary.size(), 2u);
}

TEST(ReadMovie, PlaceObject3FieldsAndFilterList) {
    BitWriter w;
    w.U8(0x02 | 0x08);                // character, colour transform
    w.U8(0x01 | 0x02 | 0x20 | 0x40);  // filters, blend mode, visible, background
    w.U16(4);
    w.U16(9);
    w.U8(0);  // colour transform with no fields
    w.U8(1);  // one filter: blur 2.5 x 4, 3 passes
    w.U8(1);
    w.U32(0x28000);
    w.U32(0x40000);
    w.U8(3 << 3);
    w.U8(3);  // multiply
    w.U8(0);  // invisible
    w.U8(10);
    w.U8(20);
    w.U8(30);
    w.U8(0x80);
    const auto p = movie::ReadPlaceObject(3, w.out.data(), w.out.size(), 8);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->depth, 4);
    EXPECT_EQ(p->characterId, 9);
    EXPECT_TRUE(p->hasFilters);
    ASSERT_EQ(p->filters.size(), 1u);
    EXPECT_EQ(p->filters[0].kind, movie::FilterKind::Blur);
    EXPECT_EQ(p->filters[0].blurX, 2.5);
    EXPECT_EQ(p->filters[0].blurY, 4.0);
    EXPECT_EQ(p->filters[0].passes, 3);
    EXPECT_EQ(p->blendMode, 3);
    EXPECT_EQ(p->visible, false);
    ASSERT_TRUE(p->background);
    EXPECT_EQ(*p->background, (movie::Rgba{10, 20, 30, 0x80}));
    // The filter list cut short is a broken tag.
    EXPECT_FALSE(movie::ReadPlaceObject(3, w.out.data(), 10, 8));
}

TEST(ReadMovie, ButtonConditionsAndRecords) {
    const Bytes tag = DefineButton2(5, {{0x01, 1, 1}, {0x0E, 2, 2}}, {{0x0008, ActionStop()}, {0x0101, ActionPlay()}});
    const auto b = movie::ReadDefineButton(2, tag.data() + 2, tag.size() - 2);
    ASSERT_TRUE(b);
    ASSERT_EQ(b->records.size(), 2u);
    EXPECT_EQ(b->records[1].states, 0x0E);
    ASSERT_EQ(b->actions.size(), 2u);
    EXPECT_EQ(b->actions[0].conditions, movie::kOverDownToOverUp);
    EXPECT_EQ(b->actions[1].conditions, movie::kIdleToOverUp | movie::kOverDownToIdle);
    EXPECT_EQ(b->actions[1].actions.bytes, (Bytes{0x06, 0x00}));
}

Bytes Deflate(const Bytes& raw) {
    uLongf size = compressBound(uLong(raw.size()));
    Bytes out(size);
    compress(out.data(), &size, raw.data(), uLong(raw.size()));
    out.resize(size);
    return out;
}

TEST(Bitmaps, LosslessPaletteRowsArePaddedToFourBytes) {
    // 3 x 2 palette image: rows of 3 indices padded to 4.
    Bytes raw = {10, 20, 30, 40, 50, 60};  // palette: two RGB entries
    raw.insert(raw.end(), {0, 1, 0, 99, 1, 1, 0, 99});
    BitWriter w;
    w.U16(3);
    w.U8(3);
    w.U16(3);
    w.U16(2);
    w.U8(1);  // two palette entries
    w.Raw(Deflate(raw));
    const auto bmp = movie::ReadBitmapTag(20, w.out.data(), w.out.size(), {});
    ASSERT_TRUE(bmp);
    EXPECT_EQ(bmp->width, 3);
    EXPECT_EQ(bmp->pixels[1], 0xFF28323Cu);
    EXPECT_EQ(bmp->pixels[3], 0xFF28323Cu);
    EXPECT_EQ(bmp->pixels[5], 0xFF0A141Eu);
}

TEST(Bitmaps, LosslessTwoKeepsPremultipliedArgbWithinAlpha) {
    Bytes raw = {0x80, 0x40, 0x20, 0x10, 0x10, 0xFF, 0x00, 0x00};  // ARGB; the second's red exceeds alpha
    BitWriter w;
    w.U16(1);
    w.U8(5);
    w.U16(2);
    w.U16(1);
    w.Raw(Deflate(raw));
    const auto bmp = movie::ReadBitmapTag(36, w.out.data(), w.out.size(), {});
    ASSERT_TRUE(bmp);
    EXPECT_EQ(bmp->pixels[0], 0x80402010u);
    EXPECT_EQ(bmp->pixels[1], 0x10100000u);
}

TEST(Bitmaps, FifteenBitColoursWidenToEight) {
    Bytes raw = {0x7C, 0x00, 0x00, 0x1F, 0x00, 0x00};  // red, blue; row padded to 4 bytes per 1 px? 2 px = 4 bytes
    raw.resize(4);
    BitWriter w;
    w.U16(1);
    w.U8(4);
    w.U16(2);
    w.U16(1);
    w.Raw(Deflate(raw));
    const auto bmp = movie::ReadBitmapTag(20, w.out.data(), w.out.size(), {});
    ASSERT_TRUE(bmp);
    EXPECT_EQ(bmp->pixels[0], 0xFFFF0000u);
    EXPECT_EQ(bmp->pixels[1], 0xFF0000FFu);
}

TEST(Bitmaps, DimensionsBeyondTheLimitAreRefusedBeforeDecoding) {
    BitWriter w;
    w.U16(1);
    w.U8(5);
    w.U16(60000);
    w.U16(60000);
    w.Raw(Deflate(Bytes(16, 0)));
    EXPECT_FALSE(movie::ReadBitmapTag(20, w.out.data(), w.out.size(), {}));
}

TEST(Bitmaps, ShortPixelDataIsAnError) {
    BitWriter w;
    w.U16(1);
    w.U8(5);
    w.U16(4);
    w.U16(4);
    w.Raw(Deflate(Bytes(20, 0)));  // 64 needed
    EXPECT_FALSE(movie::ReadBitmapTag(20, w.out.data(), w.out.size(), {}));
}

TEST(Bitmaps, InflateStopsAtItsLimit) {
    const Bytes big = Deflate(Bytes(1 << 20, 7));
    const auto out = movie::Inflate(big.data(), big.size(), 1000);
    ASSERT_TRUE(out);
    EXPECT_EQ(out->size(), 1000u);
}

}  // namespace

namespace jpegtest {

void Append(void* context, void* data, int size) {
    auto* out = static_cast<moviebytes::Bytes*>(context);
    out->insert(out->end(), static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
}

// A flat grey image as JPEG or PNG bytes.
moviebytes::Bytes Encode(bool png, int w, int h, uint8_t grey) {
    std::vector<uint8_t> rgb(size_t(w) * h * 3, grey);
    moviebytes::Bytes out;
    if (png)
        stbi_write_png_to_func(Append, &out, w, h, 3, rgb.data(), w * 3);
    else
        stbi_write_jpg_to_func(Append, &out, w, h, 3, rgb.data(), 95);
    return out;
}

TEST(Bitmaps, JpegThreeTakesItsSeparateAlphaPremultiplied) {
    const moviebytes::Bytes jpeg = Encode(false, 4, 2, 200);
    const moviebytes::Bytes alpha = Deflate({255, 128, 0, 255, 255, 255, 255, 64});
    moviebytes::BitWriter w;
    w.U16(9);
    w.U32(uint32_t(jpeg.size() + 4));
    // The stray end and start markers some writers put first.
    w.Raw({0xFF, 0xD9, 0xFF, 0xD8});
    w.Raw(jpeg);
    w.Raw(alpha);
    const auto bmp = movie::ReadBitmapTag(35, w.out.data(), w.out.size(), {});
    ASSERT_TRUE(bmp);
    EXPECT_EQ(bmp->id, 9);
    ASSERT_EQ(bmp->pixels.size(), 8u);
    EXPECT_EQ(bmp->pixels[0] >> 24, 255u);
    EXPECT_NEAR(int(bmp->pixels[0] & 0xFF), 200, 3);
    EXPECT_EQ(bmp->pixels[1] >> 24, 128u);
    EXPECT_NEAR(int(bmp->pixels[1] & 0xFF), 100, 3);  // premultiplied
    EXPECT_EQ(bmp->pixels[2], 0u);
}

TEST(Bitmaps, PngInsideJpegTwoAndJpegWithTables) {
    const moviebytes::Bytes png = Encode(true, 3, 3, 50);
    moviebytes::BitWriter w;
    w.U16(4);
    w.Raw(png);
    const auto fromPng = movie::ReadBitmapTag(21, w.out.data(), w.out.size(), {});
    ASSERT_TRUE(fromPng);
    EXPECT_EQ(fromPng->width, 3);
    EXPECT_EQ(fromPng->pixels[4], 0xFF323232u);

    // DefineBits: the tables in their own tag (here the whole stream's head up to its first
    // frame header), the rest in the image tag after a start marker of its own.
    const moviebytes::Bytes jpeg = Encode(false, 8, 8, 90);
    size_t sof = 2;
    while (sof + 4 < jpeg.size() && !(jpeg[sof] == 0xFF && jpeg[sof + 1] == 0xC0))
        sof += 2 + (jpeg[sof + 2] << 8 | jpeg[sof + 3]);
    ASSERT_LT(sof + 4, jpeg.size());
    moviebytes::Bytes tables(jpeg.begin(), jpeg.begin() + long(sof));
    tables.insert(tables.end(), {0xFF, 0xD9});
    moviebytes::BitWriter img;
    img.U16(5);
    img.Raw({0xFF, 0xD8});
    img.Raw(moviebytes::Bytes(jpeg.begin() + long(sof), jpeg.end()));
    const auto withTables = movie::ReadBitmapTag(6, img.out.data(), img.out.size(), tables);
    ASSERT_TRUE(withTables);
    EXPECT_EQ(withTables->width, 8);
    EXPECT_NEAR(int(withTables->pixels[10] & 0xFF), 90, 3);
}

}  // namespace jpegtest

TEST(ReadMovie, ClipActionRecordsKeepOnlyTheEventsTheAllEventsWordLists) {
    struct Case {
        uint32_t allEvents;
        uint32_t recordEvents;
        uint32_t kept;
    };
    const Case cases[] = {
        {0x40202, 0x40200, 0x40200},  // listed: kept whole
        {0x00200, 0x40200, 0x00200},  // construct not listed: initialize only
        {0x00000, 0x00002, 0x00000},  // nothing listed: the record runs for nothing
    };
    for (const Case& c : cases) {
        BitWriter w;
        w.U8(0x80 | 0x02);  // clip actions, character
        w.U16(1);
        w.U16(7);
        w.U16(0);  // reserved
        w.U32(c.allEvents);
        w.U32(c.recordEvents);
        w.U32(1);
        w.U8(0);  // the record's actions: End
        w.U32(0);
        const auto p = movie::ReadPlaceObject(2, w.out.data(), w.out.size(), 8);
        ASSERT_TRUE(p);
        ASSERT_EQ(p->clipActions.size(), 1u);
        EXPECT_EQ(p->clipActions[0].events, c.kept) << std::hex << c.allEvents;
    }
}

namespace {

// A sprite whose tag list may lack its End tag.
Bytes SpriteTag(uint16_t id, const std::vector<Bytes>& tags, bool endTag) {
    BitWriter w;
    w.U16(id);
    w.U16(1);
    for (const Bytes& t : tags)
        w.Raw(t);
    if (endTag)
        w.Raw(Tag(0, {}));
    return Tag(39, w.out);
}

}  // namespace

TEST(ReadMovie, ASpriteLoopsOnlyWhenItsListEndsWithAShowFrameAndAnEndTag) {
    struct Case {
        const char* what;
        std::vector<Bytes> tags;
        bool endTag;
        size_t frames;
        bool loops;
    };
    const Bytes act = DoAction(ActionStop());
    const std::vector<Case> cases = {
        {"two frames and an End tag", {act, ShowFrame(), act, ShowFrame()}, true, 2, true},
        {"tags after the last ShowFrame make a frame that does not loop", {act, ShowFrame(), act}, true, 2, false},
        {"no End tag: the list may go on, so it does not loop", {act, ShowFrame(), act, ShowFrame()}, false, 2, false},
    };
    for (const Case& c : cases) {
        const Bytes file = Movie({SpriteTag(2, c.tags, c.endTag), ShowFrame()});
        auto m = movie::ReadMovie(file.data(), file.size());
        ASSERT_TRUE(m) << c.what;
        auto it = m->dictionary.find(2);
        ASSERT_NE(it, m->dictionary.end()) << c.what;
        const auto& sprite = std::get<std::shared_ptr<const movie::SpriteDef>>(it->second);
        EXPECT_EQ(sprite->timeline.frames.size(), c.frames) << c.what;
        EXPECT_EQ(sprite->timeline.loops, c.loops) << c.what;
    }
}

TEST(ReadMovie, FrameActionsKeepHowManyDisplayOpsCameBeforeThem) {
    const Bytes file = Movie({RectShape(1, {{0, 0, 10, 10, 255, 0, 0}}), DoAction(ActionStop()), Place(1, 1),
                              DoAction(ActionPlay()), Place(2, 1), Remove(1), DoAction(ActionStop()), ShowFrame()});
    auto m = movie::ReadMovie(file.data(), file.size());
    ASSERT_TRUE(m);
    const movie::Frame& f = m->root.frames.at(0);
    ASSERT_EQ(f.actions.size(), 3u);
    EXPECT_EQ(f.actions[0].opsBefore, 0u);
    EXPECT_EQ(f.actions[1].opsBefore, 1u);
    EXPECT_EQ(f.actions[2].opsBefore, 3u);
}
