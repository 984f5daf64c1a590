#include "startup/options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Runs the scanner over words (the program name is added) and records each
// result as "c" or "c=argument", then "end@<index>".
std::string scan(std::vector<std::string> words) {
    words.insert(words.begin(), "vordel");
    std::vector<char *> argv;
    for (std::string &w : words) argv.push_back(w.data());
    option_scanner = OptionScanner{};
    std::string out;
    for (int c; (c = get_option(static_cast<int>(argv.size()), argv.data(), option_letters)) != -1;) {
        out += static_cast<char>(c);
        if (option_scanner.argument) out.append("=").append(option_scanner.argument);
        out += " ";
    }
    return out + "end@" + std::to_string(option_scanner.index);
}

TEST(OptionScanner, WalksWordsLettersAndArguments) {
    struct Row {
        std::vector<std::string> words;
        const char *expected;
    };
    const Row rows[] = {
        {{}, "end@1"},
        {{"script"}, "end@1"},
        {{"-ait", "script"}, "a i t end@2"},
        {{"-b192", "x"}, "b=192 end@2"},
        {{"-b", "192", "x"}, "b=192 end@3"},
        {{"-ab192"}, "a b=192 end@2"},
        {{"-b", "192", "-d"}, "b=192 d end@4"},
        {{"-xyk", "-o"}, "x y k o end@3"},
        {{"-:"}, ": end@2"},
        {{"-", "x"}, "end@1"},
        {{"--", "-t"}, "end@2"},
        {{"-t", "--", "-a"}, "t end@3"},
        {{"-z", "-t"}, "z=-t end@3"},
        {{"-Va=b=c", "f"}, "V=a=b=c end@2"},
    };
    for (const Row &r : rows) {
        std::string joined;
        for (const std::string &w : r.words) joined += w + " ";
        EXPECT_EQ(scan(r.words), r.expected) << joined;
    }
}

TEST(LeadingNumber, ReadsLeadingDecimalDigits) {
    EXPECT_EQ(leading_number("192"), 192);
    EXPECT_EQ(leading_number("  -12x"), -12);
    EXPECT_EQ(leading_number("+7"), 7);
    EXPECT_EQ(leading_number("abc"), 0);
    EXPECT_EQ(leading_number(""), 0);
    EXPECT_EQ(leading_number("99999999999999"), INT32_MAX);
    EXPECT_EQ(leading_number("-99999999999999"), INT32_MIN);
}

}  // namespace
