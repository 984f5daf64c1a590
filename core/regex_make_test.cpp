#include <gtest/gtest.h>

#include <string>

#include "core/node.h"
#include "core/regex.h"

namespace {

int32_t search(pattern_buffer *re, const std::string &text) {
    auto len = static_cast<int32_t>(text.size());
    return re_search(re, text.data(), len, 0, len, nullptr);
}

class MakeRegexp : public ::testing::Test {
protected:
    void SetUp() override { init_null_string(); }
};

TEST_F(MakeRegexp, ConstantsRewriteEscapesAndStopAtASlash) {
    const struct {
        const char *source;
        std::string text;
        int32_t expected;
    } cases[] = {
        {"\\/", "a/", 1},
        {"a/b", "xa", 1},            // cut at the unescaped slash
        {"[/]x/y", "a/x", 1},        // a slash inside brackets belongs to the pattern
        {"\\b", "a\bb", 1},          // a backspace here, not a word boundary
        {"\\b", "a b", -1},
        {"(a)\\1", "a\x01", 0},      // \1 is an octal code, not a back-reference
        {"(a)\\1", "aa", -1},
        {"\\.", "ab.", 2},           // other pairs reach the compiler unchanged
        {"a\\nb", "a\nb", 0},
        {"\\x41\\101", "AA", 0},
        {"\\w", "-a", 1},
        {"\x83\\/", "\x83\\", 0},    // a second byte that is a backslash escapes nothing
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.source);
        pattern_buffer *re = make_regexp_constant(c.source, 0);
        EXPECT_EQ(search(re, c.text), c.expected);
        free_regexp(re);
    }
}

TEST_F(MakeRegexp, FoldingAppliesToConstantsAndDynamicPatterns) {
    pattern_buffer *constant = make_regexp_constant("ABC", 1);
    EXPECT_EQ(search(constant, "xabc"), 1);
    free_regexp(constant);
    pattern_buffer *dynamic = make_regexp(make_temp_string("abc", 3), 1);
    EXPECT_EQ(search(dynamic, "AbC"), 0);
    free_regexp(dynamic);
}

TEST_F(MakeRegexp, DynamicBackslashBIsAWordBoundary) {
    pattern_buffer *re = make_regexp(make_temp_string("\\bb", 3), 0);
    EXPECT_EQ(search(re, "ab b"), 3);
    free_regexp(re);
}

TEST_F(MakeRegexp, KeptValuesAreNotReleased) {
    NODE *kept = make_str_node("ab", 2, 0);
    free_regexp(make_regexp(kept, 0));
    EXPECT_EQ(std::string(kept->string, kept->length), "ab");
    unref(kept);
}

TEST_F(MakeRegexp, CompileErrorsAreFatal) {
    EXPECT_EXIT(make_regexp(make_temp_string("a(", 2), 0), ::testing::ExitedWithCode(1),
                "^Fatal error: Unmatched .\\(: /a\\(/\n$");
    EXPECT_EXIT(make_regexp_constant("[ab", 0), ::testing::ExitedWithCode(1),
                "^Fatal error: Premature end of regular expression: /\\[ab/\n$");
}

}  // namespace
