// In-memory album sources and sinks, and a little-endian byte builder, for tests.
#pragma once

#include "payload/AlbumFormat.h"

#include <cstring>
#include <string>

namespace testing_album {

class MemorySource final : public album::Source {
public:
    explicit MemorySource(std::string bytes) : m_bytes(std::move(bytes)) {}
    uint64_t size() const override { return m_bytes.size(); }
    bool readAt(uint64_t offset, void* buffer, size_t size) override {
        if (offset > m_bytes.size() || size > m_bytes.size() - offset)
            return false;
        std::memcpy(buffer, m_bytes.data() + offset, size);
        ++reads;
        return true;
    }
    const std::string& bytes() const { return m_bytes; }
    int reads = 0;

private:
    std::string m_bytes;
};

class MemorySink final : public album::Sink {
public:
    bool write(const void* data, size_t size) override {
        if (failAfter >= 0 && bytes.size() + size > size_t(failAfter))
            return false;
        bytes.append(static_cast<const char*>(data), size);
        return true;
    }
    std::string bytes;
    long long failAfter = -1;  // refuse writes beyond this many bytes
};

// Builds a byte string field by field, the way the format lays it out.
class Bytes {
public:
    Bytes& u32(uint32_t v) {
        album::PutU32(m_s, v);
        return *this;
    }
    Bytes& raw(const std::string& s) {
        m_s += s;
        return *this;
    }
    Bytes& fill(size_t n, char c) {
        m_s.append(n, c);
        return *this;
    }
    // A stored text: its length in units (as given) and the units themselves.
    Bytes& text(uint32_t storedUnits, const std::u16string& units) {
        u32(storedUnits);
        return utf16(units);
    }
    Bytes& utf16(const std::u16string& units) {
        for (char16_t u : units) {
            m_s.push_back(char(u & 0xFF));
            m_s.push_back(char(u >> 8));
        }
        return *this;
    }
    const std::string& str() const { return m_s; }
    size_t size() const { return m_s.size(); }

private:
    std::string m_s;
};

}  // namespace testing_album
