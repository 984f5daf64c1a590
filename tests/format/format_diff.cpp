// Differential test: the format engine against the C library's snprintf over
// a generated table of formats and integer values, restricted to the ground
// where both must agree: flags '-' or '0' (not both), a width, and the
// conversions d x X o u c s.
//
// Deliberate differences, left out of the table:
//  - a precision on d/i widens the field instead of zero-extending the digits,
//    and o u x X ignore the precision;
//  - '#' writes its prefix also for 0 and puts zero fill before the prefix;
//  - '0' never zero-fills c and s;
//  - ' ', '+', '*', "%-0" and doubled flags are copied as text, not converted;
//  - c of a string takes its first byte (or `precision` bytes), not a number.
#include <cinttypes>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "core/format.h"

namespace {

class OneValue final : public FormatArgs {
public:
    OneValue(int32_t n, std::string text, bool numeric) : n_(n), text_(std::move(text)), numeric_(numeric) {}
    bool next() override { return !taken_ && (taken_ = true); }
    bool numeric() override { return numeric_; }
    int32_t number() override { return n_; }
    std::string_view text() override { return text_; }

private:
    int32_t n_;
    std::string text_;
    bool numeric_;
    bool taken_ = false;
};

std::string ours(const std::string &format, int32_t n, const std::string &text, bool numeric) {
    OneValue arg(n, text, numeric);
    std::string out;
    format_into(out, format, arg);
    return out;
}

std::string theirs(const std::string &format, char conversion, int32_t n, const std::string &text) {
    char buffer[256];
    int length;
    switch (conversion) {
    case 'd': length = std::snprintf(buffer, sizeof buffer, format.c_str(), n); break;
    case 'c': length = std::snprintf(buffer, sizeof buffer, format.c_str(), n & 0xFF); break;
    case 's': length = std::snprintf(buffer, sizeof buffer, format.c_str(), text.c_str()); break;
    default: length = std::snprintf(buffer, sizeof buffer, format.c_str(), static_cast<uint32_t>(n)); break;
    }
    return std::string(buffer, static_cast<size_t>(length));
}

std::string make_format(const std::string &flag, int width, char conversion) {
    std::string f = "<%" + flag;
    if (width > 0) f += std::to_string(width);
    return f + conversion + ">";
}

}  // namespace

int main() {
    const std::vector<int32_t> fixed = {0, 1, -1, 7, 9, 10, -42, 255, 256, 65535, 123456789,
                                        INT32_MAX, INT32_MIN, INT32_MIN + 1};
    const std::vector<std::string> texts = {"", "a", "ab", "hello", "receipt line", std::string(30, 'x')};
    std::mt19937 random(20240607);
    std::vector<int32_t> values = fixed;
    for (int i = 0; i < 200; ++i) values.push_back(static_cast<int32_t>(random()));

    int checked = 0;
    int failed = 0;
    auto check = [&](const std::string &format, char conversion, int32_t n, const std::string &text,
                     bool numeric) {
        std::string a = ours(format, n, text, numeric);
        std::string b = theirs(format, conversion, n, text);
        ++checked;
        if (a != b && failed++ < 20) {
            std::fprintf(stderr, "mismatch: format %s value %" PRId32 " text \"%s\": ours [%s] C [%s]\n",
                         format.c_str(), n, text.c_str(), a.c_str(), b.c_str());
        }
    };
    for (const char *flag : {"", "-", "0"}) {
        for (int width : {0, 1, 2, 5, 11, 12, 20}) {
            for (char conversion : std::string("dxXou")) {
                for (int32_t n : values) check(make_format(flag, width, conversion), conversion, n, "", true);
            }
            if (std::string(flag) == "0") continue;
            for (int n = 0; n < 256; ++n) check(make_format(flag, width, 'c'), 'c', n, "", true);
            for (const std::string &t : texts) check(make_format(flag, width, 's'), 's', 0, t, false);
        }
    }
    std::printf("format_diff: %d formats checked, %d mismatches\n", checked, failed);
    return failed == 0 ? 0 : 1;
}
