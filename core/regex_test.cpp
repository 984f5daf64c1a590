#include "core/regex.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Compiled {
    pattern_buffer buf{};
    const char *error;
    Compiled(const std::string &pattern, bool fold) {
        buf.translate = fold ? re_casefold_table : nullptr;
        error = re_compile_pattern(pattern.data(), static_cast<int32_t>(pattern.size()), &buf);
    }
    ~Compiled() { re_free_pattern(&buf); }
    int32_t search(const std::string &text, regex_registers *regs = nullptr) {
        auto len = static_cast<int32_t>(text.size());
        return re_search(&buf, text.data(), len, 0, len, regs);
    }
};

struct Group {
    int n, start, end;
};

struct Case {
    const char *pattern;
    std::string text;
    bool fold;
    int start;  // -1: no match
    int length;
    std::vector<Group> groups;  // unlisted groups are not checked
};

// Full-width letters: A = 82 60, B = 82 61, Z = 82 79, a = 82 81; 82 A0 a kana.
const std::vector<Case> cases = {
    // a literal is found only where a character begins, and groups stay unset
    {"ab", "\x82" "ab", false, -1, 0, {}},
    {"ab", "\x82\x82" "ab", false, 2, 2, {{1, -1, -1}}},
    {"ab", "\x82" "abab", false, 3, 2, {}},
    {"abc", "ababc", false, 2, 3, {}},
    {"ab(c|d)", "abxabd", false, 3, 3, {{1, 5, 6}}},
    {"abc", "ABC", true, 0, 3, {}},
    // a literal is looked for by its least common byte, wherever that stands in it
    {"total", "otal ltotal total", false, 6, 5, {}},
    {"xq", "qqxq", false, 2, 2, {}},
    {"zab", "abzaz", false, -1, 0, {}},
    {"abz", "ab abz", false, 3, 3, {}},
    {"to[a-z]+ [0-9]+$", "tot 1 total 678", false, 6, 9, {}},
    // `.` takes a double-byte character whole, and never a newline
    {"a.c", "a\x82\xA0" "c", false, 0, 4, {}},
    {"a.c", "a\nc", false, -1, 0, {}},
    {"a\nb", "xa\nb", false, 1, 3, {}},
    // anchors hold at the ends of the text only, wherever they are written
    {"^b", "a\nb", false, -1, 0, {}},
    {"b$", "b\n", false, -1, 0, {}},
    {"b$", "a\nb", false, 2, 1, {}},
    {"a^b", "ab", false, -1, 0, {}},
    {"x|^a", "ba", false, -1, 0, {}},
    {"\\`a", "ba", false, -1, 0, {}},
    {"a\\'", "a\n", false, -1, 0, {}},
    {"(^a|b)c", "xbc", false, 1, 2, {{1, 1, 2}}},
    // repetition runs; a run with nothing before it is ignored
    {"*a", "xa", false, 1, 1, {}},
    {"(*a)", "xa", false, 1, 1, {{1, 1, 2}}},
    {"x|+a", "ba", false, 1, 1, {}},
    {"a**", "aaa", false, 0, 3, {}},
    {"a+?", "b", false, 0, 0, {}},
    {"a??", "aa", false, 0, 1, {}},
    {"a++", "b", false, -1, 0, {}},
    {"x*", "abc", false, 0, 0, {}},
    {"", "abc", false, 0, 0, {}},
    {"x*", "", false, 0, 0, {}},
    {"a", "", false, -1, 0, {}},
    // alternation binds loosest; the first match found wins, not the longest
    {"ab|cd", "xcd", false, 1, 2, {}},
    {"a(b|c)d", "acd", false, 0, 3, {{1, 1, 2}}},
    {"a|ab", "ab", false, 0, 1, {}},
    {"(a|ab)(c|bcd)", "abcd", false, 0, 4, {{1, 0, 1}, {2, 1, 4}}},
    {"a|", "b", false, 0, 0, {}},
    // groups, greedy give-back, last capture of a loop, back-references
    {"(a*)(a)", "aaa", false, 0, 3, {{1, 0, 2}, {2, 2, 3}}},
    {"(a|b)*", "ab", false, 0, 2, {{1, 1, 2}}},
    {"(a+)b\\1", "aabaa", false, 0, 5, {{1, 0, 2}}},
    {"(a)\\1", "ab", false, -1, 0, {}},
    {"(a)\\1", "aA", true, 0, 2, {}},
    {"(a\\1)", "a1", false, 0, 2, {}},
    {"\\2(a)", "2a", false, 0, 2, {{1, 1, 2}}},
    {"(a)(b)\\2\\1", "abba", false, 0, 4, {}},
    {"(a)|b\\1", "b", false, -1, 0, {}},
    {"(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)\\9", "abcdefghiji", false, 0, 11, {{1, 0, 1}, {9, 8, 9}}},
    {"((((((((((a))))))))))", "a", false, 0, 1, {{1, 0, 1}, {9, 0, 1}}},
    // runs of one character kind give back one character at a time
    {".*A", "\x82\xA0\x82\xA0" "A", false, 0, 5, {}},
    {".*\x82\xA0", "\x82\xA0" "b\x82\xA0" "c", false, 0, 5, {}},
    {"[^x]+a", "a\x82\x61" "aa", false, 0, 5, {}},
    {".*(ab)", "abab", false, 0, 4, {{1, 2, 4}}},
    {".*B", "abcbd", true, 0, 4, {}},
    {"x+y", "xxxz xy", false, 5, 2, {}},
    {"a+a", "a", false, -1, 0, {}},
    {"\\w*1", "ab1c1d", false, 0, 5, {}},
    // loops whose body can match empty stop instead of spinning
    {"(a*)*b", "aab", false, 0, 3, {}},
    {"(a*)+", "b", false, 0, 0, {{1, 0, 0}}},
    {"()*x", "ax", false, 1, 1, {}},
    {"(a|)+b", "aab", false, 0, 3, {}},
    {"(\\b)*a", "a", false, 0, 1, {}},
    // backslash sequences of dynamic patterns
    {"\\bfoo\\b", "a foo b", false, 2, 3, {}},
    {"\\bfoo\\b", "afoo", false, -1, 0, {}},
    {"o\\B", "o oo", false, 2, 1, {}},
    {"\\<b", "ab b", false, 3, 1, {}},
    {"a\\>", "aa a", false, 1, 1, {}},
    {"\\bx", "_x", false, 1, 1, {}},
    {"\\w+", "__ab1_", false, 2, 3, {}},
    {"\\W", "a\x82\xA0", false, 1, 2, {}},
    {"\\<A", "\x82" "AA", false, 2, 1, {}},
    {"\\(a\\)", "(a)", false, 0, 3, {}},
    {"a\\|b\\+\\?", "a|b+?", false, 0, 5, {}},
    {"\\.\\n\\*", "a.n*", false, 1, 3, {}},
    // bracket expressions
    {"[]a]", "x]", false, 1, 1, {}},
    {"[^]a]", "]ab", false, 2, 1, {}},
    {"[a-]", "x-", false, 1, 1, {}},
    {"[-a]+", "x-a", false, 1, 2, {}},
    {"[a\\-z]", "b-", false, 1, 1, {}},
    {"[\\]]", "]", false, 0, 1, {}},
    {"[a-c]+", "xbcad", false, 1, 3, {}},
    {"[c-a]", "b", false, -1, 0, {}},
    {"[^a]", "\n", false, 0, 1, {}},
    {"[^a]", "\x82\xA0", false, 0, 2, {}},
    {"[\x82\x60-\x82\x79]", "x\x82\x65", false, 1, 2, {}},
    {"[\x82\x60-\x82\x79]", "\x82\x7A", false, -1, 0, {}},
    {"[^\x82\x60-\x82\x79]", "\x82\x65\x82\x7A", false, 2, 2, {}},
    {"[a\x82\x60]+", "\x82\x60" "a", false, 0, 3, {}},
    {"[A-C]+", "xbB", true, 1, 2, {}},
    // case folding leaves double-byte characters alone
    {"ABC", "xabc", true, 1, 3, {}},
    {"abc", "AbC", true, 0, 3, {}},
    {"ABC", "abc", false, -1, 0, {}},
    {"\x82\x60", "\x82\x81", true, -1, 0, {}},
    {"\x82\x41", "\x82\x61", true, -1, 0, {}},
    // a match never starts on a second byte
    {"A", "\x82\x41", false, -1, 0, {}},
    {"A", "\x82\x41\x41", false, 2, 1, {}},
    {"A|\x41", "\x82\x41", false, -1, 0, {}},
    {"A*B", "\x82" "AB", false, 2, 1, {}},
    {".A", "\x82\x41" "A", false, 0, 3, {}},
    {"A", "\x82\x82\x82" "A", false, -1, 0, {}},
    {"A", "\x82\x82" "A", false, 2, 1, {}},
    {"A", "x\x82\x82\x82" "AA", false, 5, 1, {}},
    // starting bytes and bytes a match needs, looked up ahead of the matcher
    {"[XY]z", "XaYaYz", false, 4, 2, {}},
    {"a.*b", "aaa\nab", false, 4, 2, {}},
    {"a.*b", "aaa", false, -1, 0, {}},
    {"ab+c", "abbbd abc", false, 6, 3, {}},
    {"x[0-9]+y", "x1 x2y", false, 3, 3, {}},
    {"A.*B", "aXb", true, 0, 3, {}},
    {"a.*A", "a\x82\x41" "A", false, 0, 4, {}},
};

TEST(RegexSearch, Table) {
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string("pattern ") + c.pattern);
        Compiled re(c.pattern, c.fold);
        ASSERT_EQ(re.error, nullptr) << re.error;
        regex_registers regs{};
        int32_t at = re.search(c.text, &regs);
        EXPECT_EQ(at, c.start);
        if (at < 0 || c.start < 0) continue;
        EXPECT_EQ(regs.end[0] - regs.start[0], c.length);
        for (const Group &g : c.groups) {
            EXPECT_EQ(regs.start[g.n], g.start) << "group " << g.n;
            EXPECT_EQ(regs.end[g.n], g.end) << "group " << g.n;
        }
    }
}

TEST(RegexSearch, UnusedGroupIsMinusOne) {
    Compiled re("(a)|(b)", false);
    regex_registers regs{};
    ASSERT_EQ(re.search("b", &regs), 0);
    EXPECT_EQ(regs.start[1], -1);
    EXPECT_EQ(regs.end[1], -1);
    EXPECT_EQ(regs.start[2], 0);
}

TEST(RegexSearch, StartAndRangeLimitTheStartingPoints) {
    Compiled re("a", false);
    EXPECT_EQ(re_search(&re.buf, "abcabc", 6, 1, 5, nullptr), 3);
    EXPECT_EQ(re_search(&re.buf, "abcabc", 6, 1, 1, nullptr), -1);
    EXPECT_EQ(re_search(&re.buf, "abcabc", 6, 7, 0, nullptr), -1);
    Compiled literal("bca", false);
    EXPECT_EQ(re_search(&literal.buf, "abcabca", 7, 2, 5, nullptr), 4);
    EXPECT_EQ(re_search(&literal.buf, "abcabca", 7, 2, 1, nullptr), -1);
    Compiled second("A", false);
    EXPECT_EQ(re_search(&second.buf, "\x82" "AA", 3, 1, 2, nullptr), 2);
}

TEST(RegexCompile, Errors) {
    const struct {
        std::string pattern;
        const char *message;
    } errors[] = {
        {"[a", "Premature end of regular expression"},
        {"[", "Premature end of regular expression"},
        {"[a\\", "Premature end of regular expression"},
        {"a\x82", "Premature end of regular expression"},
        {"[\x82", "Premature end of regular expression"},
        {"(a[", "Premature end of regular expression"},
        {"a\\", "Invalid regular expression"},
        {")", "Unmatched \\)"},
        {"a)b(", "Unmatched \\)"},
        {"(a", "Unmatched \\("},
        {"((a)|b", "Unmatched \\("},
        {"(((((((((((a)))))))))))", "Nesting too deep"},
    };
    for (const auto &e : errors) {
        SCOPED_TRACE(e.pattern);
        Compiled re(e.pattern, false);
        ASSERT_NE(re.error, nullptr);
        EXPECT_STREQ(re.error, e.message);
    }
}

TEST(RegexCompile, ProgramSizeIsCapped) {
    std::string sets;
    for (int i = 0; i < 300; i++) sets += "[ab]";
    EXPECT_STREQ(Compiled(sets, false).error, "Regular expression too big");
    EXPECT_EQ(Compiled(sets.substr(0, 4 * 200), false).error, nullptr);
    EXPECT_EQ(Compiled("(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)(k)", false).error, nullptr);
}

TEST(RegexCompile, RecompilingReusesTheBuffer) {
    Compiled re("abc", false);
    ASSERT_EQ(re.search("xabc"), 1);
    ASSERT_EQ(re_compile_pattern("c", 1, &re.buf), nullptr);
    EXPECT_EQ(re.search("xabc"), 3);
}

TEST(RegexSyntax, SetSyntaxReturnsThePreviousBits) {
    int before = re_set_syntax(REGEX_SYNTAX_DEFAULT);
    EXPECT_EQ(re_set_syntax(REGEX_SYNTAX_DEFAULT), REGEX_SYNTAX_DEFAULT);
    re_set_syntax(before);
}

// Patterns that backtrack once per byte must not give up on long lines.
TEST(RegexBounds, LinearBacktrackingFitsLongTexts) {
    std::string text(64 * 1024, 'a');
    EXPECT_EQ(Compiled(".*x", false).search(text), -1);
    // Anchored, so that one starting point walks the whole text and fails.
    EXPECT_EQ(Compiled("^(a|b)*x", false).search(text), -1);
    EXPECT_EQ(Compiled("^(a)*x", false).search(text), -1);
    text.back() = 'x';
    EXPECT_EQ(Compiled(".*x", false).search(text), 0);
    EXPECT_EQ(Compiled("(a|b)*x", false).search(text), 0);
    EXPECT_EQ(Compiled("(a*)*x", false).search(text), 0);
    text[100] = '\n';
    EXPECT_EQ(Compiled(".*x", false).search(text), 101);
    EXPECT_EQ(Compiled(".+ax", false).search(text), 101);
}

TEST(RegexBounds, GivingUpReturnsMinusTwo) {
    size_t entries = re_max_stack_entries;
    re_max_stack_entries = 100;
    EXPECT_EQ(Compiled("(a|b)*x", false).search(std::string(1000, 'a')), -2);
    re_max_stack_entries = entries;

    uint64_t retries = re_max_backtracks;
    re_max_backtracks = 1 << 16;
    EXPECT_EQ(Compiled("(a|a)*b", false).search(std::string(40, 'a')), -2);
    re_max_backtracks = retries;
    EXPECT_EQ(Compiled("(a|a)*b", false).search(std::string(10, 'a') + "b"), 0);
}

}  // namespace
