#include "sim/replies_scan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/replies.h"

namespace {

using Bytes = std::vector<uint8_t>;

Replies answer(ScanSettings &s, Bytes bytes) {
    Replies out;
    Command c{lookup_command(bytes).spec, bytes, bytes.size()};
    answer_gs_paren_g(s, c, out);
    return out;
}

int hex_value(uint8_t c) { return c <= '9' ? c - '0' : c - 'A' + 10; }

// The picture data carried by the data blocks (after the two information blocks).
Bytes data_of(const Replies &replies, bool hex) {
    Bytes data;
    for (size_t i = 2; i < replies.size(); ++i) {
        const Bytes &b = replies[i].bytes;
        if (!hex) {
            EXPECT_EQ(b.size(), 5u + (b[3] | b[4] << 8));
            data.insert(data.end(), b.begin() + 5, b.end());
            continue;
        }
        EXPECT_LE(b.size(), 514u);
        for (size_t j = 3; j + 2 < b.size(); j += 2)
            data.push_back(static_cast<uint8_t>(hex_value(b[j]) << 4 | hex_value(b[j + 1])));
    }
    return data;
}

TEST(ScanReplies, BlocksCarryThePictureAndWaitForTheAck) {
    struct Row {
        std::vector<const char *> settings;
        size_t data_blocks;
        bool last_waits;
    };
    const Row rows[] = {
        {{"size=10x3", "block=12"}, 3, true},  // lines padded to 12 bytes
        {{"size=300x4", "encoding=hex", "block=1000"}, 5, true},  // hex blocks hold 254 bytes
        {{"size=8x2", "block=8", "protocol=ncr"}, 2, false},
        {{"size=8x2", "block=8", "protocol=ncr", "encoding=hex"}, 2, false},
        {{"size=8x8", "block=8", "jam=3"}, 3, true},
    };
    for (const Row &r : rows) {
        ScanSettings s;
        std::string error;
        for (const char *a : r.settings) ASSERT_TRUE(set_scan_setting(s, a, &error)) << error;
        Replies out = answer(s, {0x1D, 0x28, 0x47, 0x04, 0x00, 0x42, 0x01, 0x00, 0x00});
        ASSERT_EQ(out.size(), 2 + r.data_blocks) << r.settings[0];
        for (size_t i = 0; i + 1 < out.size(); ++i) EXPECT_EQ(out[i].await, 0x06) << i;
        EXPECT_EQ(out.back().await, r.last_waits ? 0x06 : 0x00) << r.settings[0];
        // Information blocks are block replies in hex and in the NCR protocol.
        EXPECT_EQ(out[1].bytes[0], s.hex || s.ncr ? 0x5F : 'S');
        Bytes picture = scan_picture(s);
        Bytes data = data_of(out, s.hex);
        if (s.jam == 0) {
            EXPECT_EQ(data, picture) << r.settings[0];
            EXPECT_EQ(out.back().bytes[2], 0x40);
        } else {
            EXPECT_EQ(data, Bytes(picture.begin(), picture.begin() + 24));
            EXPECT_EQ(out.back().bytes[2], 0x41);
        }
    }
}

TEST(ScanReplies, PictureRowsGoBottomUpPadded) {
    ScanSettings s;
    s.width = 3;
    s.height = 2;
    EXPECT_EQ(scan_picture(s), (Bytes{5, 8, 11, 0, 0, 3, 6, 0}));
}

TEST(ScanReplies, BadSettingsAreRefused) {
    ScanSettings s;
    std::string error;
    for (const char *bad : {"size=0x5", "size=10000x1", "size=12", "block=0", "block=65536", "encoding=bin",
                            "protocol=x", "jam=-1", "colour=1"})
        EXPECT_FALSE(set_scan_setting(s, bad, &error)) << bad;
    EXPECT_EQ(describe_scan_settings(s), "size=64x32 block=256 encoding=raw protocol=standard jam=0 wave=100");
}

}  // namespace
