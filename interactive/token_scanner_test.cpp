#include "interactive/token_scanner.h"

#include <gtest/gtest.h>

#include <string>

#include "base/port_ops.h"

namespace {

// What reached the port: bytes in hex, real-time ones after '!', calls by name.
std::string sent;

void note(const std::string &text) { sent += (sent.empty() ? "" : " ") + text; }
std::string hex(int32_t b) {
    char text[4];
    std::snprintf(text, sizeof text, "%02X", b);
    return text;
}

class Scanner : public testing::Test {
protected:
    void SetUp() override {
        saved_ = current_port;
        current_port.port_send_byte = [](int32_t b) { return note(hex(b)), 1; };
        current_port.port_send_byte_now = [](int32_t b) { return note(std::string(1, '!').append(hex(b))), 1; };
        current_port.port_set_host_busy = [](int32_t on) { return note(on ? "busy1" : "busy0"), 1; };
        current_port.port_reset = [] { return note("reset"), 1; };
        sent.clear();
    }
    void TearDown() override { current_port = saved_; }
    std::string scan(const std::string &line) {
        sent.clear();
        ScanState st;
        scan_text(st, line + "\n");
        return sent;
    }
    PortOps saved_;
};

TEST_F(Scanner, TokensToBytes) {
    const char *rows[][2] = {
        {"ESC A 1", "1B 41 01"},
        {"300 70000 255 65535 65536", "2C 01 70 11 01 00 FF FF FF 00 00 01 00"},
        {"4294967295 2147483648 4294967296", "FF 00 00"},  // top bit set: low byte; wraps past 32 bits
        {"word(1) word(70000) word(0x1234) word(ffh) word(1FH)", "01 00 70 11 34 12 FF 00 1F 00"},
        {"word( 1)", "77 6F 72 64 28 01 29"},
        {"0x1B 0x", "1B 00 78"},
        {"0X1B", "00 58 31 42"},
        {"1Bh ffH ab abh abhx Ah", "1B FF 61 62 AB 61 62 68 78 0A"},
        {"1a A _ _x", "01 61 41 5F 5F 78"},
        {"101b 1B 2b 012", "05 01 02 62 0C"},
        {"\\' \\\" \\\\ \\x", "27 22 5C 5C 78"},
        {"'A\\tB' \"\\0\\a\\b\\n\\r\\t\\q\\\"\"", "41 09 42 00 07 08 0A 0D 09 71 22"},
        {"\"it's\" 'a \"b\"", "69 74 27 73 61 20 22 62 22"},  // unclosed: ends at the line end
        {"\"tail\\", "74 61 69 6C 5C"},
        {"1/*two*/3 / * /\t", "01 03 2F 2A 2F"},
        {"esc ESC1 DC1DC2 Hello", "65 73 63 45 53 43 31 44 43 31 44 43 32 48 65 6C 6C 6F"},
        {"NUL SOH STX ETX EOT ENQ ACK BEL BS HT LF VT FF CR SO SI DLE DC1 DC2 DC3 DC4 NAK SYN ETB CAN EM",
         "00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12 13 14 15 16 17 18 19"},
        {"SUB ESC FS GS RS US SP DEL MD1 MD2 MD3 AX CLR HOM XON XOFF",
         "1A 1B 1C 1D 1E 1F 20 7F 01 02 03 1F 0C 0B 11 13"},
        {"BUSY DIR 1 ESC DIR 2 BUSY RESET", "busy1 !01 !1B 02 busy0 reset"},
    };
    testing::internal::CaptureStdout();
    for (const auto &r : rows) EXPECT_EQ(scan(r[0]), r[1]) << r[0];
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "<BUSY ON\n<DIRECT MODE ON\n<DIRECT MODE OFF\n<BUSY OFF\n");
    for (const char *miss : {"Ack", "ESCA", "XO", "ZZZ"}) EXPECT_EQ(find_command_word(miss), -1) << miss;
}

TEST_F(Scanner, QuotesEndAtTheLineCommentsSpanLines) {
    ScanState st;
    for (const char *line : {"\"A\n", "B /* note\n", "still \"inside\n", "*/ 'C\n"}) scan_text(st, line);
    EXPECT_EQ(sent, "41 42 43");
    EXPECT_EQ(st.mode, TextMode::Normal);
    EXPECT_EQ(st.line_count, 4);
    scan_end(st);  // nothing open
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    scan_text(st, "1 /* never closed *\n");
    EXPECT_EXIT(scan_end(st), testing::ExitedWithCode(1), "^Fatal error: EOF in comment\n$");
}

}  // namespace
