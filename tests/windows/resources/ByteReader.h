// Little-endian reads from a resource's bytes. A read past the end yields zeros and marks
// the reader as failed, so a truncated resource is reported instead of read out of bounds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}

    bool ok() const { return m_ok; }
    std::size_t offset() const { return m_offset; }
    std::size_t remaining() const { return m_ok ? m_bytes.size() - m_offset : 0; }

    std::uint8_t U8() { return static_cast<std::uint8_t>(Take(1)); }
    std::uint16_t U16() { return static_cast<std::uint16_t>(Take(2)); }
    std::uint32_t U32() { return static_cast<std::uint32_t>(Take(4)); }
    std::int16_t I16() { return static_cast<std::int16_t>(U16()); }

    // UTF-16 text up to and including its terminating zero unit.
    std::wstring Text() {
        std::wstring text;
        while (m_ok) {
            const wchar_t c = U16();
            if (c == 0 || !m_ok)
                break;
            text.push_back(c);
        }
        return text;
    }

    // `count` UTF-16 units, no terminator.
    std::u16string Units(std::size_t count) {
        std::u16string text;
        for (std::size_t i = 0; i < count && m_ok; ++i)
            text.push_back(U16());
        return text;
    }

    void Skip(std::size_t count) {
        if (count > remaining())
            m_ok = false;
        else
            m_offset += count;
    }

    // Moves to the next multiple of four from the start of the bytes (resource data is
    // DWORD-aligned in memory, so this is the alignment the system applies).
    void AlignTo4() { Skip((4 - m_offset % 4) % 4); }

private:
    std::uint64_t Take(std::size_t size) {
        if (size > remaining()) {
            m_ok = false;
            return 0;
        }
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < size; ++i)
            value |= std::uint64_t{m_bytes[m_offset + i]} << (8 * i);
        m_offset += size;
        return value;
    }

    std::span<const std::uint8_t> m_bytes;
    std::size_t m_offset = 0;
    bool m_ok = true;
};
