// The album block appended to the player program: its fields, a bounds-checked reader that
// walks the block from the trailer, and an exact writer. Portable: no Windows headers.
//
// Layout (all integers 32-bit little-endian, no gaps), body first, trailer last:
//   exeSize, version[4], installer bytes,
//   dependencyCount, { nameLength, name (UTF-16LE, nameLength units), fileSize, bytes }...,
//   swfSize, width, height, movie bytes,
//   titleLength, title (UTF-16LE, titleLength units),
//   datasize (bytes of the body), signature 0x32862DE8.
#pragma once

#include "version/ProductVersion.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace album {

constexpr uint32_t kSignature = 0x32862DE8;
constexpr uint64_t kTrailerSize = 8;
// Every stored text (title, names) holds at most this many units, terminating zero included.
constexpr uint32_t kMaxTextUnits = 500;
// The player positions itself with signed 32-bit offsets: a whole album stays below 2 GiB.
constexpr uint64_t kMaxAlbumSize = 0x80000000ull;

inline constexpr char16_t kInstallerFileName[] = u"84512712.exe";
inline constexpr char16_t kMovieFileName[] = u"84512712.swf";

// The oldest control version the movie needs.
using Version = ProductVersion;

// A span of bytes inside the album file.
struct Range {
    uint64_t offset = 0;
    uint64_t size = 0;
    uint64_t end() const { return offset + size; }
};

// Random access to the album file. readAt fills exactly `size` bytes or fails.
class Source {
public:
    virtual ~Source() = default;
    virtual uint64_t size() const = 0;
    virtual bool readAt(uint64_t offset, void* buffer, size_t size) = 0;
};

// Sequential output of the writer. write takes all bytes or fails.
class Sink {
public:
    virtual ~Sink() = default;
    virtual bool write(const void* data, size_t size) = 0;
};

// One extra-file record as found in the file.
struct DependencyRecord {
    uint64_t recordOffset = 0;  // where nameLength stands
    uint32_t nameLength = 0;    // stored units, terminating zero included
    std::u16string name;        // the text proper (see TextFromUnits); empty if nameLength > kMaxTextUnits
    Range contents;             // the file's bytes
    uint64_t next() const { return contents.end(); }
};

// Everything the walk found. Offsets are absolute file positions.
struct Layout {
    uint64_t fileSize = 0;
    uint32_t datasize = 0;
    uint64_t bodyOffset = 0;  // file size - 8 - datasize
    uint32_t exeSize = 0;
    Version required;
    Range installer;
    int32_t dependencyCount = 0;      // as stored; zero or negative means none
    uint64_t dependenciesOffset = 0;  // first record (or swfSize when there are none)
    uint32_t swfSize = 0;
    int32_t width = 0, height = 0;
    uint64_t swfSizeOffset = 0;
    Range movie;
    uint32_t titleLength = 0;  // as stored
    uint64_t titleOffset = 0;  // first unit of the title
    std::u16string title;      // the text proper, cut to kMaxTextUnits units
};

enum class WalkStatus {
    Ok,       // a complete, consistent block
    NoAlbum,  // the file does not end in the signature (or is shorter than the trailer)
    Broken,   // the signature is there but a field breaks the format
};

struct WalkResult {
    WalkStatus status = WalkStatus::NoAlbum;
    // For Broken: the first field that breaks the format ("datasize", "exeSize",
    // "dependency 3 nameLength", "swfSize", "titleLength", ...) and what is wrong with it.
    std::string field;
    std::string problem;
    Layout layout;  // filled as far as the walk got
};

// Walks the block from the trailer, checking every length against the body's end before it is
// used. Reads only length fields and texts (at most kMaxTextUnits units each); allocates nothing
// from an unchecked size. The records are checked but not kept: use ReadDependency to visit them.
WalkResult Walk(Source& source);

// Reads the record at `offset` (which a successful walk has already checked), or nullopt if it
// does not fit inside `bodyEnd`.
std::optional<DependencyRecord> ReadDependency(Source& source, uint64_t offset, uint64_t bodyEnd);

// The text held by `count` stored UTF-16LE units: the units before the first zero unit, or all of
// them when none is zero.
std::u16string TextFromUnits(const unsigned char* bytes, size_t count);

// Little-endian helpers.
uint32_t ReadU32(const unsigned char* p);
void PutU32(std::string& out, uint32_t value);

// What a writer appends. Contents are streamed from a Source so that large files never sit in
// memory whole.
struct ExtraFile {
    std::u16string name;
    Source* contents = nullptr;
};

struct AlbumParts {
    Source* player = nullptr;  // the player program, copied unchanged
    Source* installer = nullptr;
    Version required;
    std::vector<ExtraFile> files;
    Source* movie = nullptr;
    int32_t width = 0, height = 0;
    std::u16string title;
};

// Size of the block the writer appends for these parts (body and trailer), without the player.
uint64_t AppendedSize(const AlbumParts& parts);

// Writes player + block to `out`. `progress`, when given, is called with bytes written so far.
// Returns false when a read or a write fails. Does not check names: see AlbumNames.h.
using Progress = void (*)(uint64_t done, uint64_t total, void* context);
bool WriteAlbum(const AlbumParts& parts, Sink& out, Progress progress = nullptr, void* context = nullptr);

// Copies `range` of `source` to `out` through a fixed buffer (bounded memory).
bool CopyRange(Source& source, Range range, Sink& out, Progress progress = nullptr, void* context = nullptr,
               uint64_t done = 0, uint64_t total = 0);

}  // namespace album
