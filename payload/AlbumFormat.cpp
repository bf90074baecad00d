#include "payload/AlbumFormat.h"

#include <algorithm>
#include <memory>
#include <new>

namespace album {

namespace {

// Copy buffer: large enough to keep the disk busy, small enough that memory stays flat.
constexpr size_t kCopyChunk = 1u << 20;
constexpr size_t kBufferAlignment = 4096;

struct AlignedDelete {
    void operator()(unsigned char* p) const { ::operator delete[](p, std::align_val_t{kBufferAlignment}); }
};

// Reads the fields of the body in order, each checked against the body's end first.
class Cursor {
public:
    Cursor(Source& source, uint64_t position, uint64_t end) : m_source(source), m_pos(position), m_end(end) {}

    uint64_t position() const { return m_pos; }
    uint64_t remaining() const { return m_end - m_pos; }
    bool fits(uint64_t size) const { return size <= remaining(); }

    bool readU32(uint32_t& value) {
        unsigned char bytes[4];
        if (!fits(4) || !m_source.readAt(m_pos, bytes, 4))
            return false;
        value = ReadU32(bytes);
        m_pos += 4;
        return true;
    }

    // Reads a text of `units` stored units; keeps at most kMaxTextUnits of them.
    bool readText(uint32_t units, std::u16string& text) {
        const uint64_t bytes = uint64_t(units) * 2;
        if (!fits(bytes))
            return false;
        const size_t kept = std::min<uint32_t>(units, kMaxTextUnits);
        unsigned char buffer[kMaxTextUnits * 2];
        if (kept && !m_source.readAt(m_pos, buffer, kept * 2))
            return false;
        text = TextFromUnits(buffer, kept);
        m_pos += bytes;
        return true;
    }

    bool skip(uint64_t size, Range& range) {
        if (!fits(size))
            return false;
        range = {m_pos, size};
        m_pos += size;
        return true;
    }

private:
    Source& m_source;
    uint64_t m_pos;
    uint64_t m_end;
};

WalkResult Broken(WalkResult result, std::string field, std::string problem) {
    result.status = WalkStatus::Broken;
    result.field = std::move(field);
    result.problem = std::move(problem);
    return result;
}

const char* kPastEnd = "runs past the end of the block";

// Reads one record at the cursor; `label` names it in errors.
bool ReadRecord(Cursor& cursor, DependencyRecord& record, std::string& field) {
    record.recordOffset = cursor.position();
    if (!cursor.readU32(record.nameLength)) {
        field = "nameLength";
        return false;
    }
    if (!cursor.readText(record.nameLength, record.name)) {
        field = "name";
        return false;
    }
    if (record.nameLength > kMaxTextUnits)
        record.name.clear();  // never usable; the text is not kept
    uint32_t fileSize = 0;
    if (!cursor.readU32(fileSize)) {
        field = "fileSize";
        return false;
    }
    if (!cursor.skip(fileSize, record.contents)) {
        field = "contents";
        return false;
    }
    return true;
}

}  // namespace

uint32_t ReadU32(const unsigned char* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void PutU32(std::string& out, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out.push_back(char((value >> (8 * i)) & 0xFF));
}

std::u16string TextFromUnits(const unsigned char* bytes, size_t count) {
    std::u16string text;
    for (size_t i = 0; i < count; ++i) {
        const char16_t unit = char16_t(bytes[2 * i] | bytes[2 * i + 1] << 8);
        if (unit == 0)
            break;
        text.push_back(unit);
    }
    return text;
}

WalkResult Walk(Source& source) {
    WalkResult result;
    Layout& layout = result.layout;
    layout.fileSize = source.size();
    if (layout.fileSize < kTrailerSize)
        return result;

    unsigned char trailer[8];
    if (!source.readAt(layout.fileSize - kTrailerSize, trailer, sizeof trailer))
        return result;
    if (ReadU32(trailer + 4) != kSignature)
        return result;

    layout.datasize = ReadU32(trailer);
    const uint64_t bodyEnd = layout.fileSize - kTrailerSize;
    if (layout.datasize > bodyEnd)
        return Broken(std::move(result), "datasize", "is larger than the file before the trailer");
    layout.bodyOffset = bodyEnd - layout.datasize;

    Cursor cursor(source, layout.bodyOffset, bodyEnd);
    if (!cursor.readU32(layout.exeSize))
        return Broken(std::move(result), "exeSize", kPastEnd);
    uint32_t* parts[] = {&layout.required.major, &layout.required.minor, &layout.required.release,
                         &layout.required.build};
    for (uint32_t* part : parts)
        if (!cursor.readU32(*part))
            return Broken(std::move(result), "version", kPastEnd);
    if (!cursor.skip(layout.exeSize, layout.installer))
        return Broken(std::move(result), "installer", kPastEnd);

    uint32_t count = 0;
    if (!cursor.readU32(count))
        return Broken(std::move(result), "dependencyCount", kPastEnd);
    layout.dependencyCount = int32_t(count);
    layout.dependenciesOffset = cursor.position();
    // Every record takes at least 8 bytes, so this loop ends within the body however large
    // the stored count is.
    for (int32_t i = 0; i < layout.dependencyCount; ++i) {
        DependencyRecord record;
        std::string field;
        if (!ReadRecord(cursor, record, field))
            return Broken(std::move(result), "dependency " + std::to_string(i + 1) + " " + field, kPastEnd);
    }

    layout.swfSizeOffset = cursor.position();
    uint32_t width = 0, height = 0;
    if (!cursor.readU32(layout.swfSize))
        return Broken(std::move(result), "swfSize", kPastEnd);
    if (!cursor.readU32(width))
        return Broken(std::move(result), "width", kPastEnd);
    if (!cursor.readU32(height))
        return Broken(std::move(result), "height", kPastEnd);
    layout.width = int32_t(width);
    layout.height = int32_t(height);
    if (!cursor.skip(layout.swfSize, layout.movie))
        return Broken(std::move(result), "movie", kPastEnd);

    if (!cursor.readU32(layout.titleLength))
        return Broken(std::move(result), "titleLength", kPastEnd);
    layout.titleOffset = cursor.position();
    if (!cursor.readText(layout.titleLength, layout.title))
        return Broken(std::move(result), "title", kPastEnd);

    if (cursor.remaining() != 0)
        return Broken(std::move(result), "datasize",
                      "exceeds the fields by " + std::to_string(cursor.remaining()) + " bytes");
    result.status = WalkStatus::Ok;
    return result;
}

std::optional<DependencyRecord> ReadDependency(Source& source, uint64_t offset, uint64_t bodyEnd) {
    if (offset > bodyEnd)
        return std::nullopt;
    Cursor cursor(source, offset, bodyEnd);
    DependencyRecord record;
    std::string field;
    if (!ReadRecord(cursor, record, field))
        return std::nullopt;
    return record;
}

namespace {

void PutText(std::string& out, const std::u16string& text) {
    PutU32(out, uint32_t(text.size() + 1));
    for (char16_t unit : text) {
        out.push_back(char(unit & 0xFF));
        out.push_back(char(unit >> 8));
    }
    out.append(2, '\0');
}

struct Writer {
    Sink& out;
    Progress progress;
    void* context;
    uint64_t done = 0;
    uint64_t total = 0;

    bool put(const std::string& bytes) {
        if (!out.write(bytes.data(), bytes.size()))
            return false;
        done += bytes.size();
        return true;
    }
    bool copy(Source& source) {
        const uint64_t size = source.size();
        if (!CopyRange(source, {0, size}, out, progress, context, done, total))
            return false;
        done += size;
        return true;
    }
};

}  // namespace

uint64_t AppendedSize(const AlbumParts& parts) {
    uint64_t size = 4 + 16 + parts.installer->size() + 4;
    for (const ExtraFile& file : parts.files)
        size += 4 + 2 * (file.name.size() + 1) + 4 + file.contents->size();
    size += 4 + 4 + 4 + parts.movie->size() + 4 + 2 * (parts.title.size() + 1);
    return size + kTrailerSize;
}

bool WriteAlbum(const AlbumParts& parts, Sink& out, Progress progress, void* context) {
    const uint64_t appended = AppendedSize(parts);
    const uint64_t datasize = appended - kTrailerSize;
    if (datasize > UINT32_MAX || parts.installer->size() > UINT32_MAX || parts.movie->size() > UINT32_MAX)
        return false;
    for (const ExtraFile& file : parts.files)
        if (file.contents->size() > UINT32_MAX)
            return false;

    Writer writer{out, progress, context, 0, parts.player->size() + appended};
    std::string fields;
    if (!writer.copy(*parts.player))
        return false;

    PutU32(fields, uint32_t(parts.installer->size()));
    PutU32(fields, parts.required.major);
    PutU32(fields, parts.required.minor);
    PutU32(fields, parts.required.release);
    PutU32(fields, parts.required.build);
    if (!writer.put(fields) || !writer.copy(*parts.installer))
        return false;

    fields.clear();
    PutU32(fields, uint32_t(parts.files.size()));
    for (const ExtraFile& file : parts.files) {
        PutText(fields, file.name);
        PutU32(fields, uint32_t(file.contents->size()));
        if (!writer.put(fields) || !writer.copy(*file.contents))
            return false;
        fields.clear();
    }

    PutU32(fields, uint32_t(parts.movie->size()));
    PutU32(fields, uint32_t(parts.width));
    PutU32(fields, uint32_t(parts.height));
    if (!writer.put(fields) || !writer.copy(*parts.movie))
        return false;

    fields.clear();
    PutText(fields, parts.title);
    PutU32(fields, uint32_t(datasize));
    PutU32(fields, kSignature);
    return writer.put(fields);
}

bool CopyRange(Source& source, Range range, Sink& out, Progress progress, void* context, uint64_t done,
               uint64_t total) {
    if (range.offset > source.size() || range.size > source.size() - range.offset)
        return false;
    const size_t chunk = size_t(std::min<uint64_t>(kCopyChunk, std::max<uint64_t>(range.size, 1)));
    // Page-aligned, so reads and writes of whole chunks stay on the fast path of the system.
    std::unique_ptr<unsigned char[], AlignedDelete> buffer(
        new (std::align_val_t{kBufferAlignment}, std::nothrow) unsigned char[chunk]);
    if (!buffer)
        return false;
    uint64_t copied = 0;
    while (copied < range.size) {
        const size_t n = size_t(std::min<uint64_t>(chunk, range.size - copied));
        if (!source.readAt(range.offset + copied, buffer.get(), n) || !out.write(buffer.get(), n))
            return false;
        copied += n;
        if (progress)
            progress(done + copied, total, context);
    }
    return true;
}

}  // namespace album
