#include <gtest/gtest.h>

#include "core/builtin_test_util.h"
#include "core/builtins.h"

using namespace builtin_test;
using namespace std::string_literals;

namespace {

class StringBuiltins : public ::testing::Test {
protected:
    void SetUp() override {
        init_null_string();
        variable("IGNORECASE")->left = null_string;
    }
};

const std::string kana = "\x82\xA0\x82\xA2"s + "A";

TEST_F(StringBuiltins, Lengths) {
    EXPECT_EQ(number(do_length(args({N(100)}))), 3);
    EXPECT_EQ(number(do_length(args({S(kana)}))), 5);
    EXPECT_EQ(number(do_jlength(args({S(kana)}))), 3);
    EXPECT_EQ(number(do_length(nullptr)), 0);  // the empty record
    EXPECT_EQ(number(do_length(args({S("a\0b"s)}))), 3);
}

TEST_F(StringBuiltins, IndexFollowsIgnorecase) {
    EXPECT_EQ(number(do_index(args({S("abcabc"), S("bc")}))), 2);
    EXPECT_EQ(number(do_index(args({S("ABC"), S("bc")}))), 0);
    EXPECT_EQ(number(do_jindex(args({S("\x82\xA0" "A"), S("A")}))), 2);
    variable("IGNORECASE")->left = N(1);
    EXPECT_EQ(number(do_index(args({S("ABC"), S("bc")}))), 2);
    EXPECT_EQ(number(do_index(args({S("abc"), S("")}))), 0);
}

TEST_F(StringBuiltins, SubstrOneByteIsANumber) {
    bool numeric = false;
    EXPECT_EQ(text(do_substr(args({S("hello"), N(2), N(3)}))), "ell");
    EXPECT_EQ(number(do_substr(args({S("hello"), N(2), N(1)})), &numeric), 101);
    EXPECT_TRUE(numeric);
    EXPECT_EQ(number(do_substr(args({S("\xE9xyz"), N(1), N(1)}))), -23);
    EXPECT_EQ(text(do_substr(args({S("hello"), N(0), N(2)}))), "he");
    EXPECT_EQ(do_substr(args({S("hello"), N(6)})), null_string);
    EXPECT_EQ(do_substr(args({S("hello"), N(2), N(0)})), null_string);
    EXPECT_EQ(text(do_substr(args({S("hello"), N(INT32_MIN), N(INT32_MAX)}))), "hello");
    // jsubstr is always a string, even for one byte.
    EXPECT_EQ(text(do_jsubstr(args({S(kana), N(3), N(1)}))), "A");
    EXPECT_EQ(text(do_jsubstr(args({S(kana), N(2)}))), "\x82\xA2" "A");
}

TEST_F(StringBuiltins, CodeCharHex) {
    EXPECT_EQ(number(do_code(args({S("A")}))), 65);
    EXPECT_EQ(number(do_code(args({S("\xE0")}))), -32);
    EXPECT_EQ(number(do_code(args({S("")}))), 0);
    EXPECT_EQ(number(do_code(args({N(300)}))), 300);
    EXPECT_EQ(number(do_char(args({S("\xE0"), N(0)}))), 224);
    EXPECT_EQ(number(do_char(args({S("ab"), N(2)}))), 0);         // the terminator
    EXPECT_EQ(number(do_char(args({S("ab"), N(-1)}))), 0);        // outside: 0, no crash
    EXPECT_EQ(number(do_char(args({S("ab"), N(INT32_MAX)}))), 0);
    EXPECT_EQ(number(do_char(args({N(65), N(0)}))), 0);
    EXPECT_EQ(number(do_hex(args({S("1F")}))), 31);
    EXPECT_EQ(number(do_hex(args({S("G1")}))), 0);
    EXPECT_EQ(text(do_toupper(args({S("ab\x82" "a")}))), "AB\x82" "a");
}

}  // namespace
