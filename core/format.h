// The format engine behind printf, outputf, directf and sprintf, free of the
// node layer so it can be tested and compared on its own.
//
// Contract:
//  - A specification is '%' [flags 0 - # l] [width] ['.' precision] and one
//    of c s d i o u x X e f g; "%%" writes one '%'. Anything else (space, '+',
//    '*', a repeated flag, '0' after '-') makes the conversion invalid:
//    its text from the '%' through the offending byte is copied unchanged.
//  - Integers are 32-bit. d/i ignore zero-extension by precision (a larger
//    precision widens the field instead); o u x X ignore the precision; the
//    fill character goes before an alternate-form prefix.
//  - Width and precision saturate at MAX_FORMAT_FIELD; a wider field ends the
//    run through fatal.
//  - Values come one per conversion from a FormatArgs; running out ends the
//    run through fatal with the format and a caret under the conversion.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

constexpr int32_t MAX_FORMAT_FIELD = 1 << 24;

// The values a format consumes, fetched one conversion at a time.
class FormatArgs {
public:
    virtual ~FormatArgs() = default;
    // Moves to the next value; false when none is left.
    virtual bool next() = 0;
    // The current value: does it carry the numeric mark, its number view,
    // its string view. Views stay valid until the next call to next().
    virtual bool numeric() = 0;
    virtual int32_t number() = 0;
    virtual std::string_view text() = 0;
};

struct FormatSpec {
    int32_t width = 0;
    int32_t precision = 0;
    bool has_precision = false;
    bool left = false;
    bool alternate = false;
    bool is_long = false;
    char fill = ' ';
    char conversion = 0;
};

// Appends the formatted text of `format` to `out`.
void format_into(std::string &out, std::string_view format, FormatArgs &args);

// One conversion each; exposed for the tests.
void format_integer(std::string &out, const FormatSpec &spec, int32_t n);
void format_text(std::string &out, const FormatSpec &spec, std::string_view text);
void format_float(std::string &out, const FormatSpec &spec, int32_t n);
