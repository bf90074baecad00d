#include "movie/SwfTags.h"

#include "utf/Utf.h"

#include <cstring>

namespace movie {
namespace {

constexpr uint16_t kShortLengthMask = 0x3F;  // all six bits set: a 32-bit length follows

uint16_t ReadU16(const uint8_t* p) {
    return uint16_t(p[0] | p[1] << 8);
}
uint32_t ReadU32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// Reads a NUL-terminated text at `pos` inside [p, p + size); moves `pos` past the NUL.
std::optional<std::string> ReadCString(const uint8_t* p, size_t size, size_t& pos) {
    if (pos > size)
        return std::nullopt;
    const void* nul = std::memchr(p + pos, 0, size - pos);
    if (!nul)
        return std::nullopt;
    const size_t end = size_t(static_cast<const uint8_t*>(nul) - p);
    std::string text(reinterpret_cast<const char*>(p + pos), end - pos);
    pos = end + 1;
    return text;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        char a = text[i], b = prefix[i];
        if (a >= 'A' && a <= 'Z')
            a = char(a - 'A' + 'a');
        if (b >= 'A' && b <= 'Z')
            b = char(b - 'A' + 'a');
        if (a != b)
            return false;
    }
    return true;
}

}  // namespace

TagCursor::TagCursor(const uint8_t* data, size_t size, size_t offset) : m_data(data), m_size(size), m_offset(offset) {
    if (m_offset > m_size)
        m_end = TagWalkEnd::Truncated;
}

std::optional<SwfTag> TagCursor::Next() {
    if (m_end != TagWalkEnd::Running)
        return std::nullopt;
    const size_t remaining = m_size - m_offset;
    if (remaining == 0) {
        m_end = TagWalkEnd::EndOfData;
        return std::nullopt;
    }
    if (remaining < 2) {
        m_end = TagWalkEnd::Truncated;
        return std::nullopt;
    }
    const uint16_t word = ReadU16(m_data + m_offset);
    SwfTag tag;
    tag.code = uint16_t(word >> 6);
    tag.offset = m_offset;
    tag.length = word & kShortLengthMask;
    size_t headerSize = 2;
    if (tag.length == kShortLengthMask) {
        if (remaining < 6) {
            m_end = TagWalkEnd::Truncated;
            return std::nullopt;
        }
        tag.length = ReadU32(m_data + m_offset + 2);
        headerSize = 6;
    }
    if (tag.code == kTagEnd) {
        m_end = TagWalkEnd::EndTag;
        return std::nullopt;
    }
    // Compared as "length > what is left" so that a huge stored length cannot overflow.
    if (tag.length > remaining - headerSize) {
        m_end = TagWalkEnd::Truncated;
        return std::nullopt;
    }
    tag.bodyOffset = m_offset + headerSize;
    m_offset = tag.bodyOffset + tag.length;
    return tag;
}

ActionScan ScanActions(const uint8_t* body, size_t size) {
    ActionScan scan;
    size_t pos = 0;
    while (pos < size) {
        const uint8_t code = body[pos++];
        if (code == kActionEnd)
            return scan;
        if (code < 0x80)
            continue;  // no payload
        if (size - pos < 2) {
            scan.truncated = true;
            return scan;
        }
        const size_t length = ReadU16(body + pos);
        pos += 2;
        if (length > size - pos) {
            scan.truncated = true;
            return scan;
        }
        const uint8_t* payload = body + pos;
        pos += length;
        if (code != kActionGetUrl)
            continue;  // GetURL2 and the rest take their texts off the stack

        size_t at = 0;
        auto url = ReadCString(payload, length, at);
        auto target = url ? ReadCString(payload, length, at) : std::nullopt;
        if (!url || !target) {
            scan.truncated = true;
            continue;
        }
        scan.getUrls.push_back({std::move(*url), std::move(*target)});
    }
    return scan;
}

std::optional<FsCommand> FsCommandFromGetUrl(const GetUrlAction& action) {
    constexpr std::string_view kPrefix = "FSCommand:";
    if (!StartsWithNoCase(action.url, kPrefix))
        return std::nullopt;
    return FsCommand{action.url.substr(kPrefix.size()), action.target};
}

TimelineScan ScanTimeline(const uint8_t* image, size_t size, size_t tagsOffset) {
    TimelineScan scan;
    TagCursor cursor(image, size, tagsOffset);
    while (auto tag = cursor.Next()) {
        const uint8_t* body = image + tag->bodyOffset;
        switch (tag->code) {
        case kTagShowFrame:
            ++scan.frameCount;
            break;
        case kTagSetBackgroundColor:
            if (!scan.background && tag->length >= 3)
                scan.background = Rgb{body[0], body[1], body[2]};
            break;
        case kTagDoAction: {
            ActionScan actions = ScanActions(body, tag->length);
            scan.actionsTruncated = scan.actionsTruncated || actions.truncated;
            for (const GetUrlAction& getUrl : actions.getUrls) {
                if (auto call = FsCommandFromGetUrl(getUrl)) {
                    scan.commands.push_back({scan.frameCount, std::move(*call)});
                }
            }
            break;
        }
        default:
            break;
        }
    }
    scan.end = cursor.End();
    if (scan.end == TagWalkEnd::Truncated)
        scan.brokenAt = cursor.Position();
    return scan;
}

std::u16string DecodeSwfText(std::string_view bytes, uint8_t version) {
    if (version >= 6)
        return utf::DecodeUtf8Lossy(bytes);
    std::u16string out;
    out.reserve(bytes.size());
    for (char c : bytes)
        out.push_back(char16_t(uint8_t(c)));
    return out;
}

}  // namespace movie
