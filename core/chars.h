// Byte classes and backslash escapes shared by everything that reads script
// text: the lexer, the preprocessor, string constants, the regex engine and
// the string builtins. Header only (the regex and preprocessor fuzz targets
// compile without the library).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// A Shift-JIS lead byte: with the byte after it, one character. (String
// constants' escape processing uses a range of its own, in core/node.cpp.)
constexpr bool sjis_lead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// 0..15 for a hex digit of either case, -1 for anything else.
constexpr int hex_digit_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// How many digits an escape takes: up to octal_digits octal digits ("\101"),
// and after 'x' up to hex_digits hex digits, any number when negative (the
// value then wraps at 32 bits). Each reader of script text has its own rule.
struct EscapeRule {
    int octal_digits;
    int hex_digits;
};

// Decodes the escape whose first byte (the one after the backslash) is
// text[i] and moves i past it: \a \b \f \n \r \t \v, octal, \x hex. Any other
// byte stands for itself, and *plain says so. text[i] must exist.
constexpr uint32_t decode_escape(std::string_view text, size_t &i, EscapeRule rule, bool *plain = nullptr) {
    char c = text[i++];
    if (plain) *plain = false;
    switch (c) {
    case 'a': return 7;
    case 'b': return 8;
    case 'f': return 12;
    case 'n': return 10;
    case 'r': return 13;
    case 't': return 9;
    case 'v': return 11;
    default: break;
    }
    uint32_t v = 0;
    if (c >= '0' && c <= '7' && rule.octal_digits > 0) {
        v = static_cast<uint32_t>(c - '0');
        for (int n = 1; n < rule.octal_digits && i < text.size() && text[i] >= '0' && text[i] <= '7'; ++n)
            v = v * 8 + static_cast<uint32_t>(text[i++] - '0');
        return v;
    }
    if (c == 'x') {
        for (int n = 0; (rule.hex_digits < 0 || n < rule.hex_digits) && i < text.size(); ++n) {
            int d = hex_digit_value(text[i]);
            if (d < 0) break;
            v = v * 16 + static_cast<uint32_t>(d);
            ++i;
        }
        return v;
    }
    if (plain) *plain = true;
    return static_cast<unsigned char>(c);
}
