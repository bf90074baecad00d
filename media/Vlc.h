// Decoding of a prefix code given as (code, length) pairs: a lookup table indexed by the next
// maxBits bits gives the symbol and its length. Building fails (Valid() false) when two codes
// overlap, which a test checks for every table.
#pragma once

#include <cstdint>
#include <vector>

#include "BitReader.h"

namespace media {

struct VlcCode {
    uint16_t code;
    uint8_t length;
};

class VlcTable {
public:
    VlcTable(const VlcCode* codes, int count, unsigned maxBits);

    // Symbol index, or -1 for a bit pattern that starts no code (with the reader marked
    // overrun when the pattern ran into the end of the data).
    int Decode(BitReader& bits) const {
        uint32_t entry = m_table[bits.Peek(m_maxBits)];
        if (entry == 0) {
            if (bits.BitsLeft() < m_maxBits)
                bits.MarkOverrun();
            return -1;
        }
        bits.Skip(entry & 0xFF);
        return static_cast<int>(entry >> 8) - 1;
    }
    bool Valid() const { return m_valid; }
    // Sum of 2^-length over the codes, times 2^maxBits: 2^maxBits for a complete code.
    uint32_t CoveredPatterns() const { return m_covered; }

private:
    unsigned m_maxBits;
    std::vector<uint32_t> m_table;  // (symbol + 1) << 8 | length; 0 = no code
    bool m_valid = true;
    uint32_t m_covered = 0;
};

}  // namespace media
