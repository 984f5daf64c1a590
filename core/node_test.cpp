#include "core/node.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "core/builtin_test_util.h"
#include "core/eval.h"

namespace {

NODE *str(const std::string &s) { return make_str_node(s.data(), s.size(), 0); }

void set_ofmt(const char *f) {
    NODE *var = variable("OFMT");
    unref(var->left);
    var->left = f ? str(f) : null_string;
}

class Values : public ::testing::Test {
protected:
    void SetUp() override { init_null_string(); }
    void TearDown() override { set_ofmt(nullptr); }
};

struct NumberCase {
    const char *text;
    int32_t number;
    bool numeric;
};

TEST_F(Values, ForceNumberConvertsLikeDecimalTextAndSaturates) {
    const NumberCase cases[] = {
        {"", 0, false},           {"7", 7, true},           {"x", 0, false},
        {" 42 ", 42, true},       {"12abc", 12, false},     {"0x10", 0, false},
        {"1e3", 1000, true},      {"-2.5", -2, true},       {"3.9", 3, true},
        {"+5", 5, true},          {".5", 0, true},          {"5.", 5, true},
        {"1e", 1, false},         {"- 5", 0, false},        {"inf", 0, false},
        {"nan", 0, false},        {"  ", 0, false},         {"\t-17\n", -17, true},
        {"2147483647", INT32_MAX, true},   {"-2147483648", INT32_MIN, true},
        {"2147483648", INT32_MAX, true},   {"-99999999999999999999", INT32_MIN, true},
        {"4e9", INT32_MAX, true}, {"-3e9", INT32_MIN, true},
        {"1e999", INT32_MAX, false},       {"1e-999", 0, false},
        {"0.999999", 0, true},    {"-1.000001", -1, true},  {"12.50 x", 12, false},
        {"0.99999999999999999999", 1, true},  // rounds up before it truncates
        {"2147483647.999999", INT32_MAX, true},
    };
    for (const NumberCase &c : cases) {
        NODE *n = str(c.text);
        EXPECT_EQ(force_number(n), c.number) << '"' << c.text << '"';
        EXPECT_EQ(n->number, c.number);
        EXPECT_TRUE(n->flags & NODE_NUM_VALID);
        EXPECT_EQ((n->flags & NODE_NUMERIC) != 0, c.numeric) << '"' << c.text << '"';
        unref(n);
    }
    NODE *nul = make_str_node("12\0", 3, 0);  // the length, not the terminator, ends the text
    EXPECT_EQ(force_number(nul), 12);
    EXPECT_FALSE(nul->flags & NODE_NUMERIC);
    unref(nul);
}

struct StringCase {
    const char *ofmt;
    int32_t number;
    std::string text;
};

TEST_F(Values, ForceStringHonoursOnlyOneIntegerFormat) {
    const StringCase cases[] = {
        {nullptr, 5, "5"},         {nullptr, 10, "10"},     {nullptr, -1, "-1"},
        {nullptr, INT32_MIN, "-2147483648"}, {nullptr, INT32_MAX, "2147483647"},
        {nullptr, 99, "99"},       {nullptr, 100, "100"},   {nullptr, -100, "-100"},
        {nullptr, 1000000000, "1000000000"}, {"%ld", -90817, "-90817"},
        {"%05d", 42, "00042"},     {"%05d", 7, "7"},        {"%x", 255, "ff"},
        {"%lx", -1, "ffffffff"},   {"[%ld]", 12, "[12]"},   {"%%%d", 12, "%12"},
        {"%+.3hd", 12, "+012"},    {"%s", 12, "12"},        {"%d %d", 12, "12"},
        {"%n", 12, "12"},          {"%", 12, "12"},         {"%lld", 12, "12"},
        {"%*d", 12, "12"},         {"%c", 65, "65"},
        {"%0200d", 12, std::string(198, '0') + "12"},
    };
    for (const StringCase &c : cases) {
        set_ofmt(c.ofmt);
        NODE *n = make_number(c.number);
        EXPECT_EQ(force_string(n), n);
        EXPECT_EQ(str_of(n), c.text) << (c.ofmt ? c.ofmt : "default");
        EXPECT_EQ(n->str_refs, 1);
        unref(n);
    }
    NODE *var = variable("OFMT");  // a number is no format, and must not recurse
    var->left = make_number(55);
    NODE *m = make_number(-12);
    EXPECT_EQ(str_of(force_string(m)), "-12");
    unref(m);

    std::string literal(200, 'a');
    set_ofmt(literal.c_str());
    NODE *n = make_number(12);
    EXPECT_EQ(str_of(force_string(n)), "12");
    unref(n);
}

TEST_F(Values, ForceCharKeepsLowByte) {
    const std::pair<int32_t, std::string> cases[] = {{65, "A"}, {0, std::string(1, '\0')}, {321, "A"}, {-191, "A"}};
    for (const auto &[number, text] : cases) {
        NODE *n = make_number(number);
        force_char(n);
        EXPECT_EQ(str_of(n), text);
        EXPECT_EQ(n->string[1], '\0');
        unref(n);
    }
}

TEST_F(Values, EscapesAndDoubleByteCharacters) {
    const std::pair<std::string, std::string> cases[] = {
        {"a\\tb", "a\tb"},        {"\\101", "A"},         {"\\x41g", "Ag"},
        {"\\q", "q"},             {"\\1234", "S4"},       {"\\777", "\xff"},
        {"\\xg", std::string("\0g", 2)}, {"\\\"\\\\\\/", "\"\\/"},
        {"\\a\\b\\f\\n\\r\\v", "\a\b\f\n\r\v"},
        {"\x83\\", "\x83\\"},     {"\xAE\\n", "\xAE\\n"}, {"\xAF\\n", "\xAF\n"},
        {"\xE0\\t", "\xE0\\t"},   {"\xFC\\t", "\xFC\\t"}, {"\xFD\\t", "\xFD\t"},
        {"\x80\\t", "\x80\t"},    {"x\x83", "x\x83"},
    };
    for (const auto &[in, out] : cases) {
        NODE *n = make_str_node(in.data(), in.size(), 1);
        EXPECT_EQ(str_of(n), out) << in;
        EXPECT_EQ(n->string[n->length], '\0');
        EXPECT_TRUE(n->flags & NODE_PERM);
        unref(n);  // a constant survives
        EXPECT_EQ(str_of(n), out);
    }
}

TEST_F(Values, ReadEscapeAtEndAndBeforeNewline) {
    const char *end = "";
    EXPECT_EQ(read_escape(&end), -1);
    EXPECT_EQ(*end, '\0');
    const char *nl = "\nz";
    EXPECT_EQ(read_escape(&nl), -2);
    EXPECT_EQ(*nl, 'z');
    EXPECT_EXIT(make_str_node("ab\\", 3, 1), ::testing::ExitedWithCode(1), "line [0-9]+, file: node; bailing out");
}

TEST_F(Values, DupnodeAdoptsTemporariesAndCopiesEverythingElse) {
    NODE *t = make_temp_string("abc", 3);
    EXPECT_EQ(dupnode(t), t);
    EXPECT_EQ(t->flags & (NODE_TEMP | NODE_FREEABLE), NODE_FREEABLE);

    NODE *copy = dupnode(t);
    EXPECT_NE(copy, t);
    EXPECT_NE(copy->string, t->string);  // never a shared buffer
    EXPECT_EQ(str_of(copy), "abc");
    unref(t);
    EXPECT_EQ(str_of(copy), "abc");
    unref(copy);

    NODE *empty = dupnode(null_string);
    EXPECT_NE(empty, null_string);
    EXPECT_NE(empty->string, null_string->string);
    EXPECT_EQ(empty->flags & (NODE_FREEABLE | NODE_PERM), NODE_FREEABLE);
    EXPECT_EQ(empty->length, 0);
    unref(empty);
    unref(null_string);
    EXPECT_EQ(null_string->flags & NODE_PERM, NODE_PERM);
    EXPECT_EQ(str_of(null_string), "");

    NODE *num = make_number(-9);
    NODE *kept = dupnode(num);  // a number-only copy owns no buffer
    EXPECT_NE(kept, num);
    EXPECT_EQ(kept->number, -9);
    EXPECT_EQ(kept->str_refs, 0);
    unref(kept);
    unref(num);
}

// Short texts live inside the node and long ones on the heap: either way a
// copy owns its own text, keeps its terminator and outlives the original.
TEST_F(Values, TextsOfEveryLengthSurviveCopyReuseAndReassignment) {
    for (size_t len = 0; len <= 13; ++len) {
        std::string text(len, 'a');
        for (size_t i = 0; i < len; ++i) text[i] = static_cast<char>('a' + i);
        NODE *orig = str(text);
        NODE *copy = dupnode(orig);
        unref(orig);
        NODE *reused = str(std::string(len, 'z'));  // likely the node orig had
        EXPECT_EQ(str_of(copy), text) << len;
        EXPECT_EQ(copy->string[len], '\0') << len;
        unref(reused);

        std::string ones(len > 10 ? 10 : len, '1');
        int32_t value = len == 0 ? 0 : -static_cast<int32_t>(std::stoll(ones));
        NODE *num = force_string(make_number(value));
        NODE *num_copy = dupnode(num);
        unref(num);
        EXPECT_EQ(str_of(num_copy), std::to_string(value)) << len;
        assign_number(&num_copy, 5);  // drops the text in place
        EXPECT_EQ(str_of(force_string(num_copy)), "5");
        unref(num_copy);
        unref(copy);
    }
}

// Every pair of old and new lengths around the inline limit and the buffer
// kept for reuse, also with the new text taken from inside the old one.
TEST_F(Values, RefillReplacesTheTextAndDropsTheNumberView) {
    const size_t lengths[] = {0, 1, 3, 4, 8, 9, 10, 20, 40, 100};
    auto pattern = [](size_t len, char first) {
        std::string s(len, ' ');
        for (size_t i = 0; i < len; ++i) s[i] = static_cast<char>(first + i % 26);
        return s;
    };
    for (size_t from : lengths) {
        for (size_t to : lengths) {
            SCOPED_TRACE(std::to_string(from) + " -> " + std::to_string(to));
            NODE *v = str(pattern(from, 'a'));
            force_number(v);
            std::string fresh = pattern(to, 'A');
            refill_text(v, fresh.data(), fresh.size());
            EXPECT_EQ(str_of(v), fresh);
            EXPECT_EQ(v->string[to], '\0');
            EXPECT_EQ(v->flags & (NODE_NUM_VALID | NODE_NUMERIC | NODE_STR_VALID), NODE_STR_VALID);
            if (to > 0) {  // its own tail
                std::string tail = fresh.substr(to / 2);
                refill_text(v, v->string + to / 2, tail.size());
                EXPECT_EQ(str_of(v), tail);
            }
            unref(v);
        }
    }
}

// A copy into a held value is what dupnode would have given, number view and
// all; a value others may see, or a temporary to adopt, is refused untouched.
TEST_F(Values, CopyIntoMatchesDupnodeOrRefuses) {
    for (const char *text : {"", "12", "1e1", "abc", "a text longer than the inline room"}) {
        for (const char *before : {"x", "an earlier text longer than the room"}) {
            SCOPED_TRACE(std::string(before) + " <- " + text);
            NODE *from = str(text);
            force_number(from);
            NODE *to = str(before);
            NODE *expected = dupnode(from);
            ASSERT_TRUE(copy_into(to, from));
            EXPECT_EQ(str_of(to), text);
            EXPECT_EQ(to->string[to->length], '\0');
            EXPECT_NE(to->string, from->string);
            EXPECT_EQ(to->flags, expected->flags);
            EXPECT_EQ(to->number, expected->number);
            unref(expected);
            unref(from);
            unref(to);
        }
    }
    NODE *held = str("held");
    NODE *temp = make_temp_string("t", 1);
    NODE *perm = str("p");
    perm->flags |= NODE_PERM;
    NODE *number = make_number(3);
    EXPECT_FALSE(copy_into(held, temp));
    EXPECT_FALSE(copy_into(held, number));
    EXPECT_FALSE(copy_into(held, held));
    EXPECT_FALSE(copy_into(perm, held));
    EXPECT_FALSE(copy_into(null_string, held));
    EXPECT_EQ(str_of(held), "held");
    EXPECT_TRUE(copy_into(held, perm));
    EXPECT_EQ(held->flags & (NODE_PERM | NODE_FREEABLE), NODE_FREEABLE);
    for (NODE *n : {held, temp, number}) unref(n);
}

TEST_F(Values, PoolReusesLastFreedAndGrowsPastItsBlocks) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "under AddressSanitizer every node is a heap block of its own";
#endif
    NODE *a = newnode(T_VAR);
    NODE *b = newnode(T_VAR);
    free_node(a);
    free_node(b);
    EXPECT_EQ(newnode(T_VALUE), b);
    EXPECT_EQ(newnode(T_VALUE), a);
    std::vector<NODE *> nodes;
    for (int i = 0; i < 1000; ++i) {  // past blocks of 100, 200 and 400
        NODE *n = make_number(i);
        EXPECT_EQ(n->installed, nullptr);
        nodes.push_back(n);
    }
    EXPECT_EQ(std::set<NODE *>(nodes.begin(), nodes.end()).size(), nodes.size());
    for (int i = 0; i < 1000; ++i) EXPECT_EQ(nodes[i]->number, i);
    for (NODE *n : nodes) unref(n);
    free_node(a);
    free_node(b);
}

TEST_F(Values, SixteenMegabyteStringRoundTrip) {
    std::string big(16 * 1024 * 1024 + 5, '\0');
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7);
    NODE *t = make_temp_string(big.data(), big.size());
    NODE *kept = make_str_node(big.data(), big.size(), 0);
    NODE *copy = dupnode(kept);
    unref(kept);
    EXPECT_EQ(static_cast<size_t>(t->length), big.size());
    EXPECT_TRUE(str_of(t) == big);
    EXPECT_TRUE(str_of(copy) == big);
    unref(t);
    unref(copy);
}

}  // namespace
