// Walks the tags of an uncompressed Flash movie image and gathers what the movie control plays:
// the stage background, the frames of the main timeline and the FSCommand calls in them.
// Every tag and action length is checked against the bytes that hold it before it is used.
// Portable: no Windows headers.
//
// A tag starts with a 16-bit little-endian word: code in the upper 10 bits, body length in the
// lower 6; the length 0x3F means a 32-bit length follows ("long" header). An action record is
// one code byte, and for codes 0x80 and above a 16-bit payload length and the payload.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace movie {

constexpr uint16_t kTagEnd = 0;
constexpr uint16_t kTagShowFrame = 1;
constexpr uint16_t kTagSetBackgroundColor = 9;
constexpr uint16_t kTagDoAction = 12;

constexpr uint8_t kActionEnd = 0x00;
constexpr uint8_t kActionGetUrl = 0x83;
constexpr uint8_t kActionGetUrl2 = 0x9A;

struct SwfTag {
    uint16_t code = 0;
    size_t offset = 0;      // where the tag header starts
    size_t bodyOffset = 0;  // where its body starts
    uint32_t length = 0;    // body bytes; bodyOffset + length never passes the image's end
};

enum class TagWalkEnd {
    Running,    // more tags may follow
    EndTag,     // an End tag closed the list
    EndOfData,  // the bytes ran out exactly at a tag boundary, without an End tag
    Truncated,  // a tag header or body runs past the end of the bytes
};

// Reads tag after tag from `offset` on. Next() gives nothing once the walk has ended; End()
// then says why. The End tag itself is not returned.
class TagCursor {
public:
    TagCursor(const uint8_t* data, size_t size, size_t offset);

    std::optional<SwfTag> Next();
    TagWalkEnd End() const { return m_end; }
    // For Truncated: where the broken tag header starts.
    size_t Position() const { return m_offset; }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_offset;
    TagWalkEnd m_end = TagWalkEnd::Running;
};

// One ActionGetURL: the URL and target texts, as the movie stores them (no terminating NUL).
struct GetUrlAction {
    std::string url;
    std::string target;
};

struct ActionScan {
    std::vector<GetUrlAction> getUrls;  // in the order they stand
    bool truncated = false;             // a record ran past the body, or a text had no NUL
};

// Scans the action records of a DoAction body from start to ActionEnd (or the body's end). The
// scan is linear: a GetURL on any branch of the code is found. Other actions are skipped.
ActionScan ScanActions(const uint8_t* body, size_t size);

// The FSCommand named by a GetURL: a URL that starts with "FSCommand:" (letters in any case)
// names the command after the colon; the target text carries its arguments.
struct FsCommand {
    std::string command;
    std::string args;
};
std::optional<FsCommand> FsCommandFromGetUrl(const GetUrlAction& action);

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

struct FrameCommand {
    uint32_t frame = 0;  // 0-based: the number of ShowFrame tags that precede the DoAction
    FsCommand call;
};

// What the main timeline holds. Tags inside sprites are not visited (their bodies are skipped
// whole).
struct TimelineScan {
    std::optional<Rgb> background;       // the first SetBackgroundColor
    uint32_t frameCount = 0;             // ShowFrame tags seen
    std::vector<FrameCommand> commands;  // in timeline order
    TagWalkEnd end = TagWalkEnd::Running;
    size_t brokenAt = 0;            // for Truncated: offset of the broken tag
    bool actionsTruncated = false;  // some DoAction body ended inside a record
};

// `image` is an uncompressed ("FWS") movie, `tagsOffset` where its first tag starts
// (SwfHeader::headerLength). Whatever precedes a truncation is kept.
TimelineScan ScanTimeline(const uint8_t* image, size_t size, size_t tagsOffset);

// Texts in a movie are UTF-8 from format version 6 on, and bytes of the author's 8-bit code page
// before that (read here as Latin-1). Malformed UTF-8 becomes U+FFFD.
std::u16string DecodeSwfText(std::string_view bytes, uint8_t version);

}  // namespace movie
