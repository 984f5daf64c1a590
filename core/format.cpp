#include "core/format.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "base/diag.h"

namespace {

enum class SpecEnd { Conversion, Percent, Invalid, Unfinished };

constexpr std::string_view CONVERSIONS = "csdioxXuefg";

void add_digit(int32_t &value, char digit) {
    value = std::min(value * 10 + (digit - '0'), MAX_FORMAT_FIELD);
}

// Reads the conversion after a '%'; `pos` is left just past the last byte
// read (the conversion letter, or the byte that made it invalid).
SpecEnd read_spec(std::string_view f, size_t &pos, FormatSpec &spec) {
    bool width_digits = false;
    while (pos < f.size()) {
        char c = f[pos++];
        switch (c) {
        case '%':
            return SpecEnd::Percent;
        case '0':
            // A leading zero selects zero fill; inside a number it is a digit.
            if (!spec.has_precision && !width_digits) {
                if (spec.left || spec.fill == '0') return SpecEnd::Invalid;
                spec.fill = '0';
                continue;
            }
            [[fallthrough]];
        case '1': case '2': case '3': case '4': case '5': case '6': case '7': case '8': case '9':
            if (spec.has_precision) {
                add_digit(spec.precision, c);
            } else {
                add_digit(spec.width, c);
                width_digits = true;
            }
            continue;
        case '-':
            if (spec.left || spec.fill == '0') return SpecEnd::Invalid;
            spec.left = true;
            continue;
        case '.':
            if (spec.has_precision) return SpecEnd::Invalid;
            spec.has_precision = true;
            continue;
        case '#':
            if (spec.alternate) return SpecEnd::Invalid;
            spec.alternate = true;
            continue;
        case 'l':
            if (spec.is_long) return SpecEnd::Invalid;
            spec.is_long = true;
            continue;
        default:
            if (CONVERSIONS.find(c) == std::string_view::npos) return SpecEnd::Invalid;
            spec.conversion = c;
            return SpecEnd::Conversion;
        }
    }
    return SpecEnd::Unfinished;
}

void check_field(int32_t value) {
    if (value >= MAX_FORMAT_FIELD) fatal("format field wider than %d bytes", MAX_FORMAT_FIELD - 1);
}

// Writes sign and body padded to `width`: fill before the body (after the
// sign when the fill is '0'), or spaces after it when left-justified.
void emit_padded(std::string &out, int32_t width, bool left, char fill, std::string_view sign,
                 std::string_view body) {
    check_field(width);
    size_t length = sign.size() + body.size();
    size_t pad = static_cast<size_t>(width) > length ? width - length : 0;
    if (left) {
        out.append(sign).append(body).append(pad, ' ');
    } else if (fill == '0') {
        out.append(sign).append(pad, '0').append(body);
    } else {
        out.append(pad, ' ').append(sign).append(body);
    }
}

[[noreturn]] void ran_out(std::string_view format, size_t conversion_at) {
    std::string text(format);
    fatal("%s\n\t%s\n\t%*s%s", "not enough arguments to satisfy format string", text.c_str(),
          static_cast<int>(conversion_at) - 1, "", "^ ran out for this one");
}

void convert(std::string &out, const FormatSpec &spec, FormatArgs &args) {
    switch (spec.conversion) {
    case 'c': {
        if (args.numeric()) {
            char byte = static_cast<char>(args.number() & 0xFF);
            format_text(out, spec, std::string_view(&byte, 1));
            return;
        }
        std::string_view text = args.text();
        size_t keep = spec.has_precision ? static_cast<size_t>(spec.precision) : 1;
        format_text(out, spec, text.substr(0, keep));
        return;
    }
    case 's': {
        std::string_view text = args.text();
        if (spec.has_precision) text = text.substr(0, static_cast<size_t>(spec.precision));
        format_text(out, spec, text);
        return;
    }
    case 'e': case 'f': case 'g':
        format_float(out, spec, args.number());
        return;
    default:
        format_integer(out, spec, args.number());
        return;
    }
}

}  // namespace

void format_text(std::string &out, const FormatSpec &spec, std::string_view text) {
    emit_padded(out, spec.width, spec.left, ' ', {}, text);
}

void format_integer(std::string &out, const FormatSpec &spec, int32_t n) {
    std::string_view sign;
    std::string_view prefix;
    uint32_t magnitude = static_cast<uint32_t>(n);
    int base = 10;
    int32_t width = spec.width;
    switch (spec.conversion) {
    case 'd': case 'i':
        if (n < 0) {
            sign = "-";
            magnitude = 0u - magnitude;
        }
        if (spec.has_precision) width = std::max(width, spec.precision);
        break;
    case 'o':
        base = 8;
        if (spec.alternate) prefix = "0";
        break;
    case 'x':
        base = 16;
        if (spec.alternate) prefix = "0x";
        break;
    case 'X':
        base = 16;
        if (spec.alternate) prefix = "0X";
        break;
    default:
        break;
    }
    // prefix and digits side by side: at most "0x" and 11 octal digits
    char body[16];
    size_t used = prefix.copy(body, prefix.size());
    char *end = std::to_chars(body + used, body + sizeof body, magnitude, base).ptr;
    if (spec.conversion == 'X') {
        for (char *p = body + used; p != end; ++p) {
            if (*p >= 'a') *p = static_cast<char>(*p - 'a' + 'A');
        }
    }
    emit_padded(out, width, spec.left, spec.fill, sign, std::string_view(body, end - body));
}

void format_float(std::string &out, const FormatSpec &spec, int32_t n) {
    double value = n;
    char buffer[64];
    if (spec.conversion == 'g') {
        int digits = spec.has_precision && spec.precision > 0 ? spec.precision : 13;
        check_field(digits);
        // 32-bit integers have at most 10 digits, so this never truncates.
        int length = std::snprintf(buffer, sizeof buffer, "%.*g", std::min(digits, 40), value);
        std::string_view text(buffer, static_cast<size_t>(length));
        if (!text.empty() && text.back() == '.') text.remove_suffix(1);
        std::string_view sign;
        if (!text.empty() && text.front() == '-') {
            sign = "-";
            text.remove_prefix(1);
        }
        emit_padded(out, spec.width, spec.left, spec.fill, sign, text);
        return;
    }
    check_field(spec.width);
    if (spec.has_precision) check_field(spec.precision);
    std::string c_format = "%";
    if (spec.left) c_format += '-';
    if (spec.fill == '0') c_format += '0';
    c_format += spec.has_precision ? "*.*" : "*";
    c_format += spec.conversion;
    int length = spec.has_precision
        ? std::snprintf(nullptr, 0, c_format.c_str(), spec.width, spec.precision, value)
        : std::snprintf(nullptr, 0, c_format.c_str(), spec.width, value);
    size_t start = out.size();
    out.resize(start + static_cast<size_t>(length) + 1);
    if (spec.has_precision) {
        std::snprintf(&out[start], length + 1, c_format.c_str(), spec.width, spec.precision, value);
    } else {
        std::snprintf(&out[start], length + 1, c_format.c_str(), spec.width, value);
    }
    out.resize(start + static_cast<size_t>(length));
}

void format_into(std::string &out, std::string_view format, FormatArgs &args) {
    size_t i = 0;
    while (i < format.size()) {
        size_t percent = format.find('%', i);
        if (percent == std::string_view::npos) {
            out.append(format.substr(i));
            return;
        }
        out.append(format.substr(i, percent - i));
        size_t pos = percent + 1;
        FormatSpec spec;
        switch (read_spec(format, pos, spec)) {
        case SpecEnd::Percent:
            out += '%';
            break;
        case SpecEnd::Invalid:
        case SpecEnd::Unfinished:
            out.append(format.substr(percent, pos - percent));
            break;
        case SpecEnd::Conversion:
            if (!args.next()) ran_out(format, pos - 1);
            convert(out, spec, args);
            break;
        }
        i = pos;
    }
}
