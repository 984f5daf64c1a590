// Byte-level algorithms behind the string builtins, free of NODEs so they can
// be tested on their own.
//  - Texts are byte spans that may hold NUL bytes; a byte read past the end of
//    a span reads as NUL (the way a value's terminator does).
//  - A double-byte char is a lead byte (0x81..0x9F, 0xE0..0xFC) and the byte
//    after it, when that byte exists and is not NUL.
//  - Positions and counts are 64-bit where script numbers are combined, so no
//    32-bit argument can overflow them. Nothing here allocates except the
//    functions returning std::string.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/chars.h"


// Bytes taken by the char starting at byte i (1 or 2; 0 at the end).
size_t char_width(std::string_view s, size_t i);

// Chars of s up to its first NUL byte.
int32_t text_jlength(std::string_view s);

// 1-based byte position (index) or char position (jindex) of t in s, 0 if none.
// fold selects the comparison table (A..Z and 0xC1..0xDA folded).
int32_t text_index(std::string_view s, std::string_view t, bool fold);
int32_t text_jindex(std::string_view s, std::string_view t, bool fold);

// A byte range of a text, as substr/jsubstr select it.
struct Slice {
    size_t offset;
    size_t length;
    bool empty;  // the result is the empty value
};

// m is the 1-based start, n the count (-1 or has_n false: to the end), both in
// bytes (substr) or chars (jsubstr); the Slice is always in bytes.
Slice substr_slice(std::string_view s, int32_t m, bool has_n, int32_t n);
Slice jsubstr_slice(std::string_view s, int32_t m, bool has_n, int32_t n);

// Copies with single-byte letters changed; double-byte chars untouched.
std::string text_tolower(std::string_view s);
std::string text_toupper(std::string_view s);

// Leading hexadecimal digits of s (no prefix), wrapping at 32 bits.
int32_t text_hex(std::string_view s);

// The replacement of sub/gsub with & as the match and backslash-& as '&'.
void expand_replacement(std::string_view repl, std::string_view matched, std::string &out);

// The script's random generator: 15-bit results from a 32-bit linear state.
struct RandomState {
    uint32_t seed = 1;
    int32_t next() {
        seed = seed * 214013u + 2531011u;
        return static_cast<int32_t>((seed >> 16) & 0x7FFF);
    }
};
