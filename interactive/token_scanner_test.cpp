#include "interactive/token_scanner.h"

#include <gtest/gtest.h>

#include <string>

#include "base/port_ops.h"

namespace {

// What reached the port: ordinary bytes as two hex digits, real-time bytes
// with a '!' before them, busy and reset calls by name.
std::string sent;

void note(const char *text) { sent += sent.empty() ? text : std::string(" ") + text; }
int32_t record_byte(int32_t b) {
    char text[8];
    std::snprintf(text, sizeof text, "%02X", b);
    note(text);
    return 1;
}
int32_t record_now(int32_t b) {
    char text[8];
    std::snprintf(text, sizeof text, "!%02X", b);
    note(text);
    return 1;
}
int32_t record_busy(int32_t on) {
    note(on ? "busy1" : "busy0");
    return 1;
}
int32_t record_reset() {
    note("reset");
    return 1;
}

class Scanner : public testing::Test {
protected:
    void SetUp() override {
        saved_ = current_port;
        current_port.port_send_byte = record_byte;
        current_port.port_send_byte_now = record_now;
        current_port.port_set_host_busy = record_busy;
        current_port.port_reset = record_reset;
        sent.clear();
    }
    void TearDown() override { current_port = saved_; }
    // The bytes of one line as the editor hands it over.
    std::string scan(const std::string &line) {
        sent.clear();
        ScanState st;
        scan_text(st, line + "\n");
        return sent;
    }
    PortOps saved_;
};

TEST_F(Scanner, TokensToBytes) {
    struct Row {
        const char *line;
        const char *bytes;
    };
    const Row rows[] = {
        {"ESC A 1", "1B 41 01"},
        {"ESC @ \"Hello\" LF GS V 66 0", "1B 40 48 65 6C 6C 6F 0A 1D 56 42 00"},
        {"300", "2C 01"},
        {"70000", "70 11 01 00"},
        {"255 256 65535 65536", "FF 00 01 FF FF 00 00 01 00"},
        {"4294967295", "FF"},             // top bit set: the low byte only
        {"2147483648", "00"},
        {"4294967296", "00"},             // wraps beyond 32 bits
        {"word(1)", "01 00"},
        {"word(70000) word(0x1234) word(ffh) word(1FH)", "70 11 34 12 FF 00 1F 00"},
        {"word( 1)", "77 6F 72 64 28 01 29"},  // blanks: a name and characters
        {"word(0X1)", "77 6F 72 64 28 00 58 31 29"},
        {"0x1B 0x1b 0x", "1B 1B 00 78"},
        {"0X1B", "00 58 31 42"},          // capital X: 0, then the name X1B
        {"1Bh FFh ffH 0h", "1B FF FF 00"},
        {"ab", "61 62"},
        {"abh", "AB"},                    // equal length: the number rule first
        {"abhx", "61 62 68 78"},          // longer as a name
        {"Ah", "0A"},
        {"1a", "01 61"},
        {"A", "41"},
        {"_ _x", "5F 5F 78"},
        {"101b 101B 1b 1bh 2b", "05 05 01 1B 02 62"},
        {"012", "0C"},
        {"\\' \\\" \\\\ \\x", "27 22 5C 5C 78"},
        {"'A\\tB'", "41 09 42"},
        {"\"\\0\\a\\b\\n\\r\\t\\q\\\"\\\\\"", "00 07 08 0A 0D 09 71 22 5C"},
        {"\"it's\" 'say \"hi\"'", "69 74 27 73 73 61 79 20 22 68 69 22"},
        {"\"open to the end", "6F 70 65 6E 20 74 6F 20 74 68 65 20 65 6E 64"},
        {"\"tail\\", "74 61 69 6C 5C"},
        {"\"\" ''", ""},
        {"1/*two*/3 / * /", "01 03 2F 2A 2F"},
        {"\t  \t", ""},
        {"esc Esc ESC1 ESC_", "65 73 63 45 73 63 45 53 43 31 45 53 43 5F"},
        {"Hello", "48 65 6C 6C 6F"},
        {"RESET", "reset"},
        {"DC1DC2", "44 43 31 44 43 32"},
        {"+-()", "2B 2D 28 29"},
    };
    for (const Row &r : rows) EXPECT_EQ(scan(r.line), r.bytes) << r.line;
}

TEST_F(Scanner, EveryCommandWord) {
    const struct {
        const char *word;
        int32_t value;
    } words[] = {
        {"ACK", 6},  {"AX", 31},  {"BEL", 7},   {"BS", 8},    {"CAN", 24}, {"CLR", 12}, {"CR", 13},
        {"DC1", 17}, {"DC2", 18}, {"DC3", 19},  {"DC4", 20},  {"DEL", 127}, {"DLE", 16}, {"EM", 25},
        {"ENQ", 5},  {"EOT", 4},  {"ESC", 27},  {"ETB", 23},  {"ETX", 3},  {"FF", 12},  {"FS", 28},
        {"GS", 29},  {"HOM", 11}, {"HT", 9},    {"LF", 10},   {"MD1", 1},  {"MD2", 2},  {"MD3", 3},
        {"NAK", 21}, {"NUL", 0},  {"RS", 30},   {"SI", 15},   {"SO", 14},  {"SOH", 1},  {"SP", 32},
        {"STX", 2},  {"SUB", 26}, {"SYN", 22},  {"US", 31},   {"VT", 11},  {"XOFF", 19}, {"XON", 17},
        {"BUSY", WORD_BUSY}, {"DIR", WORD_DIR}, {"RESET", WORD_RESET},
    };
    static_assert(std::size(words) == std::size(command_words));
    for (const auto &w : words) {
        EXPECT_EQ(find_command_word(w.word), w.value) << w.word;
        if (w.value > 255) continue;
        char want[4];
        std::snprintf(want, sizeof want, "%02X", w.value);
        EXPECT_EQ(scan(w.word), want) << w.word;
    }
    for (const char *miss : {"", "A", "AAA", "Ack", "ZZZ", "ESCA", "XO"}) EXPECT_EQ(find_command_word(miss), -1) << miss;
}

TEST_F(Scanner, BusyAndDirectModeToggle) {
    ScanState st;
    testing::internal::CaptureStdout();
    scan_text(st, "BUSY DIR 1 ESC DIR 2 BUSY\n");
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "<BUSY ON\n<DIRECT MODE ON\n<DIRECT MODE OFF\n<BUSY OFF\n");
    EXPECT_EQ(sent, "busy1 !01 !1B 02 busy0");
    EXPECT_FALSE(st.direct_mode);
    EXPECT_FALSE(st.host_busy);
}

TEST_F(Scanner, QuotesEndAtTheLineCommentsSpanLines) {
    ScanState st;
    scan_text(st, "\"A\n");
    scan_text(st, "B /* note\n");
    EXPECT_TRUE(st.in_comment);
    scan_text(st, "still \"inside\n");
    scan_text(st, "*/ 'C\n");
    EXPECT_EQ(sent, "41 42 43");
    EXPECT_EQ(st.mode, TextMode::Normal);
    EXPECT_FALSE(st.in_comment);
    EXPECT_EQ(st.line_count, 4);
    scan_end(st);  // nothing open: returns
}

TEST_F(Scanner, EndOfInputInsideACommentIsFatal) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            ScanState st;
            scan_text(st, "1 /* never closed *\n");
            scan_end(st);
        },
        testing::ExitedWithCode(1), "Fatal error: EOF in comment\n");
}

}  // namespace
