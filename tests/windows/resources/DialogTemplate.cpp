#include "DialogTemplate.h"

#include <string>

#include "ByteReader.h"

namespace {

constexpr std::uint32_t kSetFont = 0x40;  // DS_SETFONT

NameOrNumber ReadNameOrNumber(ByteReader& in) {
    const std::uint16_t first = in.U16();
    if (first == 0)
        return NameOrNumber::Text(L"");
    if (first == 0xFFFF)
        return NameOrNumber::Number(in.U16());
    std::wstring rest = in.Text();
    return NameOrNumber::Text(static_cast<wchar_t>(first) + rest);
}

DialogItem ReadItem(ByteReader& in, bool extended) {
    in.AlignTo4();
    DialogItem item;
    if (extended) {
        item.helpId = in.U32();
        item.exStyle = in.U32();
        item.style = in.U32();
    } else {
        item.style = in.U32();
        item.exStyle = in.U32();
    }
    item.x = in.I16();
    item.y = in.I16();
    item.cx = in.I16();
    item.cy = in.I16();
    item.id = extended ? in.U32() : in.U16();
    item.windowClass = ReadNameOrNumber(in);
    item.text = ReadNameOrNumber(in);
    const std::uint16_t extra = in.U16();
    for (std::uint16_t i = 0; i < extra && in.ok(); ++i)
        item.creationData.push_back(in.U8());
    return item;
}

std::string Narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text)
        out += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?';
    return out;
}

}  // namespace

std::optional<ParsedDialog> ParseDialogTemplate(std::span<const std::uint8_t> bytes) {
    ByteReader in(bytes);
    DialogTemplate d;
    // The extended form starts with version 1 and the signature 0xFFFF.
    d.extended = bytes.size() >= 4 && bytes[0] == 1 && bytes[1] == 0 && bytes[2] == 0xFF && bytes[3] == 0xFF;
    if (d.extended) {
        in.Skip(4);
        d.helpId = in.U32();
        d.exStyle = in.U32();
        d.style = in.U32();
    } else {
        d.style = in.U32();
        d.exStyle = in.U32();
    }
    const std::uint16_t count = in.U16();
    d.x = in.I16();
    d.y = in.I16();
    d.cx = in.I16();
    d.cy = in.I16();
    d.menu = ReadNameOrNumber(in);
    d.windowClass = ReadNameOrNumber(in);
    d.title = in.Text();
    if (d.style & kSetFont) {
        d.pointSize = in.U16();
        if (d.extended) {
            d.weight = in.U16();
            d.italic = in.U8();
            d.charset = in.U8();
        }
        d.typeface = in.Text();
    }
    for (std::uint16_t i = 0; i < count && in.ok(); ++i)
        d.items.push_back(ReadItem(in, d.extended));
    if (!in.ok())
        return std::nullopt;
    return ParsedDialog{std::move(d), in.offset()};
}

std::ostream& operator<<(std::ostream& out, const NameOrNumber& name) {
    if (name.isNumber)
        return out << '#' << name.number;
    return out << '"' << Narrow(name.text) << '"';
}

std::ostream& operator<<(std::ostream& out, const DialogItem& item) {
    return out << "{help " << item.helpId << std::hex << " ex 0x" << item.exStyle << " style 0x" << item.style
               << std::dec << " at " << item.x << ',' << item.y << ' ' << item.cx << 'x' << item.cy << " id " << item.id
               << " class " << item.windowClass << " text " << item.text << " data " << item.creationData.size()
               << " bytes}";
}

std::ostream& operator<<(std::ostream& out, const DialogTemplate& d) {
    out << (d.extended ? "DIALOGEX" : "DIALOG") << " {help " << d.helpId << std::hex << " ex 0x" << d.exStyle
        << " style 0x" << d.style << std::dec << " at " << d.x << ',' << d.y << ' ' << d.cx << 'x' << d.cy << " menu "
        << d.menu << " class " << d.windowClass << " title \"" << Narrow(d.title) << "\" font " << d.pointSize << '/'
        << d.weight << '/' << int{d.italic} << '/' << int{d.charset} << " \"" << Narrow(d.typeface) << "\"";
    for (const DialogItem& item : d.items)
        out << "\n  " << item;
    return out << '}';
}
