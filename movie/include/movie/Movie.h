// A whole movie read into memory: the definitions of its dictionary and the control tags of
// its main timeline and of every sprite, grouped by frame. Broken tags are skipped (and
// counted) so that the rest still plays. Portable.
#pragma once

#include "movie/Bitmap.h"
#include "movie/EditText.h"
#include "movie/Filter.h"
#include "movie/Font.h"
#include "movie/Records.h"
#include "movie/Shape.h"
#include "movie/Sound.h"
#include "movie/SwfHeader.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace movie {

// How deep sprites may be defined inside each other's tag lists (the format does not nest them,
// but broken files can claim to).
constexpr int kMaxSpriteNesting = 4;
// Frames of one timeline; beyond this the rest of the timeline is dropped.
constexpr uint32_t kMaxFrames = 16000;
// The whole uncompressed movie.
constexpr size_t kMaxMovieBytes = size_t(256) << 20;

// Action bytecode as the movie stores it, kept whole for whoever runs it.
struct ActionBlock {
    std::vector<uint8_t> bytes;
    // A frame's actions: how many of the frame's display ops come before it in the file (the
    // clips those ops place run their first frame's actions before this block).
    uint32_t opsBefore = 0;
};

struct ClipActionDef {
    uint32_t events = 0;  // the event flags of format 6 and later (32 bits; format 5's 16 widened)
    uint8_t keyCode = 0;
    ActionBlock actions;
};

struct PlaceObjectDef {
    int version = 1;  // 1, 2, 3 (PlaceObject4 reads as 3)
    uint16_t depth = 0;
    bool move = false;  // modifies the object already at depth
    std::optional<uint16_t> characterId;
    std::optional<Matrix2D> matrix;
    std::optional<CxForm> cxform;
    std::optional<uint16_t> ratio;
    std::optional<std::string> name;
    std::optional<uint16_t> clipDepth;
    std::optional<uint8_t> blendMode;  // 0 and 1 normal, 2 layer, 3 multiply, ... 14 hardlight
    std::optional<uint8_t> bitmapCache;
    std::optional<bool> visible;
    std::optional<Rgba> background;
    std::optional<std::string> className;
    std::vector<FilterDef> filters;  // empty: none (a move keeps the object's own)
    bool hasFilters = false;         // the record carries a filter list
    std::vector<ClipActionDef> clipActions;
};

struct DisplayOp {
    enum class Kind : uint8_t { Place, Remove };
    Kind kind = Kind::Place;
    uint16_t depth = 0;
    PlaceObjectDef place;  // Place only
};

struct Frame {
    std::vector<DisplayOp> ops;
    std::vector<ActionBlock> actions;
    std::vector<std::string> labels;
};

struct Timeline {
    std::vector<Frame> frames;  // at least one
    // Frame labels to 0-based frame numbers, first one wins.
    std::map<std::string, uint32_t> labels;
    // Whether playing on from the last frame goes back to the first: a sprite's tag list that
    // has tags after its last ShowFrame, or no End tag, stays on its last frame.
    bool loops = true;
};

struct SpriteDef {
    uint16_t id = 0;
    Timeline timeline;
};

struct ButtonRecordDef {
    enum State : uint8_t { Up = 1, Over = 2, Down = 4, Hit = 8 };
    uint8_t states = 0;
    uint16_t characterId = 0;
    uint16_t depth = 0;
    Matrix2D matrix;
    CxForm cxform;
    uint8_t blendMode = 0;
    std::vector<FilterDef> filters;
};

// Button transitions, as the conditions of DefineButton2 name them.
enum ButtonCondition : uint16_t {
    kIdleToOverUp = 1 << 0,
    kOverUpToIdle = 1 << 1,
    kOverUpToOverDown = 1 << 2,
    kOverDownToOverUp = 1 << 3,
    kOverDownToOutDown = 1 << 4,
    kOutDownToOverDown = 1 << 5,
    kOutDownToIdle = 1 << 6,
    kIdleToOverDown = 1 << 7,
    kOverDownToIdle = 1 << 8,
};

struct ButtonActionDef {
    uint16_t conditions = 0;  // ButtonCondition bits
    uint8_t keyCode = 0;      // 0: none
    ActionBlock actions;
};

struct ButtonDef {
    uint16_t id = 0;
    int version = 1;
    bool trackAsMenu = false;
    std::vector<ButtonRecordDef> records;
    std::vector<ButtonActionDef> actions;
};

struct BitmapDef {
    uint16_t id = 0;
    std::shared_ptr<const DecodedBitmap> bitmap;
};

// An embedded video stream (DefineVideoStream) with the payloads of its VideoFrame tags (the
// bytes after StreamID and FrameNum) by frame number; a frame the file lacks stays empty.
struct VideoStreamDef {
    uint16_t id = 0;
    uint16_t frameCount = 0;
    uint16_t width = 0, height = 0;  // the size the video is shown at, pixels
    uint8_t deblocking = 0;          // VideoFlagsDeblocking
    bool smoothing = false;
    uint8_t codec = 0;  // CodecID
    std::vector<std::vector<uint8_t>> frames;
};

using Character = std::variant<std::shared_ptr<const ShapeDef>, std::shared_ptr<const MorphShapeDef>,
                               std::shared_ptr<const DecodedBitmap>, std::shared_ptr<const SpriteDef>,
                               std::shared_ptr<const ButtonDef>, std::shared_ptr<const VideoStreamDef>,
                               std::shared_ptr<const FontDef>, std::shared_ptr<const StaticTextDef>,
                               std::shared_ptr<const EditTextDef>>;

struct ImportDef {
    std::string url;
    std::vector<std::pair<uint16_t, std::string>> assets;  // our id, their exported name
};

struct InitActionDef {
    uint16_t spriteId = 0;
    uint32_t frame = 0;  // the main timeline's frame (0-based) whose tags hold it
    ActionBlock actions;
};

struct Movie {
    SwfHeader header;
    std::optional<Rgba> background;
    bool actionScript3 = false;  // FileAttributes says so, or the movie carries DoABC code
    Timeline root;
    std::map<uint16_t, Character> dictionary;
    // Embedded sounds by id (they are never placed, so they stay out of the dictionary).
    std::map<uint16_t, std::shared_ptr<const SoundDef>> sounds;
    std::map<std::string, uint16_t> exports;
    std::vector<ImportDef> imports;
    std::vector<InitActionDef> initActions;  // in file order
    // ScriptLimits: how deep scripts may recurse and how long a block may run; absent, the
    // player's defaults hold.
    struct ScriptLimits {
        uint16_t maxRecursion = 256;
        uint16_t timeoutSeconds = 15;
    };
    std::optional<ScriptLimits> scriptLimits;
    uint32_t brokenTags = 0;  // tags skipped because they could not be read
    bool truncated = false;   // the tag list ended inside a tag
};

// Reads a movie file (plain or zlib-compressed). nullopt, with a reason, when not even the
// header can be read; anything after it that is broken is skipped.
std::optional<Movie> ReadMovie(const uint8_t* data, size_t size, std::string* error = nullptr);

// Single tags, for tests and for whoever reads a tag list itself.
std::optional<PlaceObjectDef> ReadPlaceObject(int version, const uint8_t* body, size_t size, uint8_t swfVersion);
std::optional<ButtonDef> ReadDefineButton(int version, const uint8_t* body, size_t size);

}  // namespace movie
