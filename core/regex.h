// Regular-expression engine: one fixed dialect compiled into a byte program and
// run by a backtracking matcher that takes the first match it finds.
//
// Contract:
//  - Patterns and texts are bytes with explicit lengths; NUL is an ordinary byte.
//    A lead byte (0x81..0x9F, 0xE0..0xFC) and the byte after it form one
//    character (code lead * 256 + second) in patterns and texts alike; a match
//    never starts on a second byte and never ends inside a character.
//  - re_compile_pattern reports errors by returning one of the constant messages
//    below; it never ends the program. The program is at most 8192 bytes.
//  - re_search returns the start of the first match, -1 when there is none, or
//    -2 when it gave up: the backtracking stack would pass re_max_stack_entries
//    or one starting point needed more than re_max_backtracks retries. Patterns
//    whose backtracking grows linearly with the text never give up on texts up to
//    64 KB. Callers treat -2 exactly like -1 (no match).
//  - The matcher's stack is shared and reused by every search: not thread-safe.
//
// make_regexp / make_regexp_constant are the interpreter's entry points: they
// allocate, end the program on errors through fatal, and pair with free_regexp.
//
// The types are `pattern_buffer` and `regex_registers` because the C library's
// <regex.h> (pulled in by GoogleTest) already defines re_pattern_buffer,
// re_registers and RE_NREGS; the functions overload its re_* functions safely.
#pragma once

#include <cstddef>
#include <cstdint>

struct NODE;

constexpr int REGEX_NREGS = 10;            // register 0 is the whole match, 1..9 groups
constexpr int32_t REGEX_MAX_PROGRAM = 8192;  // bytes of compiled program
constexpr int REGEX_SYNTAX_DEFAULT = 0x63;

// Offsets into the searched text; -1 for a group that took no part.
struct regex_registers {
    int32_t start[REGEX_NREGS];
    int32_t end[REGEX_NREGS];
};

// Zero-initialise, set `translate` (null or re_casefold_table), compile, search,
// and release with re_free_pattern.
struct pattern_buffer {
    unsigned char *buffer;              // compiled program
    int32_t allocated;                  // its allocated size
    int32_t used;                       // its used size
    char *fastmap;                      // 256 entries: bytes that can begin a match
    bool fastmap_accurate;              // computed for the current program
    const unsigned char *translate;     // null: exact; else folds single bytes
    bool can_be_null;                   // can match the empty string at the start
    bool anchored;                      // begins with the start-of-text anchor
    bool leading_any_run;               // begins with `.*` or `.+` and has no top `|`
    int32_t loop_marks;                 // progress marks used by empty-matching loops
    // Computed with the fastmap: when every match begins with one of at most
    // three single-byte characters, those bytes (found with memchr); and a
    // byte every match must contain, or -1.
    uint8_t first_bytes[3];
    int8_t first_count;                 // 0: no such short list, use the fastmap
    int16_t required_byte;
    // The bytes every match begins with, when there are at least two or the
    // pattern is one such byte; literal_whole: the pattern is nothing else.
    uint8_t literal[16];
    int8_t literal_len;
    bool literal_whole;
    int8_t literal_rare;                // offset of its least common byte (looked for first)
};

// A..Z -> a..z, identity elsewhere.
extern const unsigned char re_casefold_table[256];

// Bounds of one search (see the contract); the fuzz target lowers them.
extern size_t re_max_stack_entries;
extern uint64_t re_max_backtracks;

// The dialect is fixed at REGEX_SYNTAX_DEFAULT; the bits are kept and returned.
int re_set_syntax(int bits);
// Builds the word-character table (A..Z, a..z, 0..9); safe to call again.
void init_syntax_once();

const char *re_compile_pattern(const char *pattern, int32_t length, pattern_buffer *buf);
// Tries starting points start .. start + range (forward, clipped to the text).
int32_t re_search(pattern_buffer *buf, const char *text, int32_t length, int32_t start,
                  int32_t range, regex_registers *regs);
void re_free_pattern(pattern_buffer *buf);  // frees program and fastmap, not buf
// Works out what searches use besides the program (the first search does it
// otherwise), so that the questions below can be asked before searching.
void re_prepare(pattern_buffer *buf);
// After re_prepare or a search of buf: a search starting past 0 looks at the
// bytes before its start only to see whether the start splits a double-byte
// character (the pattern is one literal).
bool re_blind_behind(const pattern_buffer *buf);
// Where re_blind_behind holds, every match is the pattern's literal_len bytes
// of literal at a character boundary: the start of the first match at or
// after `from` (a character boundary), or -1. Finds what re_search of
// text + from would, without its per-call set-up (gsub calls it per match).
int32_t re_next_literal(const pattern_buffer *buf, const char *text, int32_t length, int32_t from);

// The error messages re_compile_pattern can return.
extern const char *const REGEX_ERR_PREMATURE_END;  // "Premature end of regular expression"
extern const char *const REGEX_ERR_INVALID;        // "Invalid regular expression"
extern const char *const REGEX_ERR_UNMATCHED_RPAREN;
extern const char *const REGEX_ERR_UNMATCHED_LPAREN;
extern const char *const REGEX_ERR_NESTING;
extern const char *const REGEX_ERR_TOO_BIG;
extern const char *const REGEX_ERR_MEMORY;

// ---- interpreter entry points (regex_make.cpp) -----------------------------

// Compiles the string view of `text` (released when temporary), folding case
// when `fold` is non-zero. Errors are fatal: "<message>: /<pattern>/".
pattern_buffer *make_regexp(NODE *text, int fold);
// Compiles the source of a /.../ constant after its escapes are rewritten: it
// ends at an unescaped slash outside brackets, and \/, \0..\7 and \a \b \f \n
// \r \t \v \x become the characters of string escapes (so \b is a backspace).
pattern_buffer *make_regexp_constant(const char *source, int fold);
void free_regexp(pattern_buffer *buf);
