#include "ports/file/dump.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "base/settings.h"
#include "ports/file/comm_log.h"
#include "ports/port_state.h"

namespace {

std::string field(int b) {
    char out[16];
    size_t n = format_dump_field(out, static_cast<uint8_t>(b));
    return std::string(out, n);
}

TEST(DumpField, EveryByteValue) {
    const char *control[] = {"NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL", "BS ", "HT ", "LF ",
                             "VT ", "FF ", "CR ", "SO ", "SI ", "DLE", "DC1", "DC2", "DC3", "DC4", "NAK",
                             "SYN", "ETB", "CAN", "EM ", "SUB", "ESC", "FS ", "GS ", "RS ", "US ", "SP "};
    const char hex[] = "0123456789ABCDEF";
    for (int b = 0; b < 256; ++b) {
        std::string number = std::to_string(b);
        std::string expected = std::string(3 - number.size(), ' ') + number + "  " + hex[b >> 4] + hex[b & 15] + "h";
        if (b <= 0x20) expected += std::string("  ") + control[b];
        else if (b == 0x7F) expected += "  DEL";
        else if (b == '\'') expected += "  '' ";
        else if (b < 0x80) expected += std::string("  '") + static_cast<char>(b) + "'";
        EXPECT_EQ(field(b), expected) << b;
    }
}

// Dump lines go to the log when it is open, numbered per direction.
TEST(DumpLines, SentLeftReceivedRightNumberedApart) {
    std::FILE *capture = std::tmpfile();
    ASSERT_NE(capture, nullptr);
    run_options.log_file = capture;
    port_state.sent_count = 0;
    port_state.received_count = 0;
    dump_sent_byte(0x1B);
    dump_received_byte(0x12);
    dump_sent_byte(0xC8);
    run_options.log_file = nullptr;

    std::rewind(capture);
    char buffer[512] = {};
    size_t n = std::fread(buffer, 1, sizeof buffer - 1, capture);
    std::fclose(capture);
    EXPECT_EQ(std::string(buffer, n),
              ">000000:  27  1Bh  ESC\n"
              "<" + std::string(21 + 3, ' ') + "000000:  18  12h  DC2\n"
              ">000001: 200  C8h\n");
    EXPECT_EQ(port_state.sent_count, 2);
    EXPECT_EQ(port_state.received_count, 1);
}

TEST(TotalTime, MillisecondsAndOneWrap) {
    struct Row {
        uint32_t start, end;
        const char *expected;
    };
    const Row rows[] = {
        {1000, 2234, " Total Time = 1.234 seconds\n"},
        {5, 5, " Total Time = 0.000 seconds\n"},
        {0xFFFFFF00u, 0x100u, " Total Time = 0.512 seconds\n"},
        {0, 61005, " Total Time = 61.005 seconds\n"},
    };
    for (const Row &r : rows) {
        testing::internal::CaptureStderr();
        print_total_time(r.start, r.end);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), r.expected);
    }
}

}  // namespace
