#include "movie/SwfHeader.h"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <new>

namespace movie {
namespace {

constexpr size_t kFilePrefix = 8;  // signature, version, file length
// The longest possible RECT (5 + 4 x 31 bits = 17 bytes) plus frame rate and frame count.
constexpr size_t kMaxHeaderBody = 17 + 4;

bool Fail(std::string* error, std::string text) {
    if (error)
        *error = std::move(text);
    return false;
}

std::nullopt_t Refuse(std::string* error, std::string text) {
    Fail(error, std::move(text));
    return std::nullopt;
}

uint32_t ReadU32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint16_t ReadU16(const uint8_t* p) {
    return uint16_t(p[0] | p[1] << 8);
}

// Reads bit fields most significant bit first, as the RECT stores them.
class BitReader {
public:
    explicit BitReader(const uint8_t* bytes) : m_bytes(bytes) {}
    uint32_t Unsigned(unsigned count) {
        uint32_t value = 0;
        for (unsigned i = 0; i < count; ++i, ++m_bit) {
            value = value << 1 | ((m_bytes[m_bit / 8] >> (7 - m_bit % 8)) & 1u);
        }
        return value;
    }
    int32_t Signed(unsigned count) {
        if (count == 0)
            return 0;
        const uint32_t raw = Unsigned(count);
        const uint32_t sign = 1u << (count - 1);
        return int32_t(int64_t(raw ^ sign) - int64_t(sign));  // sign-extend
    }

private:
    const uint8_t* m_bytes;
    size_t m_bit = 0;
};

// Checks the first eight bytes and fills signature, version and file length.
bool ReadFilePrefix(const uint8_t* data, size_t size, SwfHeader& header, std::string* error) {
    if (size < kFilePrefix)
        return Fail(error, "the file is shorter than the 8-byte movie header");
    if ((data[0] != 'F' && data[0] != 'C' && data[0] != 'Z') || data[1] != 'W' || data[2] != 'S') {
        return Fail(error, "not a Flash movie: the file does not begin with FWS, CWS or ZWS");
    }
    if (data[0] == 'Z')
        return Fail(error, "LZMA-compressed movies (ZWS) are not supported");
    header.signature = char(data[0]);
    header.version = data[3];
    header.fileLength = ReadU32(data + 4);
    return true;
}

// Parses the stage rectangle, frame rate and frame count from the (decompressed) bytes that
// follow the eight-byte prefix.
bool ReadHeaderBody(const uint8_t* body, size_t size, SwfHeader& header, std::string* error) {
    if (size < 1)
        return Fail(error, "the movie header is truncated before the stage rectangle");
    const unsigned bits = body[0] >> 3;
    const size_t rectBytes = (5 + 4 * size_t(bits) + 7) / 8;
    if (size < rectBytes + 4)
        return Fail(error, "the movie header is truncated inside the stage rectangle or frame counts");

    BitReader reader(body);
    reader.Unsigned(5);
    header.xMin = reader.Signed(bits);
    header.xMax = reader.Signed(bits);
    header.yMin = reader.Signed(bits);
    header.yMax = reader.Signed(bits);
    header.frameRate = ReadU16(body + rectBytes);
    header.frameCount = ReadU16(body + rectBytes + 2);
    header.headerLength = kFilePrefix + rectBytes + 4;
    if (header.fileLength < header.headerLength) {
        return Fail(
            error, "the stored file length " + std::to_string(header.fileLength) + " is shorter than the movie header");
    }
    return true;
}

// One zlib inflate stream, ended in every path.
class Inflater {
public:
    Inflater() { m_ok = inflateInit(&m_stream) == Z_OK; }
    ~Inflater() {
        if (m_ok)
            inflateEnd(&m_stream);
    }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    bool ok() const { return m_ok; }

    // Inflates `input` into `output` until the output is full, the input is used up or the
    // stream ends. Returns the bytes produced, or nullopt with a reason on damaged data.
    std::optional<size_t> Run(const uint8_t*& input, size_t& inputLeft, uint8_t* output, size_t outputSize, bool& ended,
                              std::string* error) {
        size_t produced = 0;
        ended = false;
        while (produced < outputSize) {
            const uInt inChunk = uInt(std::min<size_t>(inputLeft, 1u << 30));
            const uInt outChunk = uInt(std::min<size_t>(outputSize - produced, 1u << 30));
            m_stream.next_in = const_cast<Bytef*>(input);
            m_stream.avail_in = inChunk;
            m_stream.next_out = output + produced;
            m_stream.avail_out = outChunk;
            const int result = inflate(&m_stream, Z_NO_FLUSH);
            const size_t used = inChunk - m_stream.avail_in;
            const size_t made = outChunk - m_stream.avail_out;
            input += used;
            inputLeft -= used;
            produced += made;
            if (result == Z_STREAM_END) {
                ended = true;
                break;
            }
            if (result == Z_BUF_ERROR && used == 0 && made == 0)
                break;  // input used up
            if (result != Z_OK && result != Z_BUF_ERROR) {
                return Refuse(error, std::string("the compressed movie data is damaged (zlib: ") +
                                         (m_stream.msg ? m_stream.msg : "error " + std::to_string(result)) + ")");
            }
        }
        return produced;
    }

private:
    z_stream m_stream{};
    bool m_ok = false;
};

}  // namespace

int32_t SwfHeader::WidthPixels() const {
    return int32_t((int64_t(xMax) - xMin) / 20);
}
int32_t SwfHeader::HeightPixels() const {
    return int32_t((int64_t(yMax) - yMin) / 20);
}
double SwfHeader::FramesPerSecond() const {
    return frameRate / 256.0;
}

std::optional<SwfHeader> ReadSwfHeader(const uint8_t* data, size_t size, std::string* error) {
    SwfHeader header;
    if (!ReadFilePrefix(data, size, header, error))
        return std::nullopt;

    const uint8_t* body = data + kFilePrefix;
    size_t bodySize = size - kFilePrefix;
    uint8_t inflated[kMaxHeaderBody];
    if (header.signature == 'C') {
        Inflater inflater;
        if (!inflater.ok())
            return Refuse(error, "zlib could not be initialised");
        bool ended = false;
        const auto produced = inflater.Run(body, bodySize, inflated, sizeof inflated, ended, error);
        if (!produced)
            return std::nullopt;
        body = inflated;
        bodySize = *produced;
    }
    if (!ReadHeaderBody(body, bodySize, header, error))
        return std::nullopt;
    return header;
}

std::optional<std::vector<uint8_t>> DecompressSwf(const uint8_t* data, size_t size, size_t maxSize,
                                                  std::string* error) {
    const auto header = ReadSwfHeader(data, size, error);
    if (!header)
        return std::nullopt;
    const size_t length = header->fileLength;
    if (length > maxSize) {
        return Refuse(error, "the movie is " + std::to_string(length) + " bytes uncompressed, more than the limit of " +
                                 std::to_string(maxSize));
    }

    std::vector<uint8_t> image;
    try {
        image.resize(length);
    } catch (const std::bad_alloc&) {
        return Refuse(error, "not enough memory for " + std::to_string(length) + " bytes");
    }

    if (header->signature == 'F') {
        if (size < length) {
            return Refuse(error, "the movie is truncated: " + std::to_string(size) + " of " + std::to_string(length) +
                                     " bytes present");
        }
        std::copy(data, data + length, image.begin());
        return image;
    }

    std::copy(data, data + kFilePrefix, image.begin());
    image[0] = 'F';
    Inflater inflater;
    if (!inflater.ok())
        return Refuse(error, "zlib could not be initialised");
    const uint8_t* input = data + kFilePrefix;
    size_t inputLeft = size - kFilePrefix;
    bool ended = false;
    const auto produced =
        inflater.Run(input, inputLeft, image.data() + kFilePrefix, length - kFilePrefix, ended, error);
    if (!produced)
        return std::nullopt;
    if (*produced < length - kFilePrefix) {
        return Refuse(error, "the compressed movie is truncated: it gives " + std::to_string(*produced + kFilePrefix) +
                                 " of the " + std::to_string(length) + " bytes its header states");
    }
    if (!ended) {
        // The image is full: the stream must end here, with its checksum, and hold no more.
        uint8_t extra;
        const auto more = inflater.Run(input, inputLeft, &extra, 1, ended, error);
        if (!more)
            return std::nullopt;
        if (*more != 0) {
            return Refuse(error, "the compressed movie holds more than the " + std::to_string(length) +
                                     " bytes its header states");
        }
        if (!ended)
            return Refuse(error, "the compressed movie is truncated: its zlib stream does not end");
    }
    return image;
}

}  // namespace movie
