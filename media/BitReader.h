// Reads bits most significant first from a byte buffer. Reading past the end yields zero bits
// and marks the reader overrun, so a decoder can read a whole record and check once.
#pragma once

#include <cstddef>
#include <cstdint>

namespace media {

class BitReader {
public:
    BitReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    // n from 0 to 32.
    uint32_t Read(unsigned n) {
        uint32_t value = 0;
        for (unsigned i = 0; i < n; ++i) value = (value << 1) | ReadBit();
        return value;
    }
    uint32_t ReadBit() {
        if (pos_ >= size_ * 8) {
            overrun_ = true;
            ++pos_;
            return 0;
        }
        uint32_t bit = (data_[pos_ >> 3] >> (7 - (pos_ & 7))) & 1u;
        ++pos_;
        return bit;
    }
    // Two's complement value of n bits.
    int32_t ReadSigned(unsigned n) {
        uint32_t v = Read(n);
        if (n > 0 && (v >> (n - 1)) & 1u) return static_cast<int32_t>(v) - static_cast<int32_t>(1u << n);
        return static_cast<int32_t>(v);
    }
    // The next n bits (1 to 24) without consuming them; bits past the end read as zero.
    uint32_t Peek(unsigned n) const {
        uint32_t value = 0;
        for (unsigned i = 0; i < n; ++i) {
            size_t p = pos_ + i;
            uint32_t bit = p < size_ * 8 ? (data_[p >> 3] >> (7 - (p & 7))) & 1u : 0u;
            value = (value << 1) | bit;
        }
        return value;
    }
    void Skip(unsigned n) {
        pos_ += n;
        if (pos_ > size_ * 8) overrun_ = true;
    }
    size_t BitsLeft() const { return pos_ < size_ * 8 ? size_ * 8 - pos_ : 0; }
    void MarkOverrun() { overrun_ = true; }
    bool Overrun() const { return overrun_; }
    size_t BitPosition() const { return pos_; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    bool overrun_ = false;
};

}  // namespace media
