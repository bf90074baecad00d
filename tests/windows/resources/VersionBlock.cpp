#include "VersionBlock.h"

#include "ByteReader.h"

namespace {

constexpr std::size_t kAlign = 4;

std::size_t AlignUp(std::size_t n) {
    return (n + kAlign - 1) / kAlign * kAlign;
}

}  // namespace

std::optional<VersionNode> ParseVersionNode(std::span<const std::uint8_t> bytes) {
    ByteReader in(bytes);
    const std::uint16_t length = in.U16();
    const std::uint16_t valueLength = in.U16();
    VersionNode node;
    node.type = in.U16();
    node.key = in.Text();
    in.AlignTo4();
    if (!in.ok() || length > bytes.size() || length < in.offset())
        return std::nullopt;
    const std::size_t valueBytes = node.type == 1 ? 2 * std::size_t{valueLength} : valueLength;
    if (valueBytes > length - in.offset())
        return std::nullopt;
    node.value = bytes.subspan(in.offset(), valueBytes);
    for (std::size_t offset = AlignUp(in.offset() + valueBytes); offset < length;) {
        auto child = ParseVersionNode(bytes.subspan(offset, length - offset));
        if (!child)
            return std::nullopt;
        const std::size_t childLength = bytes[offset] | (bytes[offset + 1] << 8);
        if (childLength == 0)
            return std::nullopt;
        node.children.push_back(std::move(*child));
        offset = AlignUp(offset + childLength);
    }
    return node;
}

std::wstring VersionText(const VersionNode& node) {
    ByteReader in(node.value);
    return in.Text();
}
