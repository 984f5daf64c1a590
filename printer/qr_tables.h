// Per-version data of QR Code Model 2 symbols, versions 1 to 40, as the
// standard (ISO/IEC 18004) tabulates it. The static_asserts below tie the
// tables to each other and to the symbol geometry, so a mistyped entry stops
// the build.
#pragma once

#include <array>
#include <cstdint>

namespace qr {

inline constexpr int kMaxVersion = 40;
inline constexpr int kMaxSize = 17 + 4 * kMaxVersion;  // modules per side
inline constexpr int kMaxCodewords = 3706;
inline constexpr int kMaxDataCodewords = 2956;

constexpr int symbol_size(int version) { return 17 + 4 * version; }

// Error-correction structure for one version and level: the data codewords
// of the whole symbol, the error-correction codewords of every block, and
// blocks1 blocks of data1 data codewords followed by blocks2 blocks of
// data1 + 1.
struct EcBlocks {
    uint16_t data_codewords;
    uint8_t ec_per_block;
    uint8_t blocks1;
    uint8_t data1;
    uint8_t blocks2;
};

// Indexed [version - 1][level], levels in the order L, M, Q, H.
// data, ec/block, blocks1, data1, blocks2
inline constexpr EcBlocks kEcBlocks[kMaxVersion][4] = {
    /*  1 */ {{19, 7, 1, 19, 0}, {16, 10, 1, 16, 0}, {13, 13, 1, 13, 0}, {9, 17, 1, 9, 0}},
    /*  2 */ {{34, 10, 1, 34, 0}, {28, 16, 1, 28, 0}, {22, 22, 1, 22, 0}, {16, 28, 1, 16, 0}},
    /*  3 */ {{55, 15, 1, 55, 0}, {44, 26, 1, 44, 0}, {34, 18, 2, 17, 0}, {26, 22, 2, 13, 0}},
    /*  4 */ {{80, 20, 1, 80, 0}, {64, 18, 2, 32, 0}, {48, 26, 2, 24, 0}, {36, 16, 4, 9, 0}},
    /*  5 */ {{108, 26, 1, 108, 0}, {86, 24, 2, 43, 0}, {62, 18, 2, 15, 2}, {46, 22, 2, 11, 2}},
    /*  6 */ {{136, 18, 2, 68, 0}, {108, 16, 4, 27, 0}, {76, 24, 4, 19, 0}, {60, 28, 4, 15, 0}},
    /*  7 */ {{156, 20, 2, 78, 0}, {124, 18, 4, 31, 0}, {88, 18, 2, 14, 4}, {66, 26, 4, 13, 1}},
    /*  8 */ {{194, 24, 2, 97, 0}, {154, 22, 2, 38, 2}, {110, 22, 4, 18, 2}, {86, 26, 4, 14, 2}},
    /*  9 */ {{232, 30, 2, 116, 0}, {182, 22, 3, 36, 2}, {132, 20, 4, 16, 4}, {100, 24, 4, 12, 4}},
    /* 10 */ {{274, 18, 2, 68, 2}, {216, 26, 4, 43, 1}, {154, 24, 6, 19, 2}, {122, 28, 6, 15, 2}},
    /* 11 */ {{324, 20, 4, 81, 0}, {254, 30, 1, 50, 4}, {180, 28, 4, 22, 4}, {140, 24, 3, 12, 8}},
    /* 12 */ {{370, 24, 2, 92, 2}, {290, 22, 6, 36, 2}, {206, 26, 4, 20, 6}, {158, 28, 7, 14, 4}},
    /* 13 */ {{428, 26, 4, 107, 0}, {334, 22, 8, 37, 1}, {244, 24, 8, 20, 4}, {180, 22, 12, 11, 4}},
    /* 14 */ {{461, 30, 3, 115, 1}, {365, 24, 4, 40, 5}, {261, 20, 11, 16, 5}, {197, 24, 11, 12, 5}},
    /* 15 */ {{523, 22, 5, 87, 1}, {415, 24, 5, 41, 5}, {295, 30, 5, 24, 7}, {223, 24, 11, 12, 7}},
    /* 16 */ {{589, 24, 5, 98, 1}, {453, 28, 7, 45, 3}, {325, 24, 15, 19, 2}, {253, 30, 3, 15, 13}},
    /* 17 */ {{647, 28, 1, 107, 5}, {507, 28, 10, 46, 1}, {367, 28, 1, 22, 15}, {283, 28, 2, 14, 17}},
    /* 18 */ {{721, 30, 5, 120, 1}, {563, 26, 9, 43, 4}, {397, 28, 17, 22, 1}, {313, 28, 2, 14, 19}},
    /* 19 */ {{795, 28, 3, 113, 4}, {627, 26, 3, 44, 11}, {445, 26, 17, 21, 4}, {341, 26, 9, 13, 16}},
    /* 20 */ {{861, 28, 3, 107, 5}, {669, 26, 3, 41, 13}, {485, 30, 15, 24, 5}, {385, 28, 15, 15, 10}},
    /* 21 */ {{932, 28, 4, 116, 4}, {714, 26, 17, 42, 0}, {512, 28, 17, 22, 6}, {406, 30, 19, 16, 6}},
    /* 22 */ {{1006, 28, 2, 111, 7}, {782, 28, 17, 46, 0}, {568, 30, 7, 24, 16}, {442, 24, 34, 13, 0}},
    /* 23 */ {{1094, 30, 4, 121, 5}, {860, 28, 4, 47, 14}, {614, 30, 11, 24, 14}, {464, 30, 16, 15, 14}},
    /* 24 */ {{1174, 30, 6, 117, 4}, {914, 28, 6, 45, 14}, {664, 30, 11, 24, 16}, {514, 30, 30, 16, 2}},
    /* 25 */ {{1276, 26, 8, 106, 4}, {1000, 28, 8, 47, 13}, {718, 30, 7, 24, 22}, {538, 30, 22, 15, 13}},
    /* 26 */ {{1370, 28, 10, 114, 2}, {1062, 28, 19, 46, 4}, {754, 28, 28, 22, 6}, {596, 30, 33, 16, 4}},
    /* 27 */ {{1468, 30, 8, 122, 4}, {1128, 28, 22, 45, 3}, {808, 30, 8, 23, 26}, {628, 30, 12, 15, 28}},
    /* 28 */ {{1531, 30, 3, 117, 10}, {1193, 28, 3, 45, 23}, {871, 30, 4, 24, 31}, {661, 30, 11, 15, 31}},
    /* 29 */ {{1631, 30, 7, 116, 7}, {1267, 28, 21, 45, 7}, {911, 30, 1, 23, 37}, {701, 30, 19, 15, 26}},
    /* 30 */ {{1735, 30, 5, 115, 10}, {1373, 28, 19, 47, 10}, {985, 30, 15, 24, 25}, {745, 30, 23, 15, 25}},
    /* 31 */ {{1843, 30, 13, 115, 3}, {1455, 28, 2, 46, 29}, {1033, 30, 42, 24, 1}, {793, 30, 23, 15, 28}},
    /* 32 */ {{1955, 30, 17, 115, 0}, {1541, 28, 10, 46, 23}, {1115, 30, 10, 24, 35}, {845, 30, 19, 15, 35}},
    /* 33 */ {{2071, 30, 17, 115, 1}, {1631, 28, 14, 46, 21}, {1171, 30, 29, 24, 19}, {901, 30, 11, 15, 46}},
    /* 34 */ {{2191, 30, 13, 115, 6}, {1725, 28, 14, 46, 23}, {1231, 30, 44, 24, 7}, {961, 30, 59, 16, 1}},
    /* 35 */ {{2306, 30, 12, 121, 7}, {1812, 28, 12, 47, 26}, {1286, 30, 39, 24, 14}, {986, 30, 22, 15, 41}},
    /* 36 */ {{2434, 30, 6, 121, 14}, {1914, 28, 6, 47, 34}, {1354, 30, 46, 24, 10}, {1054, 30, 2, 15, 64}},
    /* 37 */ {{2566, 30, 17, 122, 4}, {1992, 28, 29, 46, 14}, {1426, 30, 49, 24, 10}, {1096, 30, 24, 15, 46}},
    /* 38 */ {{2702, 30, 4, 122, 18}, {2102, 28, 13, 46, 32}, {1502, 30, 48, 24, 14}, {1142, 30, 42, 15, 32}},
    /* 39 */ {{2812, 30, 20, 117, 4}, {2216, 28, 40, 47, 7}, {1582, 30, 43, 24, 22}, {1222, 30, 10, 15, 67}},
    /* 40 */ {{2956, 30, 19, 118, 6}, {2334, 28, 18, 47, 31}, {1666, 30, 34, 24, 34}, {1276, 30, 20, 15, 61}},
};

// Total codewords of each version (data and error correction).
inline constexpr uint16_t kTotalCodewords[kMaxVersion] = {
    26,   44,   70,   100,  134,  172,  196,  242,  292,  346,  404,  466,  532,  581,
    655,  733,  815,  901,  991,  1085, 1156, 1258, 1364, 1474, 1588, 1706, 1828, 1921,
    2051, 2185, 2323, 2465, 2611, 2761, 2876, 3034, 3196, 3362, 3532, 3706,
};

// Modules left over after the last codeword, by version.
inline constexpr uint8_t kRemainderBits[kMaxVersion] = {
    0, 7, 7, 7, 7, 7, 0, 0, 0, 0, 0, 0, 0, 3, 3, 3, 3, 3, 3, 3,
    4, 4, 4, 4, 4, 4, 4, 3, 3, 3, 3, 3, 3, 3, 0, 0, 0, 0, 0, 0,
};

// Row and column coordinates of the alignment pattern centres, by version
// (0 ends a list).
inline constexpr uint8_t kAlignment[kMaxVersion][7] = {
    {},
    {6, 18},
    {6, 22},
    {6, 26},
    {6, 30},
    {6, 34},
    {6, 22, 38},
    {6, 24, 42},
    {6, 26, 46},
    {6, 28, 50},
    {6, 30, 54},
    {6, 32, 58},
    {6, 34, 62},
    {6, 26, 46, 66},
    {6, 26, 48, 70},
    {6, 26, 50, 74},
    {6, 30, 54, 78},
    {6, 30, 56, 82},
    {6, 30, 58, 86},
    {6, 34, 62, 90},
    {6, 28, 50, 72, 94},
    {6, 26, 50, 74, 98},
    {6, 30, 54, 78, 102},
    {6, 28, 54, 80, 106},
    {6, 32, 58, 84, 110},
    {6, 30, 58, 86, 114},
    {6, 34, 62, 90, 118},
    {6, 26, 50, 74, 98, 122},
    {6, 30, 54, 78, 102, 126},
    {6, 26, 52, 78, 104, 130},
    {6, 30, 56, 82, 108, 134},
    {6, 34, 60, 86, 112, 138},
    {6, 30, 58, 86, 114, 142},
    {6, 34, 62, 90, 118, 146},
    {6, 30, 54, 78, 102, 126, 150},
    {6, 24, 50, 76, 102, 128, 154},
    {6, 28, 54, 80, 106, 132, 158},
    {6, 32, 58, 84, 110, 136, 162},
    {6, 26, 54, 82, 110, 138, 166},
    {6, 30, 58, 86, 114, 142, 170},
};

// Version information words (6-bit version, 12-bit BCH remainder), versions 7 to 40.
inline constexpr uint32_t kVersionInfo[kMaxVersion - 6] = {
    0x07C94, 0x085BC, 0x09A99, 0x0A4D3, 0x0BBF6, 0x0C762, 0x0D847, 0x0E60D, 0x0F928,
    0x10B78, 0x1145D, 0x12A17, 0x13532, 0x149A6, 0x15683, 0x168C9, 0x177EC, 0x18EC4,
    0x191E1, 0x1AFAB, 0x1B08E, 0x1CC1A, 0x1D33F, 0x1ED75, 0x1F250, 0x209D5, 0x216F0,
    0x228BA, 0x2379F, 0x24B0B, 0x2542E, 0x26A64, 0x27541, 0x28C69,
};

// Byte-mode capacity at level M, by version.
inline constexpr uint16_t kByteCapacityM[kMaxVersion] = {
    14,  26,  42,  62,  84,   106,  122,  152,  180,  213,  251,  287,  331,  362,
    412, 450, 504, 560, 624,  666,  711,  779,  857,  911,  997,  1059, 1125, 1190,
    1264, 1370, 1452, 1538, 1628, 1722, 1809, 1911, 1989, 2099, 2213, 2331,
};

// Length of the character count field in byte mode.
constexpr int byte_count_bits(int version) { return version <= 9 ? 8 : 16; }

constexpr int alignment_count(int version) {
    int n = 0;
    while (n < 7 && kAlignment[version - 1][n] != 0) ++n;
    return n;
}

// Modules left for codewords once every function pattern is in place.
constexpr int data_modules(int version) {
    int size = symbol_size(version);
    int n = alignment_count(version);
    int alignment = n == 0 ? 0 : 25 * (n * n - 3) - 10 * (n - 2);  // those on the timing lines share 5 modules
    int version_info = version >= 7 ? 36 : 0;
    return size * size - 3 * 64 - 2 * (size - 16) - 31 - alignment - version_info;
}

constexpr bool tables_agree() {
    for (int v = 1; v <= kMaxVersion; ++v) {
        if (data_modules(v) != kTotalCodewords[v - 1] * 8 + kRemainderBits[v - 1]) return false;
        for (const EcBlocks &e : kEcBlocks[v - 1]) {
            int blocks = e.blocks1 + e.blocks2;
            if (e.blocks1 * e.data1 + e.blocks2 * (e.data1 + 1) != e.data_codewords) return false;
            if (e.data_codewords + blocks * e.ec_per_block != kTotalCodewords[v - 1]) return false;
        }
        const EcBlocks &m = kEcBlocks[v - 1][1];
        if ((m.data_codewords * 8 - 4 - byte_count_bits(v)) / 8 != kByteCapacityM[v - 1]) return false;
        if (v >= 7) {
            uint32_t r = static_cast<uint32_t>(v) << 12;
            for (int bit = 17; bit >= 12; --bit)
                if (r >> bit & 1) r ^= 0x1F25u << (bit - 12);
            if ((static_cast<uint32_t>(v) << 12 | r) != kVersionInfo[v - 7]) return false;
        }
    }
    return true;
}
static_assert(tables_agree());
static_assert(kEcBlocks[kMaxVersion - 1][0].data_codewords == kMaxDataCodewords);
static_assert(kTotalCodewords[kMaxVersion - 1] == kMaxCodewords);

}  // namespace qr
