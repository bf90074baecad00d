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
        uint32_t entry = table_[bits.Peek(maxBits_)];
        if (entry == 0) {
            if (bits.BitsLeft() < maxBits_) bits.MarkOverrun();
            return -1;
        }
        bits.Skip(entry & 0xFF);
        return static_cast<int>(entry >> 8) - 1;
    }
    bool Valid() const { return valid_; }
    // Sum of 2^-length over the codes, times 2^maxBits: 2^maxBits for a complete code.
    uint32_t CoveredPatterns() const { return covered_; }

private:
    unsigned maxBits_;
    std::vector<uint32_t> table_;  // (symbol + 1) << 8 | length; 0 = no code
    bool valid_ = true;
    uint32_t covered_ = 0;
};

}  // namespace media
