#include <gtest/gtest.h>

#include <string>

#include "core/eval.h"
#include "core/node.h"

namespace {

NODE *constant(const std::string &s) { return make_str_node(s.data(), s.size(), 1); }

NODE *field(const std::string &s) {  // a field: text with its number view made at once
    NODE *n = constant(s);
    force_number(n);
    return n;
}

TEST(Compare, StringsCompareUnsignedBytesThenLength) {
    init_null_string();
    const struct {
        std::string a, b;
        int result;
    } cases[] = {
        {"", "", 0},        {"", "a", -1},          {"a", "", 1},
        {"abc", "abd", -1}, {"ab", "abc", -1},      {"abc", "abc", 0},
        {"\xff", "a", 1},   {std::string("a\0b", 3), std::string("a\0c", 3), -1},
        {"10", "9", -1},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(cmp_strings(constant(c.a), constant(c.b)), c.result) << c.a << " vs " << c.b;
    }
}

TEST(Compare, NumbersCompareNumericallyOnlyWhenBothAreNumeric) {
    init_null_string();
    EXPECT_EQ(cmp_nodes(make_number(10), constant("9")), 1);
    EXPECT_EQ(cmp_nodes(constant("10"), constant("9")), -1);
    EXPECT_EQ(cmp_nodes(field("10"), field("9")), 1);
    EXPECT_EQ(cmp_nodes(make_number(INT32_MAX), make_number(-1)), 1);
    EXPECT_EQ(cmp_nodes(make_number(-5), make_number(-5)), 0);
    EXPECT_EQ(cmp_nodes(make_number(5), constant("abc")), -1);  // "5" < "abc"
    EXPECT_EQ(cmp_nodes(make_number(10), field("9x")), -1);     // "10" < "9x"
    NODE *same = constant("x");
    EXPECT_EQ(cmp_nodes(same, same), 0);
}

}  // namespace
