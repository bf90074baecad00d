// Little-endian reads from a resource's bytes. A read past the end yields zeros and marks
// the reader as failed, so a truncated resource is reported instead of read out of bounds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    bool ok() const { return ok_; }
    std::size_t offset() const { return offset_; }
    std::size_t remaining() const { return ok_ ? bytes_.size() - offset_ : 0; }

    std::uint8_t U8() { return static_cast<std::uint8_t>(Take(1)); }
    std::uint16_t U16() { return static_cast<std::uint16_t>(Take(2)); }
    std::uint32_t U32() { return static_cast<std::uint32_t>(Take(4)); }
    std::int16_t I16() { return static_cast<std::int16_t>(U16()); }

    // UTF-16 text up to and including its terminating zero unit.
    std::wstring Text() {
        std::wstring text;
        while (ok_) {
            const wchar_t c = U16();
            if (c == 0 || !ok_) break;
            text.push_back(c);
        }
        return text;
    }

    // `count` UTF-16 units, no terminator.
    std::u16string Units(std::size_t count) {
        std::u16string text;
        for (std::size_t i = 0; i < count && ok_; ++i) text.push_back(U16());
        return text;
    }

    void Skip(std::size_t count) {
        if (count > remaining()) ok_ = false;
        else offset_ += count;
    }

    // Moves to the next multiple of four from the start of the bytes (resource data is
    // DWORD-aligned in memory, so this is the alignment the system applies).
    void AlignTo4() { Skip((4 - offset_ % 4) % 4); }

private:
    std::uint64_t Take(std::size_t size) {
        if (size > remaining()) {
            ok_ = false;
            return 0;
        }
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < size; ++i) value |= std::uint64_t{bytes_[offset_ + i]} << (8 * i);
        offset_ += size;
        return value;
    }

    std::span<const std::uint8_t> bytes_;
    std::size_t offset_ = 0;
    bool ok_ = true;
};
