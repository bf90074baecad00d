#include "framework/DialogTemplate.h"

#include <cstring>

namespace {

constexpr std::uint32_t kSetFont = 0x40;  // DS_SETFONT (DS_SHELLFONT includes it)

// Reads little-endian fields from the template; every read is checked, and a failed read
// sticks, so a parse can check once at the end of a step.
class Reader {
public:
    explicit Reader(std::span<const std::byte> data) : m_data(data) {}

    bool ok() const { return m_ok; }
    std::size_t position() const { return m_pos; }

    std::uint16_t Word() {
        std::uint16_t v = 0;
        if (Take(2))
            v = static_cast<std::uint16_t>(Byte(m_pos - 2) | (Byte(m_pos - 1) << 8));
        return v;
    }
    std::uint32_t Dword() {
        std::uint32_t low = Word();
        std::uint32_t high = Word();
        return low | (high << 16);
    }
    std::int16_t Short() { return static_cast<std::int16_t>(Word()); }
    void Skip(std::size_t n) { Take(n); }
    void AlignTo(std::size_t boundary) {
        std::size_t rest = m_pos % boundary;
        if (rest != 0)
            Skip(boundary - rest);
    }
    // A zero-terminated UTF-16 text.
    std::wstring Text() {
        std::wstring text;
        for (;;) {
            std::uint16_t c = Word();
            if (!m_ok || c == 0)
                return text;
            text.push_back(static_cast<wchar_t>(c));
        }
    }
    // A field that is empty (0), a number (0xFFFF then the number) or a text.
    void TextOrOrdinal(std::uint16_t* ordinal, std::wstring* text) {
        std::size_t start = m_pos;
        std::uint16_t first = Word();
        if (!m_ok || first == 0)
            return;
        if (first == 0xFFFF) {
            std::uint16_t number = Word();
            if (ordinal)
                *ordinal = number;
            return;
        }
        m_pos = start;
        std::wstring value = Text();
        if (text)
            *text = std::move(value);
    }

private:
    unsigned Byte(std::size_t i) const { return std::to_integer<unsigned>(m_data[i]); }
    bool Take(std::size_t n) {
        if (!m_ok || n > m_data.size() - m_pos) {
            m_ok = false;
            return false;
        }
        m_pos += n;
        return true;
    }

    std::span<const std::byte> m_data;
    std::size_t m_pos = 0;
    bool m_ok = true;
};

bool ReadHeader(Reader& r, DialogTemplateInfo& info, std::uint16_t& count) {
    std::uint16_t first = r.Word();
    std::uint16_t second = r.Word();
    info.extended = (first == 1 && second == 0xFFFF);
    if (info.extended) {
        r.Dword();  // help id
        info.exStyle = r.Dword();
        info.style = r.Dword();
    } else {
        info.style = first | (static_cast<std::uint32_t>(second) << 16);
        info.exStyle = r.Dword();
    }
    count = r.Word();
    info.x = r.Short();
    info.y = r.Short();
    info.cx = r.Short();
    info.cy = r.Short();
    r.TextOrOrdinal(nullptr, nullptr);  // menu
    r.TextOrOrdinal(nullptr, nullptr);  // window class
    r.Text();                           // caption
    if (info.style & kSetFont) {
        r.Word();  // point size
        if (info.extended) {
            r.Word();   // weight
            r.Skip(2);  // italic, character set
        }
        r.Text();  // typeface
    }
    info.headerSize = r.position();
    return r.ok();
}

bool ReadItem(Reader& r, bool extended, DialogTemplateItem& item) {
    r.AlignTo(4);
    item.offset = r.position();
    if (extended) {
        item.helpId = r.Dword();
        item.exStyle = r.Dword();
        item.style = r.Dword();
    } else {
        item.style = r.Dword();
        item.exStyle = r.Dword();
    }
    item.x = r.Short();
    item.y = r.Short();
    item.cx = r.Short();
    item.cy = r.Short();
    item.id = extended ? r.Dword() : r.Word();
    r.TextOrOrdinal(&item.classOrdinal, &item.className);
    r.TextOrOrdinal(nullptr, nullptr);  // title
    std::uint16_t extra = r.Word();     // creation data follows its count
    r.Skip(extra);
    item.size = r.position() - item.offset;
    return r.ok();
}

void PadTo4(std::vector<std::byte>& out) {
    while (out.size() % 4 != 0)
        out.push_back(std::byte{0});
}

}  // namespace

std::optional<DialogTemplateInfo> ParseDialogTemplate(std::span<const std::byte> data) {
    Reader r(data);
    DialogTemplateInfo info;
    std::uint16_t count = 0;
    if (!ReadHeader(r, info, count))
        return std::nullopt;
    info.items.reserve(count);
    for (std::uint16_t i = 0; i < count; ++i) {
        DialogTemplateItem item;
        if (!ReadItem(r, info.extended, item))
            return std::nullopt;
        info.items.push_back(std::move(item));
    }
    return info;
}

bool NamesClassIdentifier(const DialogTemplateItem& item) {
    return item.classOrdinal == 0 && !item.className.empty() && item.className[0] == L'{';
}

std::vector<std::uint32_t> RebuildDialogTemplate(std::span<const std::byte> data, const DialogTemplateInfo& info,
                                                 const std::vector<bool>& keep) {
    std::vector<std::byte> bytes(data.begin(), data.begin() + info.headerSize);
    std::uint16_t kept = 0;
    for (std::size_t i = 0; i < info.items.size(); ++i) {
        if (i < keep.size() && !keep[i])
            continue;
        const DialogTemplateItem& item = info.items[i];
        PadTo4(bytes);
        bytes.insert(bytes.end(), data.begin() + item.offset, data.begin() + item.offset + item.size);
        ++kept;
    }
    // The item count: after dlgVer, signature, help id, exStyle and style in the extended
    // form, after style and exStyle in the classic one.
    const std::size_t countOffset = info.extended ? 16 : 8;
    bytes[countOffset] = std::byte(kept & 0xFF);
    bytes[countOffset + 1] = std::byte(kept >> 8);

    std::vector<std::uint32_t> aligned((bytes.size() + 3) / 4);
    std::memcpy(aligned.data(), bytes.data(), bytes.size());
    return aligned;
}
