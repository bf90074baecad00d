// The variable-length codes of H.263 baseline as Sorenson Spark uses them: macroblock type and
// chroma pattern (intra and inter pictures), luma pattern, motion vector differences and the
// transform coefficients (last, run, level). Shared by the decoder and the tests that check
// every table is a proper prefix code.
#pragma once

#include <cstdint>

#include "Vlc.h"

namespace media::h263 {

// MCBPC of intra pictures: index = (type 3 or 4, cbpc) in order, then stuffing (index 8).
inline constexpr VlcCode kMcbpcIntra[] = {
    {1, 1}, {1, 3}, {2, 3}, {3, 3}, {1, 4}, {1, 6}, {2, 6}, {3, 6}, {1, 9},
};
// MCBPC of inter pictures: index = type * 4 + cbpc for types 0..4, then stuffing (index 20).
inline constexpr VlcCode kMcbpcInter[] = {
    {1, 1}, {3, 4}, {2, 4}, {5, 6}, {3, 3}, {7, 7}, {6, 7}, {5, 9}, {2, 3}, {5, 7}, {4, 7},
    {5, 8}, {3, 5}, {4, 8}, {3, 8}, {3, 7}, {4, 6}, {4, 9}, {3, 9}, {2, 9}, {1, 9},
};
// CBPY: index = the pattern of an intra macroblock (inter: 15 - index).
inline constexpr VlcCode kCbpy[] = {
    {3, 4}, {5, 5}, {4, 5}, {9, 4},  {3, 5}, {7, 4}, {2, 6}, {11, 4},
    {2, 5}, {3, 6}, {5, 4}, {10, 4}, {4, 4}, {8, 4}, {6, 4}, {3, 2},
};
// Motion vector difference magnitude in half pixels (0..32); a sign bit follows non-zero ones.
inline constexpr VlcCode kMvd[] = {
    {1, 1},   {1, 2},   {1, 3},   {1, 4},   {3, 6},   {5, 7},   {4, 7},   {3, 7},   {11, 9}, {10, 9}, {9, 9},
    {17, 10}, {16, 10}, {15, 10}, {14, 10}, {13, 10}, {12, 10}, {11, 10}, {10, 10}, {9, 10}, {8, 10}, {7, 10},
    {6, 10},  {5, 10},  {4, 10},  {7, 11},  {6, 11},  {5, 11},  {4, 11},  {3, 11},  {2, 11}, {3, 12}, {2, 12},
};

struct RunLevel {
    uint8_t last, run, level;
};

// Transform coefficients: 102 (last, run, level) codes followed by the escape (index 102).
inline constexpr VlcCode kTcoef[] = {
    // last = 0
    {0x2, 2},
    {0xf, 4},
    {0x15, 6},
    {0x17, 7},
    {0x1f, 8},
    {0x25, 9},
    {0x24, 9},
    {0x21, 10},
    {0x20, 10},
    {0x7, 11},
    {0x6, 11},
    {0x20, 11},
    {0x6, 3},
    {0x14, 6},
    {0x1e, 8},
    {0xf, 10},
    {0x21, 11},
    {0x50, 12},
    {0xe, 4},
    {0x1d, 8},
    {0xe, 10},
    {0x51, 12},
    {0xd, 5},
    {0x23, 9},
    {0xd, 10},
    {0xc, 5},
    {0x22, 9},
    {0x52, 12},
    {0xb, 5},
    {0xc, 10},
    {0x53, 12},
    {0x13, 6},
    {0xb, 10},
    {0x54, 12},
    {0x12, 6},
    {0xa, 10},
    {0x11, 6},
    {0x9, 10},
    {0x10, 6},
    {0x8, 10},
    {0x16, 7},
    {0x55, 12},
    {0x15, 7},
    {0x14, 7},
    {0x1c, 8},
    {0x1b, 8},
    {0x21, 9},
    {0x20, 9},
    {0x1f, 9},
    {0x1e, 9},
    {0x1d, 9},
    {0x1c, 9},
    {0x1b, 9},
    {0x1a, 9},
    {0x22, 11},
    {0x23, 11},
    {0x56, 12},
    {0x57, 12},
    // last = 1
    {0x7, 4},
    {0x19, 9},
    {0x5, 11},
    {0xf, 6},
    {0x4, 11},
    {0xe, 6},
    {0xd, 6},
    {0xc, 6},
    {0x13, 7},
    {0x12, 7},
    {0x11, 7},
    {0x10, 7},
    {0x1a, 8},
    {0x19, 8},
    {0x18, 8},
    {0x17, 8},
    {0x16, 8},
    {0x15, 8},
    {0x14, 8},
    {0x13, 8},
    {0x18, 9},
    {0x17, 9},
    {0x16, 9},
    {0x15, 9},
    {0x14, 9},
    {0x13, 9},
    {0x12, 9},
    {0x11, 9},
    {0x7, 10},
    {0x6, 10},
    {0x5, 10},
    {0x4, 10},
    {0x24, 11},
    {0x25, 11},
    {0x26, 11},
    {0x27, 11},
    {0x58, 12},
    {0x59, 12},
    {0x5a, 12},
    {0x5b, 12},
    {0x5c, 12},
    {0x5d, 12},
    {0x5e, 12},
    {0x5f, 12},
    // escape
    {0x3, 7},
};
inline constexpr int kTcoefEscape = 102;

// (last, run, level) of each kTcoef code, built from the run lengths' level counts.
struct TcoefSymbols {
    RunLevel entries[102];
    constexpr TcoefSymbols() : entries{} {
        // Levels per run for last = 0 (runs 0..26) and last = 1 (runs 0..40).
        constexpr uint8_t levels0[27] = {12, 6, 4, 3, 3, 3, 3, 2, 2, 2, 2, 1, 1, 1,
                                         1,  1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
        int k = 0;
        for (int run = 0; run < 27; ++run)
            for (int level = 1; level <= levels0[run]; ++level)
                entries[k++] = {0, static_cast<uint8_t>(run), static_cast<uint8_t>(level)};
        for (int run = 0; run < 41; ++run) {
            const int count = run == 0 ? 3 : run == 1 ? 2 : 1;
            for (int level = 1; level <= count; ++level)
                entries[k++] = {1, static_cast<uint8_t>(run), static_cast<uint8_t>(level)};
        }
    }
};
inline constexpr TcoefSymbols kTcoefSymbols{};

inline constexpr uint8_t kZigzag[64] = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63,
};

const VlcTable& McbpcIntraTable();
const VlcTable& McbpcInterTable();
const VlcTable& CbpyTable();
const VlcTable& MvdTable();
const VlcTable& TcoefTable();

}  // namespace media::h263
