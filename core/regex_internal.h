// Shared between the regex compiler and matcher: the byte-program encoding and
// the character tables. Not for use outside core/regex*.cpp.
//
// Program encoding: one opcode byte followed by its operands. Jump offsets are
// signed 16-bit little-endian, relative to the address of the jumping opcode.
// A set is [OP_SET][negate][range count: u16][bitmap: 32 bytes][ranges: u16 lo,
// u16 hi each]; the bitmap holds single-byte codes (already folded), the ranges
// double-byte codes.
#pragma once

#include <array>
#include <cstdint>

#include "core/chars.h"

namespace re_detail {

enum Op : uint8_t {
    OP_END,             // the match succeeds here
    OP_CHAR,            // c: one single-byte character (folded)
    OP_CHAR2,           // lead, second: one double-byte character
    OP_ANY,             // any character but newline
    OP_SET,             // bracket expression (variable size)
    OP_WORD,            // a word character
    OP_NOT_WORD,        // any other character
    OP_BEGBUF,          // start of the text
    OP_ENDBUF,          // end of the text
    OP_WORD_BOUND,
    OP_NOT_WORD_BOUND,
    OP_WORD_BEG,
    OP_WORD_END,
    OP_BACKREF,         // n: text of group n
    OP_SAVE_START,      // n: group n starts here
    OP_SAVE_END,        // n: group n ends here
    OP_TRY,             // off: go on; on failure resume at off
    OP_LOOP,            // off: go to off; on failure resume after this
    OP_JUMP,            // off
    OP_MARK,            // k (u16): remember the position in progress mark k
    OP_LOOP_IF,         // k (u16), off: like OP_LOOP when the position moved past mark k
    OP_RUN,             // min (0 or 1), then a one-character instruction: its greedy repetition
    OP_COUNT
};

// Size of each instruction; 0 for OP_SET and OP_RUN, whose sizes depend on operands.
constexpr std::array<uint8_t, OP_COUNT> op_size = {
    1, 2, 3, 1, 0, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 2, 3, 3, 3, 3, 5, 0,
};
static_assert(op_size.size() == OP_COUNT);

constexpr int SET_HEADER = 4;
constexpr int SET_BITMAP = 32;

// Slots of the matcher: group starts, group ends, then progress marks.
constexpr int SLOT_END = 10;
constexpr int SLOT_MARK = 20;


constexpr std::array<bool, 256> make_lead_table() {
    std::array<bool, 256> t{};
    for (unsigned b = 0; b < 256; b++) t[b] = sjis_lead(static_cast<unsigned char>(b));
    return t;
}
inline constexpr std::array<bool, 256> lead_table = make_lead_table();

constexpr bool is_word_byte(unsigned b) {
    return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9');
}

inline int16_t read16(const uint8_t *at) { return static_cast<int16_t>(at[0] | (at[1] << 8)); }
inline uint16_t readu16(const uint8_t *at) { return static_cast<uint16_t>(at[0] | (at[1] << 8)); }

// Size of the instruction at `pc`.
inline int32_t instruction_size(const uint8_t *pc) {
    if (pc[0] == OP_SET) return SET_HEADER + SET_BITMAP + 4 * readu16(pc + 2);
    if (pc[0] == OP_RUN) return 2 + instruction_size(pc + 2);
    return op_size[pc[0]];
}

// Whether a character of code `code` (single bytes already translated) is in the set at `pc`.
inline bool set_contains(const uint8_t *pc, unsigned code) {
    bool found = false;
    if (code < 256) {
        found = (pc[SET_HEADER + (code >> 3)] >> (code & 7)) & 1;
    } else {
        const uint8_t *r = pc + SET_HEADER + SET_BITMAP;
        for (unsigned n = readu16(pc + 2); n > 0 && !found; n--, r += 4)
            found = code >= readu16(r) && code <= readu16(r + 2);
    }
    return found != (pc[1] != 0);
}

extern const unsigned char identity_table[256];
extern unsigned char word_table[256];

}  // namespace re_detail
