#include "core/fields.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/builtins.h"
#include "core/eval.h"
#include "core/builtin_test_util.h"
#include "core/regex.h"

namespace {

std::string text(NODE *v) {
    force_string(v);
    return std::string(v->string, static_cast<uint32_t>(v->length));
}

NODE *list(std::vector<NODE *> items) {
    NODE *head = nullptr, **link = &head;
    for (NODE *item : items) {
        NODE *l = newnode(T_EXPRESSION_LIST);
        l->left = item;
        l->right = nullptr;
        *link = l;
        link = &l->right;
    }
    return head;
}

NODE *constant(const std::string &s) {
    NODE *v = make_str_node(s.data(), s.size(), 0);
    v->flags |= NODE_PERM;
    return v;
}

class Fields : public ::testing::Test {
protected:
    void SetUp() override {
        reset_record_state();
    }
    void record(const std::string &r) { set_record(r.data(), static_cast<int32_t>(r.size())); }
    int32_t nf() {
        split_record_for_nf();
        return force_number(interp.nf_var->left);
    }
    std::vector<std::string> fields() {
        std::vector<std::string> out;
        for (int32_t i = 1, n = nf(); i <= n; ++i) out.push_back(text(*get_field(i, 0)));
        return out;
    }
    // split(s, a, sep) through the builtin, returning the elements 1..n.
    std::vector<std::string> split(const std::string &s, NODE *array, const char *sep) {
        std::vector<NODE *> args{constant(s), array};
        if (sep) args.push_back(constant(sep));
        NODE *r = do_split(list(args));
        int32_t n = force_number(r);
        unref(r);
        std::vector<std::string> out;
        for (int32_t i = 1; i <= n; ++i) out.push_back(text(*assoc_lookup(array, make_temp_number(i))));
        return out;
    }
};

using Strings = std::vector<std::string>;

struct SplitCase {
    const char *fs;
    const char *rs;
    std::string record;
    Strings expect;
};

TEST_F(Fields, SplitsRecordsBySeparatorKind) {
    const SplitCase cases[] = {
        {" ", "\n", "  a\tb ", {"a", "b"}},
        {" ", "\n", "", {}},
        {" ", "\n", "a\nb c", {"a\nb", "c"}},
        {",", "\n", "a,,b", {"a", "", "b"}},
        {",", "\n", "a,b,", {"a", "b", ""}},
        {",", "", "a,b,", {"a", "b"}},
        {",", "", "a\nb,c", {"a", "b", "c"}},
        {" ", "", " \n a b\nc ", {"a", "b", "c"}},
        {"", "\n", "a b", {"a b"}},
        {", ", "\n", "a, b, c", {"a", "b", "c"}},
        {", ", "\n", "a, b, ", {"a", "b", ""}},
        {", ", "\n", "", {}},
        {"\\", "\n", "x\x95\\y\\z", {"x\x95\\y", "z"}},
    };
    for (const SplitCase &c : cases) {
        set_var("FS", c.fs);
        set_var("RS", c.rs);
        record(c.record);
        EXPECT_EQ(fields(), c.expect) << "FS '" << c.fs << "' RS '" << c.rs << "' record '" << c.record << "'";
    }
}

TEST_F(Fields, FsAppliesFromTheNextRecord) {
    record("a,b c");
    set_var("FS", ",");
    EXPECT_EQ(fields(), (Strings{"a,b", "c"}));
    record("a,b c");
    EXPECT_EQ(fields(), (Strings{"a", "b c"}));
}

TEST_F(Fields, NfIsMinusOneUntilSplitAndFieldsAreNumeric) {
    record("10 9");
    EXPECT_EQ(force_number(interp.nf_var->left), -1);
    NODE *a = *get_field(1, 0);
    EXPECT_EQ(force_number(interp.nf_var->left), 2);
    EXPECT_TRUE(a->flags & NODE_NUMERIC);
    EXPECT_EQ(cmp_nodes(a, *get_field(2, 0)), 1);
}

TEST_F(Fields, ReadingBeyondNfCreatesNothing) {
    record("a b");
    EXPECT_EQ(text(*get_field(7, 0)), "");
    EXPECT_EQ(nf(), 2);
    EXPECT_EQ(text(*get_field(0, 0)), "a b");
}

TEST_F(Fields, AssigningBeyondNfRebuildsWithOfs) {
    record("a  b");
    set_var("OFS", "-");
    NODE **slot = get_field(5, 1);
    unref(*slot);
    *slot = constant("e");
    EXPECT_EQ(nf(), 5);
    EXPECT_EQ(text(*get_field(0, 0)), "a-b---e");
    // The rebuilt record is split again only when set anew.
    EXPECT_EQ(text(*get_field(4, 0)), "");
}

TEST_F(Fields, SettingTheRecordDropsOldFields) {
    record("a b c");
    EXPECT_EQ(nf(), 3);
    record("x");
    EXPECT_EQ(force_number(interp.nf_var->left), -1);
    EXPECT_EQ(fields(), (Strings{"x"}));
    EXPECT_EQ(text(*get_field(2, 0)), "");
}

TEST_F(Fields, SplitBuiltin) {
    NODE *a = variable("fields_split_a");
    EXPECT_EQ(split("a,,b", a, ","), (Strings{"a", "", "b"}));
    EXPECT_EQ(split("a,b,", a, ","), (Strings{"a", "b", ""}));
    EXPECT_EQ(split("a:b:c", a, ":"), (Strings{"a", "b", "c"}));
    EXPECT_FALSE(in_array(a, list({constant("4")})));
    EXPECT_EQ(a->type, T_ARRAY);
    set_var("FS", ",");
    EXPECT_EQ(split(" p,q  r ", a, nullptr), (Strings{"p,q", "r"}));
    EXPECT_EQ(split("", a, nullptr), Strings{});
    EXPECT_FALSE(in_array(a, list({constant("1")})));
    // Elements are plain strings: they compare as text.
    split("10 9", a, nullptr);
    EXPECT_EQ(cmp_nodes(*assoc_lookup(a, make_temp_number(1)), *assoc_lookup(a, make_temp_number(2))), -1);
}

TEST_F(Fields, SplitOfAnElementOfTheSameArray) {
    NODE *a = variable("fields_split_self");
    split("x y", a, nullptr);
    NODE *args = list({newnode(T_SUBSCRIPT), a});
    args->left->left = a;
    args->left->right = list({constant("1")});
    args->left->line = 0;
    NODE *r = do_split(args);
    EXPECT_EQ(force_number(r), 1);
    unref(r);
    EXPECT_EQ(text(*assoc_lookup(a, make_temp_number(1))), "x");
}

TEST_F(Fields, RegexSeparatorFollowsIgnorecase) {
    regex_registers regs;
    EXPECT_EQ(re_split("aXXb", 4, "x+", &regs), -1);
    set_var("IGNORECASE", "1");
    EXPECT_EQ(re_split("aXXb", 4, "x+", &regs), 1);
    EXPECT_EQ(regs.end[0], 3);
    set_var("IGNORECASE", "0");
    EXPECT_EQ(re_split("aXXb", 4, "x+", &regs), -1);
    EXPECT_EXIT(re_split("a", 1, "b(", &regs), ::testing::ExitedWithCode(1),
                "Fatal error: illegal regular expression for FS: `b\\('");
}

TEST_F(Fields, SplitIntoANonVariableIsFatal) {
    EXPECT_EXIT(do_split(list({constant("a"), constant("b")})), ::testing::ExitedWithCode(1),
                "Fatal error: second argument of split is not a variable");
}

}  // namespace
