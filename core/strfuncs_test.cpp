#include "core/strfuncs.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

using namespace std::string_literals;

namespace {

// Two double-byte chars and one single-byte char: 5 bytes, 3 chars.
const std::string kana = "\x82\xA0\x82\xA2"s + "A";

TEST(JLength, CountsCharsUpToFirstNul) {
    struct Case { std::string s; int32_t chars; } cases[] = {
        {"", 0}, {"abc", 3}, {kana, 3},
        {"ab\0cd"s, 2},           // stops at the NUL
        {"\x82"s, 1},             // lead byte at the end
        {"a\x82\0b"s, 2},         // lead byte before NUL is one char
        {"\x82\\x"s, 2},          // a backslash as second byte belongs to the pair
    };
    for (const auto &c : cases) EXPECT_EQ(text_jlength(c.s), c.chars) << c.s;
}

TEST(Index, PlainAndFolded) {
    struct Case { std::string s, t; bool fold; int32_t index, jindex; } cases[] = {
        {"abcabc", "bc", false, 2, 2},
        {"abc", "", false, 0, 0},
        {"abc", "", true, 0, 0},
        {"ABC", "bc", false, 0, 0},
        {"ABC", "bc", true, 2, 2},
        {"\x82\xA0" "A", "A", false, 3, 2},
        {"abc", "cd", false, 0, 0},               // t runs past the end
        {"x\xC1y", "x\xE1Y", true, 1, 1},         // comparison table folds 0xC1
        {"\xC1y", "\xE1y", true, 0, 0},           // but the first byte folds A..Z only
        {"\x82\x41", "\x82\x61", true, 0, 0},     // second byte of a pair stays unfolded
        {"ab\0cd"s, "cd", false, 4, 0},           // index tries every byte, jindex stops at NUL
    };
    for (const auto &c : cases) {
        EXPECT_EQ(text_index(c.s, c.t, c.fold), c.index) << c.s << " / " << c.t;
        EXPECT_EQ(text_jindex(c.s, c.t, c.fold), c.jindex) << c.s << " / " << c.t;
    }
}

TEST(Index, JIndexNeverMatchesInsideAPair) {
    // 0x82 0x41: the second byte is 'A', which index finds and jindex skips.
    EXPECT_EQ(text_index("\x82\x41", "A", false), 2);
    EXPECT_EQ(text_jindex("\x82\x41", "A", false), 0);
}

std::string cut(std::string_view s, Slice sl) { return sl.empty ? "<empty>" : std::string(s.substr(sl.offset, sl.length)); }

TEST(Substr, ClippingRules) {
    struct Case { int32_t m; bool has_n; int32_t n; const char *want; } cases[] = {
        {2, true, 3, "ell"}, {2, true, 1, "e"}, {0, true, 2, "he"}, {6, false, 0, "<empty>"},
        {2, true, 0, "<empty>"}, {2, true, -1, "ello"}, {2, true, -2, "<empty>"}, {4, true, 99, "lo"},
        {-5, false, 0, "hello"}, {INT_MIN, true, INT_MAX, "hello"}, {INT_MAX, true, INT_MAX, "<empty>"},
        {3, true, INT_MAX, "llo"}, {INT_MIN, true, INT_MIN, "<empty>"},
    };
    for (const auto &c : cases) EXPECT_EQ(cut("hello", substr_slice("hello", c.m, c.has_n, c.n)), c.want) << c.m << "," << c.n;
}

TEST(Substr, JSubstrCountsChars) {
    std::string s = kana + "bc";  // chars: K1 K2 A b c
    struct Case { int32_t m; bool has_n; int32_t n; std::string want; } cases[] = {
        {2, true, 2, "\x82\xA2" "A"}, {1, true, 1, "\x82\xA0"}, {3, false, 0, "Abc"},
        {0, true, 2, kana.substr(0, 4)}, {6, false, 0, "<empty>"}, {INT_MIN, true, INT_MAX, s},
    };
    for (const auto &c : cases) EXPECT_EQ(cut(s, jsubstr_slice(s, c.m, c.has_n, c.n)), c.want) << c.m;
}

TEST(Case, DoubleByteCharsUntouched) {
    // 0x82 0x61 is a pair whose second byte looks like 'a'.
    EXPECT_EQ(text_toupper("ab\x82" "aC1"), "AB\x82" "aC1");
    EXPECT_EQ(text_tolower("AB\x82" "AZ"), "ab\x82" "Az");
    EXPECT_EQ(text_toupper("x\x82"), "X\x82");  // lone lead byte at the end
    EXPECT_EQ(text_toupper("a\0b"s), "A\0B"s);
}

TEST(Hex, LeadingDigitsOnly) {
    struct Case { const char *s; int32_t v; } cases[] = {
        {"1F", 31}, {"ff", 255}, {"G1", 0}, {"0x1F", 0}, {"", 0}, {"7fffffff", INT_MAX}, {"ffffffff", -1}, {"123456789", 0x23456789},
    };
    for (const auto &c : cases) EXPECT_EQ(text_hex(c.s), c.v) << c.s;
}

TEST(Replacement, AmpersandRules) {
    struct Case { std::string repl, want; } cases[] = {
        {"[&]", "[a]"}, {"\\&", "&"}, {"\\\\&", "\\&"}, {"&&", "aa"}, {"x\\y", "x\\y"},
        {"\x82\\&", "\x82\\a"},  // the backslash belongs to a double-byte char
        {"\\", "\\"},
    };
    for (const auto &c : cases) {
        std::string out;
        expand_replacement(c.repl, "a", out);
        EXPECT_EQ(out, c.want) << c.repl;
    }
}

TEST(Random, KnownSequence) {
    RandomState r;
    EXPECT_EQ(r.next(), 41);
    EXPECT_EQ(r.next(), 18467);
    EXPECT_EQ(r.next(), 6334);
    r.seed = 5;
    EXPECT_EQ(r.next(), 54);
}

}  // namespace
