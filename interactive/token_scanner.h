// The interactive mode's token language: every typed line becomes printer
// bytes, sent through current_port as soon as each token is read.
//  - Numbers (decimal, hex with h/H, 0x with a lower-case x, binary with b/B)
//    go out through emit_number: 1, 2 or 4 bytes by value, low byte first.
//    word(n), word(0xn), word(nh) send two bytes, low byte first.
//  - A name of two or more letters, digits and underscores is looked up in
//    command_words: a control code sends its byte, BUSY, DIR and RESET act on
//    the port, any other name goes out as typed. A single letter is a byte.
//  - "..." and '...' send their text with backslash escapes (\0 \a \b \n \r
//    \t), ending at the closing quote or the line end; \' \" \\ outside quotes
//    send the character; blanks and tabs separate; /* */ may span lines.
//  - Longest match wins, the earlier rule on a tie (abh is 0xAB, ab a name).
//  - Ending the input inside a comment is the fatal error "EOF in comment".
// Values are signed 32-bit: digits beyond that wrap.
#pragma once

#include <cstdint>
#include <iterator>
#include <string_view>

struct CommandWord {
    const char *word;
    int32_t value;  // a byte, or one of the port commands below
};

inline constexpr int32_t WORD_BUSY = 256;   // host-busy toggle
inline constexpr int32_t WORD_DIR = 257;    // direct (real-time) sending toggle
inline constexpr int32_t WORD_RESET = 258;  // port reset

// Sorted by byte value for the halving search (checked at compile time);
// case-sensitive.
inline constexpr CommandWord command_words[] = {
    {"ACK", 6},     {"AX", 31},    {"BEL", 7},   {"BS", 8},     {"BUSY", WORD_BUSY},
    {"CAN", 24},    {"CLR", 12},   {"CR", 13},   {"DC1", 17},   {"DC2", 18},
    {"DC3", 19},    {"DC4", 20},   {"DEL", 127}, {"DIR", WORD_DIR}, {"DLE", 16},
    {"EM", 25},     {"ENQ", 5},    {"EOT", 4},   {"ESC", 27},   {"ETB", 23},
    {"ETX", 3},     {"FF", 12},    {"FS", 28},   {"GS", 29},    {"HOM", 11},
    {"HT", 9},      {"LF", 10},    {"MD1", 1},   {"MD2", 2},    {"MD3", 3},
    {"NAK", 21},    {"NUL", 0},    {"RESET", WORD_RESET}, {"RS", 30}, {"SI", 15},
    {"SO", 14},     {"SOH", 1},    {"SP", 32},   {"STX", 2},    {"SUB", 26},
    {"SYN", 22},    {"US", 31},    {"VT", 11},   {"XOFF", 19},  {"XON", 17},
};
static_assert(std::size(command_words) == 45);

// The value of a command word, -1 when the word is not in the table.
int32_t find_command_word(std::string_view word);

enum class TextMode { Normal, DoubleQuote, SingleQuote };

struct ScanState {
    TextMode mode = TextMode::Normal;
    bool in_comment = false;
    int32_t line_count = 0;
    bool direct_mode = false;  // bytes go out with port_send_byte_now
    bool host_busy = false;    // the last state given to port_set_host_busy
};

// port_send_byte, or port_send_byte_now while direct_mode is on.
void emit_byte(const ScanState &state, int32_t b);
// Below 256 (top bit set included): one byte; to 65535: two; above: four.
void emit_number(const ScanState &state, int32_t v);

// Scans text (whole lines, each ending in '\n') and sends what it means.
void scan_text(ScanState &state, std::string_view text);
// The end of input: fatal while a comment is open.
void scan_end(const ScanState &state);
