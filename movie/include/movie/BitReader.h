// Reads the little-endian bytes and the big-endian bit fields of a movie's records from a
// bounded span. A read past the end yields zeros and sets a sticky failure flag, so a record
// reader reads on and checks Ok() once at the end. Portable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace movie {

class BitReader {
public:
    BitReader(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    bool Ok() const { return m_ok; }
    void Fail() { m_ok = false; }
    size_t Position() const { return m_pos; }
    size_t Remaining() const { return m_pos < m_size ? m_size - m_pos : 0; }
    const uint8_t* Here() const { return m_data + (m_pos < m_size ? m_pos : m_size); }

    uint8_t U8();
    uint16_t U16();
    uint32_t U32();
    int16_t S16() { return int16_t(U16()); }
    float Fixed8();   // 8.8 signed
    float Fixed16();  // 16.16 signed
    // A count byte, and 0xFF followed by a 16-bit count where the record allows it.
    uint16_t CountU8Extended();
    // Encoded 32-bit integer: 7 bits per byte, at most 5 bytes.
    uint32_t EncodedU32();

    uint32_t UBits(unsigned n);
    int32_t SBits(unsigned n);
    // Signed 16.16 fixed point bit field.
    double FBits(unsigned n) { return double(SBits(n)) / 65536.0; }
    bool Flag() { return UBits(1) != 0; }
    // Moves on to the next whole byte (bit fields of a record end on a byte boundary).
    void Align() { m_bitCount = 0; }

    // Skips n bytes; fails when fewer are left.
    void Skip(size_t n);
    // A NUL-terminated text; fails (and returns what was read) when the NUL is missing.
    std::string CString();
    // Gives the span of the next n bytes and skips them; nullptr (and a failure) when short.
    const uint8_t* Bytes(size_t n);

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
    uint32_t m_bitBuffer = 0;
    unsigned m_bitCount = 0;
    bool m_ok = true;
};

}  // namespace movie
