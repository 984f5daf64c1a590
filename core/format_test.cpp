#include "core/format.h"

#include <gtest/gtest.h>

#include <variant>
#include <vector>

namespace {

// A value is either a number (numeric, text by decimal) or a plain string
// (not numeric, number by its leading digits).
using Value = std::variant<int32_t, std::string>;

class ListArgs final : public FormatArgs {
public:
    explicit ListArgs(std::vector<Value> values) : values_(std::move(values)) {}
    bool next() override {
        if (used_ == values_.size()) return false;
        text_ = std::visit([](const auto &v) {
            if constexpr (std::is_same_v<std::decay_t<decltype(v)>, int32_t>) return std::to_string(v);
            else return v;
        }, values_[used_]);
        ++used_;
        return true;
    }
    bool numeric() override { return std::holds_alternative<int32_t>(values_[used_ - 1]); }
    int32_t number() override {
        const Value &v = values_[used_ - 1];
        return numeric() ? std::get<int32_t>(v) : std::atoi(std::get<std::string>(v).c_str());
    }
    std::string_view text() override { return text_; }
    size_t used() const { return used_; }

private:
    std::vector<Value> values_;
    size_t used_ = 0;
    std::string text_;
};

std::string fmt(std::string_view format, std::vector<Value> values = {}) {
    ListArgs args(std::move(values));
    std::string out;
    format_into(out, format, args);
    return out;
}

struct Case {
    const char *format;
    std::vector<Value> values;
    std::string expected;
};

TEST(FormatEngine, Conversions) {
    const Case cases[] = {
        {"%5.2d", {7}, "    7"},          // precision widens, never zero-extends
        {"%.5d", {7}, "    7"},
        {"%05d", {-42}, "-0042"},
        {"%-5d|", {42}, "42   |"},
        {"%d", {INT32_MIN}, "-2147483648"},
        {"%i", {-7}, "-7"},
        {"%x", {-1}, "ffffffff"},
        {"%X", {48879}, "BEEF"},
        {"%u", {-1}, "4294967295"},
        {"%#o", {8}, "010"},
        {"%#o", {0}, "00"},
        {"%#x", {0}, "0x0"},
        {"%#X", {255}, "0XFF"},
        {"%#8x", {255}, "    0xff"},
        {"%#08x", {255}, "00000xff"},   // the fill goes before the prefix
        {"%.3x", {255}, "ff"},          // precision ignored
        {"%10d", {5}, "         5"},    // a zero inside the width is a digit
        {"%-10d|", {5}, "5         |"},
        {"%ld", {12}, "12"},
        {"%5s", {"ab"}, "   ab"},
        {"%05s", {"ab"}, "   ab"},      // text is never zero-filled
        {"%-4s|", {"ab"}, "ab  |"},
        {"%.1s", {"abc"}, "a"},
        {"%.0s|", {"abc"}, "|"},
        {"%.9s", {"abc"}, "abc"},
        {"%s", {12}, "12"},
        {"%c", {65}, "A"},
        {"%c", {321}, "A"},
        {"%c", {"hello"}, "h"},
        {"%.3c", {"hello"}, "hel"},
        {"%.9c", {"hi"}, "hi"},
        {"%3c|", {"hello"}, "  h|"},
        {"%c", {"65"}, "6"},            // a string is not a number here
        {"%e", {12345}, "1.234500e+04"},
        {"%.2f", {-3}, "-3.00"},
        {"%08.1f", {-3}, "-00003.0"},
        {"%-8f|", {1}, "1.000000|"},
        {"%g", {1234567}, "1234567"},
        {"%.3g", {1234567}, "1.23e+06"},
        {"%.0g", {1234567}, "1234567"},   // 0 means the default 13 digits
        {"%08g", {-12}, "-0000012"},
        {"%-6g|", {12}, "12    |"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(fmt(c.format, c.values), c.expected) << c.format;
    }
}

TEST(FormatEngine, InvalidSpecificationsAreCopied) {
    const Case cases[] = {
        {"% d", {1}, "% d"},
        {"%+d", {1}, "%+d"},
        {"%*d", {1}, "%*d"},
        {"%-05d", {1}, "%-05d"},
        {"%00d", {1}, "%00d"},
        {"%--d", {1}, "%--d"},
        {"%##x", {1}, "%##x"},
        {"%lld", {1}, "%lld"},
        {"%1.2.3d", {1}, "%1.2.3d"},
        {"%q%d", {4}, "%q4"},           // scanning resumes after the bad byte
        {"100%", {}, "100%"},
        {"%5", {}, "%5"},
        {"a%%b%5%c", {}, "a%b%c"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(fmt(c.format, c.values), c.expected) << c.format;
    }
}

TEST(FormatEngine, TakesOneValuePerConversionOnly) {
    ListArgs args({1, 2, 3});
    std::string out;
    format_into(out, "%d-%d", args);
    EXPECT_EQ(out, "1-2");
    EXPECT_EQ(args.used(), 2u);
}

TEST(FormatEngine, TextWithNulBytesPassesThrough) {
    std::string format("a\0%s\0", 5);
    EXPECT_EQ(fmt(format, {std::string("x\0y", 3)}), std::string("a\0x\0y\0", 6));
}

TEST(FormatEngine, GrowsPastAnyFixedBuffer) {
    std::string long_text(70000, 'z');
    std::string out = fmt("[%s][%70000d]", {long_text, 1});
    EXPECT_EQ(out.size(), 4u + 70000u + 70000u);
    EXPECT_EQ(out.back(), ']');
}

using FormatEngineDeath = ::testing::Test;

TEST(FormatEngineDeath, RunningOutPointsAtTheConversion) {
    EXPECT_EXIT(fmt("%d %d", {1}), ::testing::ExitedWithCode(1),
                "Fatal error: not enough arguments to satisfy format string\n"
                "\t%d %d\n"
                "\t   \\^ ran out for this one\n");
}

TEST(FormatEngineDeath, HugeWidthIsRefused) {
    EXPECT_EXIT(fmt("%99999999999d", {1}), ::testing::ExitedWithCode(1),
                "Fatal error: format field wider than");
}

}  // namespace
