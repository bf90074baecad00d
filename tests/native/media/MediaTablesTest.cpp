// The code tables of the decoders: each must be a prefix code (no pattern starts two codes),
// and the complete ones must cover every bit pattern, which catches a mistyped code or length.
#include <gtest/gtest.h>

#include "H263Tables.h"

namespace {

using namespace media::h263;

TEST(H263Tables, EveryTableIsAPrefixCode) {
    EXPECT_TRUE(McbpcIntraTable().Valid());
    EXPECT_TRUE(McbpcInterTable().Valid());
    EXPECT_TRUE(CbpyTable().Valid());
    EXPECT_TRUE(MvdTable().Valid());
    EXPECT_TRUE(TcoefTable().Valid());
}

TEST(H263Tables, CodesCoverWhatTheFormatLeavesUnused) {
    // CBPY is complete; the others leave unused only patterns that start with a long run of
    // zeros (kept free so that a start code cannot appear inside a picture).
    EXPECT_EQ(CbpyTable().CoveredPatterns(), (1u << 6) - 2);        // 00000x
    EXPECT_EQ(MvdTable().CoveredPatterns(), (1u << 12) - 2);        // 000000000000x
    EXPECT_EQ(TcoefTable().CoveredPatterns(), (1u << 12) - 8);      // 000000000xxx
    EXPECT_EQ(McbpcIntraTable().CoveredPatterns(), (1u << 9) - 7);  // 0000000xx but the stuffing
    EXPECT_EQ(McbpcInterTable().CoveredPatterns(), (1u << 9) - 1);  // 000000000
}

TEST(H263Tables, CoefficientSymbolsRunInOrder) {
    // 58 codes without LAST, then 44 with it; runs never go down within each part.
    for (int i = 1; i < 102; ++i) {
        const RunLevel& a = kTcoefSymbols.entries[i - 1];
        const RunLevel& b = kTcoefSymbols.entries[i];
        if (a.last == b.last) {
            EXPECT_LE(a.run, b.run) << i;
        }
    }
    EXPECT_EQ(kTcoefSymbols.entries[57].last, 0);
    EXPECT_EQ(kTcoefSymbols.entries[58].last, 1);
    EXPECT_EQ(kTcoefSymbols.entries[101].run, 40);
}

}  // namespace
