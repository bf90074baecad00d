#include "movie/BitReader.h"

#include <cstring>

namespace movie {

uint8_t BitReader::U8() {
    bitCount_ = 0;
    if (pos_ >= size_) {
        ok_ = false;
        return 0;
    }
    return data_[pos_++];
}

uint16_t BitReader::U16() {
    const uint16_t lo = U8();
    return uint16_t(lo | U8() << 8);
}

uint32_t BitReader::U32() {
    const uint32_t lo = U16();
    return lo | uint32_t(U16()) << 16;
}

float BitReader::Fixed8() { return float(S16()) / 256.0f; }
float BitReader::Fixed16() { return float(int32_t(U32())) / 65536.0f; }

uint16_t BitReader::CountU8Extended() {
    const uint8_t n = U8();
    return n == 0xFF ? U16() : n;
}

uint32_t BitReader::EncodedU32() {
    uint32_t value = 0;
    for (int i = 0; i < 5; ++i) {
        const uint8_t b = U8();
        value |= uint32_t(b & 0x7F) << (7 * i);
        if (!(b & 0x80)) break;
    }
    return value;
}

uint32_t BitReader::UBits(unsigned n) {
    if (n > 32) {
        ok_ = false;
        return 0;
    }
    uint32_t value = 0;
    while (n > 0) {
        if (bitCount_ == 0) {
            if (pos_ >= size_) {
                ok_ = false;
                return 0;
            }
            bitBuffer_ = data_[pos_++];
            bitCount_ = 8;
        }
        const unsigned take = n < bitCount_ ? n : bitCount_;
        const uint32_t bits = (bitBuffer_ >> (bitCount_ - take)) & ((1u << take) - 1);
        value = (value << take) | bits;
        bitCount_ -= take;
        n -= take;
    }
    return value;
}

int32_t BitReader::SBits(unsigned n) {
    if (n == 0) return 0;
    const uint32_t raw = UBits(n);
    if (n >= 32) return int32_t(raw);
    const uint32_t sign = 1u << (n - 1);
    return int32_t((raw ^ sign) - sign);
}

void BitReader::Skip(size_t n) {
    bitCount_ = 0;
    if (n > Remaining()) {
        ok_ = false;
        pos_ = size_;
        return;
    }
    pos_ += n;
}

std::string BitReader::CString() {
    bitCount_ = 0;
    const size_t left = Remaining();
    const uint8_t* start = Here();
    const void* nul = left ? std::memchr(start, 0, left) : nullptr;
    if (!nul) {
        ok_ = false;
        pos_ = size_;
        return std::string(reinterpret_cast<const char*>(start), left);
    }
    const size_t len = size_t(static_cast<const uint8_t*>(nul) - start);
    pos_ += len + 1;
    return std::string(reinterpret_cast<const char*>(start), len);
}

const uint8_t* BitReader::Bytes(size_t n) {
    bitCount_ = 0;
    if (n > Remaining()) {
        ok_ = false;
        pos_ = size_;
        return nullptr;
    }
    const uint8_t* p = data_ + pos_;
    pos_ += n;
    return p;
}

}  // namespace movie
