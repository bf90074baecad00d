// The generator the working folder's number is drawn from: the classic runtime linear
// congruential generator, so a given seed always gives the same sequence of numbers.
#pragma once

#include <cstdint>

class FolderNumbers {
public:
    constexpr explicit FolderNumbers(uint32_t seed) : m_state(seed) {}

    // The next number, 0 to 32767.
    constexpr int Next() {
        m_state = m_state * 214013u + 2531011u;  // modulo 2^32 by unsigned wrap-around
        return static_cast<int>((m_state >> 16) & 0x7FFF);
    }

private:
    uint32_t m_state;
};
