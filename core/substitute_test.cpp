#include "core/substitute.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace {

struct Compiled {
    explicit Compiled(const char *pattern) {
        std::memset(&buf, 0, sizeof buf);
        init_syntax_once();
        const char *err = re_compile_pattern(pattern, static_cast<int32_t>(std::strlen(pattern)), &buf);
        EXPECT_EQ(err, nullptr) << pattern;
    }
    ~Compiled() { re_free_pattern(&buf); }
    pattern_buffer buf;
};

struct Result {
    int32_t count;
    std::string text;
    bool operator==(const Result &) const = default;
    friend void PrintTo(const Result &r, std::ostream *os) { *os << r.count << " \"" << r.text << "\""; }
};

// Twice: a pattern is prepared by its first search, and a constant pattern
// comes to gsub prepared from then on. Written over the text, where that
// can be done, the result must be the same.
Result run(const char *pattern, const std::string &text, const char *repl, bool global) {
    Compiled c(pattern);
    Result got[2];
    for (Result &r : got) {
        TextBuffer out;
        r.count = substitute_text(&c.buf, text, repl, global, out);
        r.text = r.count > 0 ? std::string(out.view()) : text;
    }
    EXPECT_EQ(got[1], got[0]) << pattern << " prepared";
    std::string over = text;
    size_t len = over.size();
    int32_t n = substitute_in_place(&c.buf, over.data(), len, repl, global);
    if (n >= 0) {
        EXPECT_EQ((Result{n, over.substr(0, len)}), got[0]) << pattern << " in place";
    }
    return got[0];
}

TEST(Substitute, Cases) {
    struct Case { const char *pattern, *text, *repl; bool global; Result want; } cases[] = {
        {"a", "banana", "[&]", true, {3, "b[a]n[a]n[a]"}},
        {"a", "banana", "[&]", false, {1, "b[a]nana"}},
        {"a", "banana", "\\&", true, {3, "b&n&n&"}},
        {"x*", "abc", "-", true, {0, "abc"}},            // empty match at the start stops
        {"b*", "abc", "-", true, {0, "abc"}},
        {"a", "aaa", "", true, {3, ""}},
        {"^a", "aaa", "", true, {1, "aa"}},               // anchored: once
        {"a$", "aaa", "", true, {1, "aa"}},
        {"ana", "banana", "&&", true, {1, "banaanana"}},   // no overlap with the replacement
        {"a", "banana", "aa", true, {3, "baanaanaa"}},     // never rescans a replacement
        {"\\<a", "a a ba", "X", true, {2, "X X ba"}},
        {"z", "banana", "[&]", true, {0, "banana"}},
        // Literal patterns: shorter, equal, empty and longer replacements.
        {"a", "banana", "o", true, {3, "bonono"}},
        {"ab", "abab", "x", true, {2, "xx"}},
        {"ab", "abab", "x", false, {1, "xab"}},
        {"ab", "cabab", "yz", true, {2, "cyzyz"}},
        {"ab", "abcab", "", true, {2, "c"}},
        {"ab", "aabbab", "xyz", true, {2, "axyzbxyz"}},
        {"abc", "ababc", "x", true, {1, "abx"}},
        {"^ab", "abab", "x", true, {1, "xab"}},
        {"ab$", "abab", "x", true, {1, "abx"}},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(run(c.pattern, c.text, c.repl, c.global), c.want) << c.pattern << " on " << c.text;
    }
}

TEST(Substitute, DoubleByteCharsStayWhole) {
    // 0x82 0x61 is one char whose second byte looks like 'a'.
    EXPECT_EQ(run("a", "\x82" "aa", "X", true), (Result{1, "\x82" "aX"}));
    // A replacement ending in a lead byte makes the next byte its second byte.
    EXPECT_EQ(run("b", "bbb", "\x82", true), (Result{2, "\x82\x62\x82"}));
    // The same for a literal, which otherwise goes on without looking back.
    EXPECT_EQ(run("ab", "ababab", "\x82", true), (Result{2, "\x82" "ab\x82"}));
    EXPECT_EQ(run("ab", "ababab", "x", true), (Result{3, "xxx"}));
    EXPECT_EQ(run("ab", "\x82" "ababab", "x", true), (Result{2, "\x82" "abxx"}));
}

TEST(Substitute, LongTexts) {
    std::string text, grown, shrunk;
    for (int i = 0; i < 100000; ++i) {
        text += "ab total ";
        grown += "ab [total] ";
        shrunk += "ab t ";
    }
    EXPECT_EQ(run("total", text, "[&]", true), (Result{100000, grown}));
    EXPECT_EQ(run("total", text, "t", true), (Result{100000, shrunk}));
    EXPECT_EQ(run("total", text, "total", true), (Result{100000, text}));
}

// The literal algorithm: rebuild the whole text after each replacement and
// search the new text again, with the start of the text hidden after the
// first replacement. substitute_text must give the same answers.
Result plain(const char *pattern, std::string text, const std::string &repl) {
    Compiled c(pattern);
    int32_t count = 0;
    size_t offset = 0;
    regex_registers regs;
    for (;;) {
        std::string hay = (count > 0 ? "\n" : "") + text;
        size_t shift = count > 0 ? 1 : 0;
        int32_t at = re_search(&c.buf, hay.data(), static_cast<int32_t>(hay.size()),
                               static_cast<int32_t>(offset + shift),
                               static_cast<int32_t>(hay.size() - offset - shift), &regs);
        if (at < 0 || regs.end[0] == at) break;
        size_t from = static_cast<size_t>(at) - shift, to = static_cast<size_t>(regs.end[0]) - shift;
        ++count;
        std::string out = text.substr(0, from);
        for (size_t i = 0; i < repl.size(); ++i) {
            if (repl[i] == '&') out += text.substr(from, to - from);
            else out += repl[i];
        }
        offset = out.size();
        text = out + text.substr(to);
        if (offset >= text.size()) break;
    }
    return {count, text};
}

TEST(Substitute, SameAsRebuildingTheText) {
    std::mt19937 rng(7);
    const char alphabet[] = {'a', 'b', ' ', '\x82', '\xE0', 'A'};
    const char *patterns[] = {"a",   "ab*", "\\<a", "a\\>", "\\ba", "\\Ba", "[^a]", ".b",
                              "a|b ", "^a",  "(ab)+", "ab",   "a a",   "ba\\>", "^ab"};
    const char *repls[] = {"", "x", "&&", "\x82", " ", "a&b", "yz"};
    for (int round = 0; round < 2000; ++round) {
        std::string text;
        for (int i = std::uniform_int_distribution<int>(0, 12)(rng); i > 0; --i) text += alphabet[rng() % 6];
        const char *p = patterns[rng() % std::size(patterns)];
        std::string r = repls[rng() % std::size(repls)];
        ASSERT_EQ(run(p, text, r.c_str(), true), plain(p, text, r)) << p << " / " << text << " / " << r;
    }
}

}  // namespace
