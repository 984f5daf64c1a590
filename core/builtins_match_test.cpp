// match, sub and gsub from parsed scripts. Variable names are unique per test:
// the symbol table lives for the whole test program.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/eval.h"
#include "core/fields.h"
#include "frontend/frontend_test_util.h"

namespace {

class MatchBuiltins : public ::testing::Test {
protected:
    void SetUp() override {
        init_null_string();
        for (auto [name, text] : {std::pair{"FS", " "}, {"RS", "\n"}, {"OFS", " "}}) {
            NODE *var = variable(name);
            var->left = make_str_node(text, std::strlen(text), 0);
        }
        variable("IGNORECASE")->left = null_string;
        init_fields();
    }
    void run(const std::string &script) {
        ScriptInput input(script);
        ASSERT_EQ(yyparse(), 0);
        interpret(begin_block);
    }
    std::string str(const char *name) {
        NODE *v = force_string(lookup(global_table, name)->left);
        return std::string(v->string, static_cast<uint32_t>(v->length));
    }
    int32_t num(const char *name) { return force_number(lookup(global_table, name)->left); }
};

TEST_F(MatchBuiltins, MatchSetsStartAndLength) {
    run("BEGIN { m1 = match(\"foobar\", /ob/); s1 = RSTART; l1 = RLENGTH\n"
        "        m2 = match(\"foobar\", \"z\"); s2 = RSTART; l2 = RLENGTH\n"
        "        IGNORECASE = 1; m3 = match(\"FOOBAR\", /ob/); IGNORECASE = 0; m4 = match(\"FOOBAR\", /ob/) }\n");
    EXPECT_EQ(num("m1"), 3);
    EXPECT_EQ(num("s1"), 3);
    EXPECT_EQ(num("l1"), 2);
    EXPECT_EQ(num("m2"), 0);
    EXPECT_EQ(num("s2"), 0);
    EXPECT_EQ(num("l2"), -1);
    EXPECT_EQ(num("m3"), 3);  // the constant is recompiled when IGNORECASE changes
    EXPECT_EQ(num("m4"), 0);
}

TEST_F(MatchBuiltins, GsubReplacementRules) {
    run("BEGIN { g1 = \"banana\"; n1 = gsub(/a/, \"[&]\", g1)\n"
        "        g2 = \"banana\"; n2 = gsub(/a/, \"\\\\&\", g2)\n"
        "        g3 = \"abc\"; n3 = gsub(/x*/, \"-\", g3)\n"
        "        g4 = \"aaa\"; n4 = gsub(\"^a\", \"\", g4) }\n");
    EXPECT_EQ(num("n1"), 3);
    EXPECT_EQ(str("g1"), "b[a]n[a]n[a]");
    EXPECT_EQ(num("n2"), 3);
    EXPECT_EQ(str("g2"), "b&n&n&");
    EXPECT_EQ(num("n3"), 0);
    EXPECT_EQ(str("g3"), "abc");
    EXPECT_EQ(num("n4"), 1);
    EXPECT_EQ(str("g4"), "aa");
}

TEST_F(MatchBuiltins, TargetsAndConstants) {
    run("BEGIN { c5 = \"banana\"; d5 = c5; n5 = sub(/b/, \"B\", d5)\n"
        "        n6 = sub(/a/, \"b\", \"banana\")\n"
        "        v7 = 12345; n7 = sub(/3/, \"x\", v7); w7 = v7 + 1\n"
        "        a8[\"k\"] = \"pop\"; n8 = gsub(\"p\", \"P\", a8[\"k\"]); r8 = a8[\"k\"]\n"
        "        $0 = \"a b c\"; n9 = gsub(/ /, \"-\"); r9 = $0; f9 = NF\n"
        "        $0 = \"x y\"; $2 = \"q\"; n10 = sub(/q/, \"Q\"); r10 = $0; g10 = $2 }\n");
    EXPECT_EQ(str("c5"), "banana");
    EXPECT_EQ(str("d5"), "Banana");
    EXPECT_EQ(num("n6"), 1);  // counted on a copy; the constant stays
    EXPECT_EQ(str("v7"), "12x45");
    EXPECT_EQ(num("w7"), 13);
    EXPECT_EQ(str("r8"), "PoP");
    EXPECT_EQ(num("n9"), 2);
    EXPECT_EQ(str("r9"), "a-b-c");
    EXPECT_EQ(num("f9"), 1);  // the record was declared again
    EXPECT_EQ(str("r10"), "x Q");
    EXPECT_EQ(str("g10"), "Q");
}

TEST_F(MatchBuiltins, FieldTargetRebuildsTheRecord) {
    run("BEGIN { $0 = \"aa bb cc\"; n11 = gsub(/b/, \"X\", $2); r11 = $0; n12 = sub(/a/, \"Y\", $0); f12 = $1 }\n");
    EXPECT_EQ(num("n11"), 2);
    EXPECT_EQ(str("r11"), "aa XX cc");
    EXPECT_EQ(num("n12"), 1);
    EXPECT_EQ(str("f12"), "Ya");
}

TEST_F(MatchBuiltins, ExitInsideAnArgumentChangesNothing) {
    run("function bye() { exit 2 }\n"
        "BEGIN { u13 = \"aaa\"; gsub(/a/, bye(), u13) }\n");
    EXPECT_EQ(str("u13"), "aaa");
}

}  // namespace
