// The player template's initialisation list (type 240, id 102): one entry that hands the
// Flash control its persisted property stream, then the end marker.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "ByteReader.h"
#include "ResourceModule.h"

namespace {

constexpr int kInitDataType = 240;
constexpr std::uint16_t kBstr = 8, kBool = 11;

// Builds the expected bytes, little-endian, one field at a time.
class Bytes {
public:
    Bytes& U16(std::uint16_t v) {
        m_bytes.push_back(v & 0xFF);
        m_bytes.push_back(v >> 8);
        return *this;
    }
    Bytes& U32(std::uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
    // VT_BSTR: byte count including the NUL, the UTF-16 characters, the NUL.
    Bytes& Text(std::u16string_view text) {
        U16(kBstr).U32(static_cast<std::uint32_t>(2 * (text.size() + 1)));
        for (char16_t c : text)
            U16(c);
        return U16(0);
    }
    Bytes& Flag(bool on) { return U16(kBool).U16(on ? 0xFFFF : 0x0000); }
    std::vector<std::uint8_t> take() { return std::move(m_bytes); }

private:
    std::vector<std::uint8_t> m_bytes;
};

std::vector<std::uint8_t> ExpectedInitData() {
    return Bytes()
        .U16(1000)
        .U16(0x0376)
        .U32(174)  // control, load-from-stream message, data length
        .U32(0)    // no creation key
        .U32(0x55665567)
        .U32(0x00000300)
        .U32(17939)
        .U32(13123)
        .Text(u"")
        .Text(u"")
        .Text(u"")
        .Text(u"Window")
        .Flag(true)
        .Flag(true)
        .Text(u"High")
        .Text(u"")
        .Flag(true)
        .Text(u"")
        .Text(u"always")
        .Text(u"ShowAll")
        .Flag(false)
        .Flag(false)
        .Text(u"")
        .Text(u"")
        .U16(0)  // end of list
        .take();
}

// Empty when equal; otherwise where and how the bytes first differ.
std::string FirstDifference(std::span<const std::uint8_t> actual, const std::vector<std::uint8_t>& expected) {
    std::ostringstream out;
    for (std::size_t i = 0; i < std::min(actual.size(), expected.size()); ++i)
        if (actual[i] != expected[i]) {
            out << "offset " << i << ": 0x" << std::hex << int{actual[i]} << " instead of 0x" << int{expected[i]};
            return out.str();
        }
    if (actual.size() != expected.size())
        out << actual.size() << " bytes instead of " << expected.size();
    return out.str();
}

TEST(InitData, IsTheExpected184BytesExactly) {
    const auto expected = ExpectedInitData();
    ASSERT_EQ(expected.size(), 184u);  // the expectation itself is complete
    const auto bytes = ResourceBytes(kInitDataType, 102);
    ASSERT_FALSE(bytes.empty()) << "no initialisation data for template 102";
    EXPECT_EQ(FirstDifference(bytes, expected), "");
}

// The list read the way the framework reads it: entries until control id 0, each with a
// 32-bit key length and key before the control's own stream.
TEST(InitData, HoldsOneEntryWhoseStreamIs170Bytes) {
    const auto bytes = ResourceBytes(kInitDataType, 102);
    ASSERT_FALSE(bytes.empty());
    ByteReader in(bytes);
    int entries = 0;
    for (std::uint16_t control = in.U16(); control != 0 && in.ok(); control = in.U16()) {
        ++entries;
        EXPECT_EQ(control, 1000);
        EXPECT_EQ(in.U16(), 0x0376);
        const std::uint32_t length = in.U32();
        ASSERT_TRUE(in.ok());
        ASSERT_LE(length, in.remaining());
        ByteReader entry(bytes.subspan(in.offset(), length));
        in.Skip(length);
        const std::uint32_t keyLength = entry.U32();
        EXPECT_EQ(keyLength, 0u);
        entry.Skip(2 * std::size_t{keyLength});
        ASSERT_TRUE(entry.ok()) << "creation key longer than the entry";
        EXPECT_EQ(entry.remaining(), 170u) << "property stream size";
    }
    ASSERT_TRUE(in.ok()) << "no end marker";
    EXPECT_EQ(entries, 1);
    EXPECT_EQ(in.remaining(), 0u) << "bytes after the end marker";
}

}  // namespace
