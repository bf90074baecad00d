// Reads bits most significant first from a byte buffer. Reading past the end yields zero bits
// and marks the reader overrun, so a decoder can read a whole record and check once.
#pragma once

#include <cstddef>
#include <cstdint>

namespace media {

class BitReader {
public:
    BitReader(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    // n from 0 to 32.
    uint32_t Read(unsigned n) {
        uint32_t value = 0;
        for (unsigned i = 0; i < n; ++i)
            value = (value << 1) | ReadBit();
        return value;
    }
    uint32_t ReadBit() {
        if (m_pos >= m_size * 8) {
            m_overrun = true;
            ++m_pos;
            return 0;
        }
        uint32_t bit = (m_data[m_pos >> 3] >> (7 - (m_pos & 7))) & 1u;
        ++m_pos;
        return bit;
    }
    // Two's complement value of n bits.
    int32_t ReadSigned(unsigned n) {
        uint32_t v = Read(n);
        if (n > 0 && (v >> (n - 1)) & 1u)
            return static_cast<int32_t>(v) - static_cast<int32_t>(1u << n);
        return static_cast<int32_t>(v);
    }
    // The next n bits (1 to 24) without consuming them; bits past the end read as zero.
    uint32_t Peek(unsigned n) const {
        uint32_t value = 0;
        for (unsigned i = 0; i < n; ++i) {
            size_t p = m_pos + i;
            uint32_t bit = p < m_size * 8 ? (m_data[p >> 3] >> (7 - (p & 7))) & 1u : 0u;
            value = (value << 1) | bit;
        }
        return value;
    }
    void Skip(unsigned n) {
        m_pos += n;
        if (m_pos > m_size * 8)
            m_overrun = true;
    }
    size_t BitsLeft() const { return m_pos < m_size * 8 ? m_size * 8 - m_pos : 0; }
    void MarkOverrun() { m_overrun = true; }
    bool Overrun() const { return m_overrun; }
    size_t BitPosition() const { return m_pos; }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
    bool m_overrun = false;
};

}  // namespace media
