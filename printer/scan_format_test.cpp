#include "printer/scan_format.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace std::string_literals;

TEST(ScanSize, ParsesTheSixNumbers) {
    struct Row {
        std::string bytes;
        bool parsed;
        ScanSizeInfo want;
    };
    const Row rows[] = {
        {"S00\x1F" "0\x1F" "0\x1F" "99\x1F" "49\x1F" "100\x1F" "50", true, {0, 0, 99, 49, 100, 50}},
        // Hex blocks hand over their text with its NUL.
        {"S00\x1F" "1\x1F" "2\x1F" "3\x1F" "4\x1F" "5\x1F" "6\0"s, true, {1, 2, 3, 4, 5, 6}},
        // A NUL ends a number like 1F; numbers missing at the end are 0.
        {"S00\x1F" "7\0" "8"s, true, {7, 8, 0, 0, 0, 0}},
        {"S00\x1F", true, {}},
        {"S00\x1F\x1F\x1F" "12", true, {0, 0, 12, 0, 0, 0}},
        // 16-bit arithmetic, and no digit check.
        {"S00\x1F" "65536\x1F" "65537\x1F" "A", true, {0, 1, 17, 0, 0, 0}},
        {"S00", false, {}},
        {"S01\x1F" "1\x1F" "2", false, {}},
        {"s00\x1F" "1", false, {}},
        {"", false, {}},
    };
    for (const Row &r : rows) {
        ScanSizeInfo got{9, 9, 9, 9, 9, 9};
        EXPECT_EQ(parse_scan_size(r.bytes, &got), r.parsed) << r.bytes;
        const ScanSizeInfo &w = r.want;
        EXPECT_EQ((std::vector<int>{got.start_x, got.start_y, got.end_x, got.end_y, got.data_x, got.data_y}),
                  (std::vector<int>{w.start_x, w.start_y, w.end_x, w.end_y, w.data_x, w.data_y}))
            << r.bytes;
    }
}

TEST(ScanHex, DecodesPairsUpToTheNul) {
    struct Row {
        std::string text;
        std::string want;
    };
    const Row rows[] = {
        {"", ""},
        {"00FF7F80", "\x00\xFF\x7F\x80"s},
        {"4142\0" "4344"s, "AB"},
        {"414", "A"},           // a lone last digit is dropped
        {"41\0" "4"s, "A"},     // never read past the NUL
        {"4\0" "41"s, ""},
        // No digit still decodes by the rule, keeping the low 8 bits:
        {"ff", "\x1F"},   // 'f' - 0x37 = 0x2F: 0x2F0 + 0x2F
        {"G0", "\x00"s},  // 'G' counts 16: the carry leaves the byte
        {"0:", "\x03"},   // ':' is above '9': 0x3A - 0x37
        {"  ", "\xF0"},   // ' ' - 0x30 = -16
    };
    for (const Row &r : rows) {
        std::vector<uint8_t> out{0x55};
        decode_scan_hex(r.text, &out);
        EXPECT_EQ(std::string(out.begin() + 1, out.end()), r.want) << r.text;
    }
}

TEST(ScanBmp, HeaderFieldsForAPicture) {
    auto h = scan_bmp_header(100, 50);
    auto u32 = [&](size_t at) { return h[at] | h[at + 1] << 8 | h[at + 2] << 16 | uint32_t{h[at + 3]} << 24; };
    EXPECT_EQ(std::string(h.begin(), h.begin() + 2), "BM");
    EXPECT_EQ(u32(2), 6078u);
    EXPECT_EQ(u32(6), 0u);
    EXPECT_EQ(u32(10), 1078u);
    EXPECT_EQ(u32(14), 40u);
    EXPECT_EQ(u32(18), 100u);
    EXPECT_EQ(u32(22), 50u);
    EXPECT_EQ(h[26] | h[27] << 8, 1);
    EXPECT_EQ(h[28] | h[29] << 8, 8);
    EXPECT_EQ(u32(30), 0u);
    EXPECT_EQ(u32(34), 5000u);
    EXPECT_EQ(u32(38), 2834u);
    EXPECT_EQ(u32(42), 2834u);
    EXPECT_EQ(u32(46), 256u);
    EXPECT_EQ(u32(50), 256u);
    for (uint32_t i : {0u, 1u, 128u, 255u}) EXPECT_EQ(u32(54 + 4 * i), i | i << 8 | i << 16) << i;
}

}  // namespace
