#include "movie/Movie.h"

#include "movie/Filter.h"

#include "movie/BitReader.h"
#include "movie/SwfTags.h"

#include <algorithm>

namespace movie {
namespace {

enum TagCode : uint16_t {
    kShowFrame = 1,
    kDefineShape = 2,
    kPlaceObject = 4,
    kRemoveObject = 5,
    kDefineBits = 6,
    kDefineButton = 7,
    kJpegTables = 8,
    kSetBackgroundColor = 9,
    kDefineFont = 10,
    kDefineText = 11,
    kDoAction = 12,
    kDefineSound = 14,
    kDefineBitsLossless = 20,
    kDefineBitsJpeg2 = 21,
    kDefineShape2 = 22,
    kDefineButtonCxform = 23,
    kPlaceObject2 = 26,
    kDefineText2 = 33,
    kRemoveObject2 = 28,
    kDefineShape3 = 32,
    kDefineButton2 = 34,
    kDefineBitsJpeg3 = 35,
    kDefineBitsLossless2 = 36,
    kDefineEditText = 37,
    kCsmTextSettings = 74,
    kDefineSprite = 39,
    kFrameLabel = 43,
    kDefineFont2 = 48,
    kDefineMorphShape = 46,
    kExportAssets = 56,
    kImportAssets = 57,
    kDoInitAction = 59,
    kDefineVideoStream = 60,
    kVideoFrame = 61,
    kScriptLimits = 65,
    kFileAttributes = 69,
    kPlaceObject3 = 70,
    kImportAssets2 = 71,
    kDoAbcDefine = 72,
    kDefineFont3 = 75,
    kDoAbc = 82,
    kDefineShape4 = 83,
    kDefineMorphShape2 = 84,
    kDefineBitsJpeg4 = 90,
    kPlaceObject4 = 94,
};

std::vector<ClipActionDef> ReadClipActions(BitReader& r, uint8_t swfVersion) {
    std::vector<ClipActionDef> out;
    const bool wide = swfVersion >= 6;
    r.U16();  // reserved
    // The events of all the records: a record's own events count only where this lists them too.
    const uint32_t allEvents = wide ? r.U32() : r.U16();
    while (r.Ok()) {
        const uint32_t events = wide ? r.U32() : r.U16();
        if (events == 0 || !r.Ok())
            break;
        ClipActionDef def;
        def.events = events & allEvents;
        uint32_t size = r.U32();
        if (events & 0x00020000) {  // key press carries its key code first
            def.keyCode = r.U8();
            size = size ? size - 1 : 0;
        }
        const uint8_t* bytes = r.Bytes(size);
        if (!bytes)
            break;
        def.actions.bytes.assign(bytes, bytes + size);
        out.push_back(std::move(def));
    }
    return out;
}

}  // namespace

std::optional<PlaceObjectDef> ReadPlaceObject(int version, const uint8_t* body, size_t size, uint8_t swfVersion) {
    BitReader r(body, size);
    PlaceObjectDef p;
    p.version = version;
    if (version == 1) {
        p.characterId = r.U16();
        p.depth = r.U16();
        p.matrix = ReadMatrix(r);
        if (r.Ok() && r.Remaining() > 0)
            p.cxform = ReadCxForm(r, false);
        if (!r.Ok())
            return std::nullopt;
        return p;
    }
    const uint8_t flags = r.U8();
    const uint8_t flags2 = version >= 3 ? r.U8() : 0;
    p.depth = r.U16();
    p.move = flags & 0x01;
    if (version >= 3 && ((flags2 & 0x08) || ((flags2 & 0x10) && (flags & 0x02))))
        p.className = r.CString();
    if (flags & 0x02)
        p.characterId = r.U16();
    if (flags & 0x04)
        p.matrix = ReadMatrix(r);
    if (flags & 0x08)
        p.cxform = ReadCxForm(r, true);
    if (flags & 0x10)
        p.ratio = r.U16();
    if (flags & 0x20)
        p.name = r.CString();
    if (flags & 0x40)
        p.clipDepth = r.U16();
    if (version >= 3) {
        if (flags2 & 0x01) {
            p.filters = ReadFilterList(r);
            p.hasFilters = true;
        }
        if (flags2 & 0x02)
            p.blendMode = r.U8();
        if (flags2 & 0x04)
            p.bitmapCache = r.U8();
        if (flags2 & 0x20)
            p.visible = r.U8() != 0;
        if (flags2 & 0x40)
            p.background = ReadRgba(r);
    }
    if (!r.Ok())
        return std::nullopt;
    if (flags & 0x80)
        p.clipActions = ReadClipActions(r, swfVersion);  // kept as far as they read
    return p;
}

std::optional<ButtonDef> ReadDefineButton(int version, const uint8_t* body, size_t size) {
    BitReader r(body, size);
    ButtonDef b;
    b.version = version;
    b.id = r.U16();
    size_t actionsAt = 0;
    if (version >= 2) {
        b.trackAsMenu = r.U8() & 1;
        const uint16_t offset = r.U16();
        actionsAt = offset ? r.Position() - 2 + offset : 0;
    }
    while (r.Ok()) {
        const uint8_t flags = r.U8();
        if (flags == 0)
            break;
        ButtonRecordDef rec;
        rec.states = flags & 0x0F;
        rec.characterId = r.U16();
        rec.depth = r.U16();
        rec.matrix = ReadMatrix(r);
        if (version >= 2)
            rec.cxform = ReadCxForm(r, true);
        if (flags & 0x10)
            rec.filters = ReadFilterList(r);
        if (flags & 0x20)
            rec.blendMode = r.U8();
        if (r.Ok())
            b.records.push_back(std::move(rec));
    }
    if (!r.Ok())
        return std::nullopt;
    if (version == 1) {
        ButtonActionDef a;
        a.conditions = kOverDownToOverUp;
        a.actions.bytes.assign(r.Here(), r.Here() + r.Remaining());
        b.actions.push_back(std::move(a));
        return b;
    }
    if (actionsAt == 0 || actionsAt > size)
        return b;
    size_t at = actionsAt;
    while (at + 4 <= size) {
        BitReader c(body + at, size - at);
        const uint16_t recordSize = c.U16();
        const uint8_t lo = c.U8(), hi = c.U8();
        ButtonActionDef a;
        // First byte, high bit first: IdleToOverDown, OutDownToIdle, OutDownToOverDown,
        // OverDownToOutDown, OverDownToOverUp, OverUpToOverDown, OverUpToIdle, IdleToOverUp.
        // Second byte: a key code in the upper seven bits, OverDownToIdle in the lowest.
        if (lo & 0x80)
            a.conditions |= kIdleToOverDown;
        if (lo & 0x40)
            a.conditions |= kOutDownToIdle;
        if (lo & 0x20)
            a.conditions |= kOutDownToOverDown;
        if (lo & 0x10)
            a.conditions |= kOverDownToOutDown;
        if (lo & 0x08)
            a.conditions |= kOverDownToOverUp;
        if (lo & 0x04)
            a.conditions |= kOverUpToOverDown;
        if (lo & 0x02)
            a.conditions |= kOverUpToIdle;
        if (lo & 0x01)
            a.conditions |= kIdleToOverUp;
        if (hi & 0x01)
            a.conditions |= kOverDownToIdle;
        a.keyCode = hi >> 1;
        const size_t end = recordSize ? at + recordSize : size;
        if (end > size || end < at + 4)
            break;
        a.actions.bytes.assign(body + at + 4, body + end);
        b.actions.push_back(std::move(a));
        if (recordSize == 0)
            break;
        at = end;
    }
    return b;
}

namespace {

struct Reader {
    Movie& movie;
    std::vector<uint8_t> jpegTables;
    // Streams defined so far, still taking the frames that later tags bring.
    std::map<uint16_t, std::shared_ptr<VideoStreamDef>> videoStreams;

    void BrokenTag() { ++movie.brokenTags; }

    template <typename T>
    void Define(uint16_t id, std::shared_ptr<T> def) {
        // The first definition of an id stands, as later ones are errors of the writer.
        movie.dictionary.emplace(id, Character(std::shared_ptr<const T>(std::move(def))));
    }

    void ReadTimeline(const uint8_t* data, size_t size, size_t offset, Timeline& timeline, int nesting, bool isRoot,
                      uint32_t declaredFrames) {
        TagCursor cursor(data, size, offset);
        timeline.frames.emplace_back();
        while (auto tag = cursor.Next()) {
            const uint8_t* body = data + tag->bodyOffset;
            const size_t len = tag->length;
            Frame& frame = timeline.frames.back();
            switch (tag->code) {
            case kShowFrame:
                if (timeline.frames.size() >= kMaxFrames) {
                    BrokenTag();
                    return;
                }
                timeline.frames.emplace_back();
                break;
            case kPlaceObject:
            case kPlaceObject2:
            case kPlaceObject3:
            case kPlaceObject4: {
                const int v = tag->code == kPlaceObject ? 1 : tag->code == kPlaceObject2 ? 2 : 3;
                auto place = ReadPlaceObject(v, body, len, movie.header.version);
                if (!place) {
                    BrokenTag();
                    break;
                }
                DisplayOp op;
                op.depth = place->depth;
                op.place = std::move(*place);
                frame.ops.push_back(std::move(op));
                break;
            }
            case kRemoveObject:
            case kRemoveObject2: {
                BitReader r(body, len);
                if (tag->code == kRemoveObject)
                    r.U16();
                DisplayOp op;
                op.kind = DisplayOp::Kind::Remove;
                op.depth = r.U16();
                if (!r.Ok()) {
                    BrokenTag();
                    break;
                }
                frame.ops.push_back(op);
                break;
            }
            case kDoAction:
                frame.actions.push_back({std::vector<uint8_t>(body, body + len), uint32_t(frame.ops.size())});
                break;
            case kVideoFrame:
                ReadVideoFrame(body, len);
                break;
            case kFrameLabel: {
                BitReader r(body, len);
                std::string label = r.CString();
                if (!r.Ok()) {
                    BrokenTag();
                    break;
                }
                timeline.labels.emplace(label, uint32_t(timeline.frames.size() - 1));
                frame.labels.push_back(std::move(label));
                break;
            }
            default:
                if (isRoot)
                    ReadDefinition(*tag, body, len, nesting);
                break;
            }
        }
        if (cursor.End() == TagWalkEnd::Truncated) {
            if (isRoot)
                movie.truncated = true;
            else
                BrokenTag();
        }
        // The frame after the last ShowFrame holds nothing unless tags came after it.
        const bool trailing = !timeline.frames.back().ops.empty() || !timeline.frames.back().actions.empty() ||
                              !timeline.frames.back().labels.empty();
        if (timeline.frames.size() > 1 && !trailing)
            timeline.frames.pop_back();
        if (!isRoot)
            timeline.loops = !trailing && cursor.End() == TagWalkEnd::EndTag;
        (void)declaredFrames;
    }

    void ReadVideoFrame(const uint8_t* body, size_t len) {
        BitReader r(body, len);
        const uint16_t streamId = r.U16();
        const uint16_t frameNumber = r.U16();
        const auto stream = videoStreams.find(streamId);
        if (!r.Ok() || stream == videoStreams.end() || frameNumber >= kMaxFrames)
            return BrokenTag();
        auto& frames = stream->second->frames;
        if (frames.size() <= frameNumber)
            frames.resize(size_t(frameNumber) + 1);
        frames[frameNumber].assign(r.Here(), r.Here() + r.Remaining());
    }

    void ReadDefinition(const SwfTag& tag, const uint8_t* body, size_t len, int nesting) {
        switch (tag.code) {
        case kSetBackgroundColor:
            if (len >= 3 && !movie.background)
                movie.background = Rgba{body[0], body[1], body[2], 255};
            break;
        case kDefineShape:
        case kDefineShape2:
        case kDefineShape3:
        case kDefineShape4: {
            const int v = tag.code == kDefineShape    ? 1
                          : tag.code == kDefineShape2 ? 2
                          : tag.code == kDefineShape3 ? 3
                                                      : 4;
            auto shape = ReadDefineShape(body, len, v);
            if (!shape)
                return BrokenTag();
            if (shape->truncated)
                BrokenTag();
            const uint16_t id = shape->id;
            Define(id, std::make_shared<ShapeDef>(std::move(*shape)));
            break;
        }
        case kDefineMorphShape:
        case kDefineMorphShape2: {
            auto morph = ReadDefineMorphShape(body, len, tag.code == kDefineMorphShape ? 1 : 2);
            if (!morph)
                return BrokenTag();
            if (morph->truncated)
                BrokenTag();
            const uint16_t id = morph->id;
            Define(id, std::make_shared<MorphShapeDef>(std::move(*morph)));
            break;
        }
        case kDefineSound: {
            auto sound = ReadDefineSound(body, len);
            if (!sound)
                return BrokenTag();
            const uint16_t id = sound->id;
            movie.sounds.emplace(id, std::make_shared<const SoundDef>(std::move(*sound)));
            break;
        }
        case kJpegTables:
            jpegTables.assign(body, body + len);
            break;
        case kDefineBits:
        case kDefineBitsJpeg2:
        case kDefineBitsJpeg3:
        case kDefineBitsJpeg4:
        case kDefineBitsLossless:
        case kDefineBitsLossless2: {
            auto bmp = ReadBitmapTag(tag.code, body, len, jpegTables);
            if (!bmp)
                return BrokenTag();
            const uint16_t id = bmp->id;
            Define(id, std::make_shared<DecodedBitmap>(std::move(*bmp)));
            break;
        }
        case kDefineSprite: {
            if (nesting >= kMaxSpriteNesting)
                return BrokenTag();
            BitReader r(body, len);
            auto sprite = std::make_shared<SpriteDef>();
            sprite->id = r.U16();
            const uint16_t frames = r.U16();
            if (!r.Ok())
                return BrokenTag();
            ReadTimeline(body, len, 4, sprite->timeline, nesting + 1, false, frames);
            const uint16_t id = sprite->id;
            Define(id, std::move(sprite));
            break;
        }
        case kDefineButton:
        case kDefineButton2: {
            auto button = ReadDefineButton(tag.code == kDefineButton ? 1 : 2, body, len);
            if (!button)
                return BrokenTag();
            const uint16_t id = button->id;
            Define(id, std::make_shared<ButtonDef>(std::move(*button)));
            break;
        }
        case kDefineButtonCxform: {
            BitReader r(body, len);
            const uint16_t id = r.U16();
            const CxForm cx = ReadCxForm(r, false);
            auto it = movie.dictionary.find(id);
            if (!r.Ok() || it == movie.dictionary.end())
                return BrokenTag();
            if (auto* b = std::get_if<std::shared_ptr<const ButtonDef>>(&it->second)) {
                auto copy = std::make_shared<ButtonDef>(**b);
                for (ButtonRecordDef& rec : copy->records)
                    rec.cxform = cx;
                it->second = std::shared_ptr<const ButtonDef>(std::move(copy));
            }
            break;
        }
        case kExportAssets: {
            BitReader r(body, len);
            const uint16_t count = r.U16();
            for (uint16_t i = 0; i < count && r.Ok(); ++i) {
                const uint16_t id = r.U16();
                std::string name = r.CString();
                if (r.Ok())
                    movie.exports.insert_or_assign(std::move(name), id);  // a later export of a name wins
            }
            if (!r.Ok())
                BrokenTag();
            break;
        }
        case kImportAssets:
        case kImportAssets2: {
            BitReader r(body, len);
            ImportDef imp;
            imp.url = r.CString();
            if (tag.code == kImportAssets2) {
                r.U8();
                r.U8();
            }
            const uint16_t count = r.U16();
            for (uint16_t i = 0; i < count && r.Ok(); ++i) {
                const uint16_t id = r.U16();
                std::string name = r.CString();
                if (r.Ok())
                    imp.assets.push_back({id, std::move(name)});
            }
            if (!r.Ok())
                BrokenTag();
            movie.imports.push_back(std::move(imp));
            break;
        }
        case kDoInitAction: {
            BitReader r(body, len);
            InitActionDef init;
            init.spriteId = r.U16();
            init.frame = movie.root.frames.empty() ? 0 : uint32_t(movie.root.frames.size() - 1);
            if (!r.Ok())
                return BrokenTag();
            init.actions.bytes.assign(r.Here(), r.Here() + r.Remaining());
            movie.initActions.push_back(std::move(init));
            break;
        }
        case kDefineFont:
        case kDefineFont2:
        case kDefineFont3: {
            auto font = ReadDefineFont(body, len, tag.code == kDefineFont ? 1 : tag.code == kDefineFont2 ? 2 : 3);
            if (!font)
                return BrokenTag();
            if (font->truncated)
                BrokenTag();
            const uint16_t id = font->id;
            Define(id, std::make_shared<FontDef>(std::move(*font)));
            break;
        }
        case kDefineText:
        case kDefineText2: {
            auto text = ReadDefineText(body, len, tag.code == kDefineText ? 1 : 2);
            if (!text)
                return BrokenTag();
            if (text->truncated)
                BrokenTag();
            const uint16_t id = text->id;
            Define(id, std::make_shared<StaticTextDef>(std::move(*text)));
            break;
        }
        case kDefineEditText: {
            auto field = ReadDefineEditText(body, len);
            if (!field)
                return BrokenTag();
            const uint16_t id = field->id;
            Define(id, std::make_shared<EditTextDef>(std::move(*field)));
            break;
        }
        case kCsmTextSettings: {
            auto settings = ReadCsmTextSettings(body, len);
            if (!settings)
                return BrokenTag();
            auto it = movie.dictionary.find(settings->first);
            if (it == movie.dictionary.end())
                break;
            if (auto* field = std::get_if<std::shared_ptr<const EditTextDef>>(&it->second)) {
                auto copy = std::make_shared<EditTextDef>(**field);
                copy->rendering = settings->second;
                it->second = std::move(copy);
            }
            break;
        }
        case kDefineVideoStream: {
            BitReader r(body, len);
            auto stream = std::make_shared<VideoStreamDef>();
            stream->id = r.U16();
            stream->frameCount = r.U16();
            stream->width = r.U16();
            stream->height = r.U16();
            const uint8_t flags = r.U8();
            stream->deblocking = (flags >> 1) & 7;
            stream->smoothing = flags & 1;
            stream->codec = r.U8();
            if (!r.Ok())
                return BrokenTag();
            if (movie.dictionary.count(stream->id))
                break;  // the first definition stands
            const uint16_t id = stream->id;
            videoStreams.emplace(id, stream);
            Define(id, std::move(stream));
            break;
        }
        case kScriptLimits:
            if (len < 4)
                return BrokenTag();
            movie.scriptLimits =
                Movie::ScriptLimits{uint16_t(body[0] | body[1] << 8), uint16_t(body[2] | body[3] << 8)};
            break;
        case kFileAttributes:
            if (len >= 1)
                movie.actionScript3 = movie.actionScript3 || (body[0] & 0x08) != 0;
            break;
        case kDoAbc:
        case kDoAbcDefine:
            // Script code for the other virtual machine: a movie may carry it without the flag.
            movie.actionScript3 = true;
            break;
        default:
            // Protect, Metadata, EnableDebugger, ScriptLimits, fonts, texts, sounds and the
            // rest: read past, for later issues.
            break;
        }
    }
};

// The uncompressed movie as far as it can be had: a file cut short, or a stream that breaks off,
// still gives the tags before the break.
std::optional<std::vector<uint8_t>> LenientImage(const uint8_t* data, size_t size, const SwfHeader& header) {
    constexpr size_t kPrefix = 8;
    const size_t length = std::min<size_t>(header.fileLength, kMaxMovieBytes);
    if (header.signature == 'F') {
        const size_t n = std::min(size, std::max(length, kPrefix));
        return std::vector<uint8_t>(data, data + n);
    }
    if (header.signature != 'C' || size < kPrefix || length < kPrefix)
        return std::nullopt;
    auto body = Inflate(data + kPrefix, size - kPrefix, length - kPrefix);
    if (!body)
        return std::nullopt;
    std::vector<uint8_t> image(data, data + kPrefix);
    image[0] = 'F';
    image.insert(image.end(), body->begin(), body->end());
    return image;
}

}  // namespace

std::optional<Movie> ReadMovie(const uint8_t* data, size_t size, std::string* error) {
    auto header = ReadSwfHeader(data, size, error);
    if (!header)
        return std::nullopt;
    auto image = LenientImage(data, size, *header);
    if (!image || header->headerLength > image->size()) {
        if (error && error->empty())
            *error = "movie data unreadable";
        return std::nullopt;
    }
    Movie movie;
    movie.header = *header;
    Reader reader{movie, {}, {}};
    reader.ReadTimeline(image->data(), image->size(), header->headerLength, movie.root, 0, true, header->frameCount);
    return movie;
}

}  // namespace movie
