// The installer's carried control: one file in a zip archive, stored or deflated, every field
// checked against the archive's bounds.
#include "CarriedImage.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

void Put16(Bytes& out, uint32_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}
void Put32(Bytes& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}
void Set32(Bytes& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.at(at + i) = uint8_t(v >> (8 * i));
}

Bytes Deflated(const Bytes& data) {
    z_stream s{};
    deflateInit2(&s, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    Bytes out(deflateBound(&s, uLong(data.size())));
    s.next_in = const_cast<Bytef*>(data.data());
    s.avail_in = uInt(data.size());
    s.next_out = out.data();
    s.avail_out = uInt(out.size());
    deflate(&s, Z_FINISH);
    out.resize(s.total_out);
    deflateEnd(&s);
    return out;
}

// Where the fields a test breaks lie.
struct Archive {
    Bytes bytes;
    size_t central = 0;  // the central directory entry
    size_t end = 0;      // the end record
};

// A zip archive of one file as `cmake -E tar --format=zip` writes it: the local header with a
// data descriptor flag and no sizes, the data, the descriptor, the central entry, the end record.
Archive Zip(const Bytes& file, uint16_t method, const std::string& comment = "") {
    const Bytes data = method == 8 ? Deflated(file) : file;
    const uint32_t crc = uint32_t(crc32(0L, file.data(), uInt(file.size())));
    const std::string name = "MovieControl.ocx";
    Archive a;
    Bytes& z = a.bytes;
    Put32(z, 0x04034B50);
    Put16(z, 20);
    Put16(z, 0x08);
    Put16(z, method);
    Put32(z, 0);  // time and date
    Put32(z, 0);  // crc, sizes: in the descriptor
    Put32(z, 0);
    Put32(z, uint32_t(file.size()));
    Put16(z, uint16_t(name.size()));
    Put16(z, 4);
    z.insert(z.end(), name.begin(), name.end());
    Put32(z, 0);  // an extra field of 4 bytes
    z.insert(z.end(), data.begin(), data.end());
    Put32(z, 0x08074B50);
    Put32(z, crc);
    Put32(z, uint32_t(data.size()));
    Put32(z, uint32_t(file.size()));
    a.central = z.size();
    Put32(z, 0x02014B50);
    Put16(z, 20);
    Put16(z, 20);
    Put16(z, 0x08);
    Put16(z, method);
    Put32(z, 0);
    Put32(z, crc);
    Put32(z, uint32_t(data.size()));
    Put32(z, uint32_t(file.size()));
    Put16(z, uint16_t(name.size()));
    Put16(z, 0);
    Put16(z, 0);
    Put16(z, 0);
    Put16(z, 0);
    Put32(z, 0);
    Put32(z, 0);  // the local header's offset
    z.insert(z.end(), name.begin(), name.end());
    a.end = z.size();
    Put32(z, 0x06054B50);
    Put32(z, 0);
    Put16(z, 1);
    Put16(z, 1);
    Put32(z, uint32_t(a.end - a.central));
    Put32(z, uint32_t(a.central));
    Put16(z, uint16_t(comment.size()));
    z.insert(z.end(), comment.begin(), comment.end());
    return a;
}

Bytes SampleFile() {
    Bytes file(100000);
    for (size_t i = 0; i < file.size(); ++i)
        file[i] = uint8_t((i * 7) ^ (i >> 9));
    return file;
}

TEST(CarriedImage, StoredDeflatedOrBehindACommentUnpacksToTheFile) {
    const Bytes file = SampleFile();
    const struct {
        const char* name;
        Archive archive;
        Bytes file;
    } cases[] = {
        {"deflated", Zip(file, 8), file},
        {"stored", Zip(file, 0), file},
        {"behind a comment", Zip(file, 8, "made by the build"), file},
        {"empty file", Zip({}, 8), {}},
    };
    for (const auto& c : cases) {
        std::string problem;
        const auto unpacked = UnpackCarriedImage(c.archive.bytes.data(), c.archive.bytes.size(), 1u << 20, &problem);
        ASSERT_TRUE(unpacked) << c.name << ": " << problem;
        EXPECT_EQ(*unpacked, c.file) << c.name;
    }
}

struct Broken {
    const char* name;
    std::function<void(Archive&)> breakIt;
};

TEST(CarriedImage, EveryBrokenFieldIsRefused) {
    const Broken cases[] = {
        {"no end record", [](Archive& a) { a.bytes[a.end] = 0; }},
        {"central entry past the end record", [](Archive& a) { Set32(a.bytes, a.end + 16, uint32_t(a.end)); }},
        {"no entries", [](Archive& a) { a.bytes[a.end + 10] = 0; }},
        {"central signature", [](Archive& a) { a.bytes[a.central] = 'X'; }},
        {"method 12", [](Archive& a) { a.bytes[a.central + 10] = 12; }},
        {"larger than allowed", [](Archive& a) { Set32(a.bytes, a.central + 24, (1u << 20) + 1); }},
        {"local header past the entry", [](Archive& a) { Set32(a.bytes, a.central + 42, uint32_t(a.central)); }},
        {"local signature", [](Archive& a) { a.bytes[0] = 'X'; }},
        {"data past the entry", [](Archive& a) { Set32(a.bytes, a.central + 20, uint32_t(a.central)); }},
        {"local name longer than the archive", [](Archive& a) { a.bytes[27] = 0xFF; }},
        {"recorded size too small", [](Archive& a) { Set32(a.bytes, a.central + 24, 99999); }},
        {"recorded size too large", [](Archive& a) { Set32(a.bytes, a.central + 24, 100001); }},
        {"checksum", [](Archive& a) { a.bytes[a.central + 16] ^= 1; }},
        {"damaged data", [](Archive& a) { a.bytes[60] ^= 0x55; }},
    };
    for (const Broken& c : cases) {
        Archive a = Zip(SampleFile(), 8);
        c.breakIt(a);
        std::string problem;
        EXPECT_FALSE(UnpackCarriedImage(a.bytes.data(), a.bytes.size(), 1u << 20, &problem)) << c.name;
        EXPECT_FALSE(problem.empty()) << c.name;
    }
    // Every truncation of a good archive is refused without reading past it.
    const Archive good = Zip(SampleFile(), 8);
    for (size_t keep = 0; keep < good.bytes.size(); keep += 97) {
        const Bytes cut(good.bytes.begin(), good.bytes.begin() + long(keep));
        EXPECT_FALSE(UnpackCarriedImage(cut.data(), cut.size(), 1u << 20)) << keep;
    }
    EXPECT_FALSE(UnpackCarriedImage(nullptr, 0, 1u << 20));
}

}  // namespace
