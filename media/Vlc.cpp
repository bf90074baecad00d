#include "Vlc.h"

namespace media {

VlcTable::VlcTable(const VlcCode* codes, int count, unsigned maxBits)
    : m_maxBits(maxBits), m_table(size_t{1} << maxBits, 0) {
    for (int i = 0; i < count; ++i) {
        const unsigned len = codes[i].length;
        if (len == 0 || len > maxBits || codes[i].code >= (1u << len)) {
            m_valid = false;
            continue;
        }
        const uint32_t first = static_cast<uint32_t>(codes[i].code) << (maxBits - len);
        const uint32_t span = 1u << (maxBits - len);
        for (uint32_t p = first; p < first + span; ++p) {
            if (m_table[p] != 0)
                m_valid = false;
            m_table[p] = (static_cast<uint32_t>(i + 1) << 8) | len;
        }
        m_covered += span;
    }
}

}  // namespace media
