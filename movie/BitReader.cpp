#include "movie/BitReader.h"

#include <cstring>

namespace movie {

uint8_t BitReader::U8() {
    m_bitCount = 0;
    if (m_pos >= m_size) {
        m_ok = false;
        return 0;
    }
    return m_data[m_pos++];
}

uint16_t BitReader::U16() {
    const uint16_t lo = U8();
    return uint16_t(lo | U8() << 8);
}

uint32_t BitReader::U32() {
    const uint32_t lo = U16();
    return lo | uint32_t(U16()) << 16;
}

float BitReader::Fixed8() {
    return float(S16()) / 256.0f;
}
float BitReader::Fixed16() {
    return float(int32_t(U32())) / 65536.0f;
}

uint16_t BitReader::CountU8Extended() {
    const uint8_t n = U8();
    return n == 0xFF ? U16() : n;
}

uint32_t BitReader::EncodedU32() {
    uint32_t value = 0;
    for (int i = 0; i < 5; ++i) {
        const uint8_t b = U8();
        value |= uint32_t(b & 0x7F) << (7 * i);
        if (!(b & 0x80))
            break;
    }
    return value;
}

uint32_t BitReader::UBits(unsigned n) {
    if (n > 32) {
        m_ok = false;
        return 0;
    }
    uint32_t value = 0;
    while (n > 0) {
        if (m_bitCount == 0) {
            if (m_pos >= m_size) {
                m_ok = false;
                return 0;
            }
            m_bitBuffer = m_data[m_pos++];
            m_bitCount = 8;
        }
        const unsigned take = n < m_bitCount ? n : m_bitCount;
        const uint32_t bits = (m_bitBuffer >> (m_bitCount - take)) & ((1u << take) - 1);
        value = (value << take) | bits;
        m_bitCount -= take;
        n -= take;
    }
    return value;
}

int32_t BitReader::SBits(unsigned n) {
    if (n == 0)
        return 0;
    const uint32_t raw = UBits(n);
    if (n >= 32)
        return int32_t(raw);
    const uint32_t sign = 1u << (n - 1);
    return int32_t((raw ^ sign) - sign);
}

void BitReader::Skip(size_t n) {
    m_bitCount = 0;
    if (n > Remaining()) {
        m_ok = false;
        m_pos = m_size;
        return;
    }
    m_pos += n;
}

std::string BitReader::CString() {
    m_bitCount = 0;
    const size_t left = Remaining();
    const uint8_t* start = Here();
    const void* nul = left ? std::memchr(start, 0, left) : nullptr;
    if (!nul) {
        m_ok = false;
        m_pos = m_size;
        return std::string(reinterpret_cast<const char*>(start), left);
    }
    const size_t len = size_t(static_cast<const uint8_t*>(nul) - start);
    m_pos += len + 1;
    return std::string(reinterpret_cast<const char*>(start), len);
}

const uint8_t* BitReader::Bytes(size_t n) {
    m_bitCount = 0;
    if (n > Remaining()) {
        m_ok = false;
        m_pos = m_size;
        return nullptr;
    }
    const uint8_t* p = m_data + m_pos;
    m_pos += n;
    return p;
}

}  // namespace movie
