#include "Vlc.h"

namespace media {

VlcTable::VlcTable(const VlcCode* codes, int count, unsigned maxBits)
    : maxBits_(maxBits), table_(size_t{1} << maxBits, 0) {
    for (int i = 0; i < count; ++i) {
        const unsigned len = codes[i].length;
        if (len == 0 || len > maxBits || codes[i].code >= (1u << len)) {
            valid_ = false;
            continue;
        }
        const uint32_t first = static_cast<uint32_t>(codes[i].code) << (maxBits - len);
        const uint32_t span = 1u << (maxBits - len);
        for (uint32_t p = first; p < first + span; ++p) {
            if (table_[p] != 0) valid_ = false;
            table_[p] = (static_cast<uint32_t>(i + 1) << 8) | len;
        }
        covered_ += span;
    }
}

}  // namespace media
