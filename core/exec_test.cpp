// Executor tests from script text: parse in process, run the BEGIN blocks,
// then look at the variables. Names are unique per test because the symbol
// table lives for the whole test program.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/eval.h"
#include "core/builtin_test_util.h"
#include "core/fields.h"
#include "frontend/frontend_test_util.h"

namespace {

class Exec : public ::testing::Test {
protected:
    void SetUp() override {
        reset_record_state();
        interp.exiting = 0;
        interp.exit_code = 0;
    }
    // Runs the script's BEGIN blocks; the result is interpret's.
    int run(const std::string &script) {
        ScriptInput input(script);
        EXPECT_EQ(yyparse(), 0);
        return interpret(begin_block);
    }
    std::string str(const char *name) {
        NODE *v = force_string(lookup(global_table, name)->left);
        return std::string(v->string, static_cast<uint32_t>(v->length));
    }
    int32_t num(const char *name) { return force_number(lookup(global_table, name)->left); }

    // A table of scripts, each leaving its result in r.
    struct Case {
        const char *script;
        const char *expected;
    };
    template <size_t N>
    void expect_r(const Case (&cases)[N], const char *before, const char *after) {
        for (const Case &c : cases) {
            run(std::string(before) + c.script + after);
            EXPECT_EQ(str("r"), c.expected) << c.script;
        }
    }
};

TEST_F(Exec, FunctionsCalledBeforeTheirDefinition) {
    run("BEGIN { r1 = sq(7); r2 = count(8000) }\n"
        "function sq(x) { return x * x }\n"
        "function count(n) { return n ? 1 + count(n - 1) : 0 }\n");
    EXPECT_EQ(num("r1"), 49);
    EXPECT_EQ(num("r2"), 8000);
}

TEST_F(Exec, ArraysMadeInsideACallReachTheCaller) {
    run("function mk(p, q) { p[1] = \"one\"; pass(q) }\n"
        "function pass(r) { r[\"x\"] = 2 }\n"
        "BEGIN { mk(made1, made2); r3 = made1[1] made2[\"x\"] }\n");
    EXPECT_EQ(str("r3"), "one2");
    EXPECT_EQ(lookup(global_table, "made2")->type, T_ARRAY);
}

TEST_F(Exec, LocalsStartEmptyOnEveryCall) {
    run("function acc(x,   t, arr, k, n) { t = t x; arr[x]; for (k in arr) n++; return t n }\n"
        "BEGIN { r4 = acc(\"a\") acc(\"b\") }\n");
    EXPECT_EQ(str("r4"), "a1b1");
}

TEST_F(Exec, ExitInsideAFunctionStopsEverything) {
    EXPECT_EQ(run("function quit(c) { exit c; after1 = 1 }\n"
                  "function side() { after2 = 1 }\n"
                  "BEGIN { v = 1 + quit(7) + side(); after3 = 1 }\n"
                  "BEGIN { after4 = 1 }\n"),
              0);
    EXPECT_TRUE(interp.exiting);
    EXPECT_EQ(interp.exit_code, 7);
    for (const char *name : {"after1", "after2", "after3", "after4"}) EXPECT_EQ(num(name), 0) << name;
}

TEST_F(Exec, LoopStateSurvivesCallsMadeInsideLoops) {
    run("function inner(n,   i, s) { for (i = 0; i < n; i++) { if (i == 1) continue; s = s i } return s }\n"
        "BEGIN { for (j = 0; j < 3; j++) { r5 = r5 inner(3) \":\"; if (j == 1) break } }\n");
    EXPECT_EQ(str("r5"), "02:02:");
    EXPECT_EQ(num("j"), 1);
}

TEST_F(Exec, ForInDeletingTheNextElementSkipsTheRestOfItsBucket) {
    // Every pass deletes one other element; elements skipped with a bucket are
    // neither seen nor deleted, so what is left is what was never deleted.
    run("BEGIN { for (i = 0; i < 2000; i++) big[i] = i\n"
        "  for (k in big) { seen++; for (m in big) if (m != k) { delete big[m]; break } }\n"
        "  left = 0; for (k in big) left++ }\n");
    EXPECT_GT(num("seen"), 0);
    EXPECT_EQ(num("left"), 2000 - num("seen"));
}

TEST_F(Exec, RecordAndFieldsFromScript) {
    run("BEGIN { $0 = \"a b c\"; $5 = \"e\"; r6 = $0; n6 = NF; OFS = \"-\"; $1 = $1; r7 = $0 }\n");
    set_var("FS", ",");  // scripts set FS only through -V: FS is a control-code name there
    run("BEGIN { r8 = $2; $0 = \"x,y\"; r9 = $2; OFS = \" \" }\n");
    EXPECT_EQ(str("r6"), "a b c  e");
    EXPECT_EQ(num("n6"), 5);
    EXPECT_EQ(str("r7"), "a-b-c--e");
    EXPECT_EQ(str("r8"), "b");  // the fields of the record set before FS changed
    EXPECT_EQ(str("r9"), "y");
    set_var("FS", " ");
}

// Fields are reused from one record to the next and take their number view
// only when something asks for it: neither may show.
TEST_F(Exec, FieldsOfOneRecordDoNotLeakIntoTheNext) {
    const Case cases[] = {
        {"$0 = \"10 9 010 1e1 abc 0.0 2024-05-01\"\n"
         "r = ($1 > $2) ($1 == $3) ($1 == $4) ($5 > $1) ($6 ? 1 : 0) ($7 == 2024) (code($2) == 9)",
         "1111001"},
        {"$0 = \"10 9\"; x = $1; y = $2; r = (x > y) (x \"\" > y \"\"); $0 = \"1 2\"; r = r (x > y)", "101"},
        {"$0 = \"a-very-long-first-field-kept-on-the-heap b c d e f\"; n = NF\n"
         "$0 = \"x\"; $4 = \"y\"; r = $0 \"|\" NF \"|\" n",
         "x   y|4|6"},
        {"$0 = \"p q r s t\"; k = $2; $0 = \"d\"; r = k $1 $2 NF", "qd1"},
        {"$0 = \"1 2 3\"; $2 = \"zz\"; r = $0; $0 = \"4 5\"; r = r \"|\" $2 NF $3 \".\"", "1 zz 3|52."},
        {"$0 = sprintf(\"a%cb  c\", 0); r = NF length($1) length($2)", "231"},
        {"$0 = \"  lead   trail  \"; r = NF \"[\" $1 \"][\" $2 \"]\"; $0 = \"   \"; r = r NF", "2[lead][trail]0"},
    };
    expect_r(cases, "BEGIN { ", " }\n");
}

// NF alone splits the record without making the fields: each must still be
// right when referred to later, assigned, or when $0 is made from them.
TEST_F(Exec, FieldsCountedByNfAloneAreRightLater) {
    const Case cases[] = {
        {"$0 = \"a b c\"; n = NF; $0 = \"d e\"; r = n NF $1 $2 \"[\" $3 \"]\"", "32de[]"},
        {"$0 = \"a bb ccc\"; n = NF; $0 = \"dddd e\"; m = NF; $0 = \"f g h i\"; r = n m $1 $3 $4 NF", "32fhi4"},
        {"$0 = \"a b c\"; n = NF; $2 = \"X\"; r = $0 \"|\" $1 $3 NF", "a X c|ac3"},
        {"$0 = \"a b\"; n = NF; $4 = \"d\"; r = $0 \"|\" NF n", "a b  d|42"},
        {"$0 = \"a b c d\"; n = NF; $0 = \"e\"; $3 = \"g\"; r = $0 \"|\" NF n", "e  g|34"},
        {"$0 = \"p q r\"; n = NF; $0 = $3 \" \" $1; r = $0 \"|\" NF $1 $2 n", "r p|2rp3"},
        {"$0 = \"aa bb\"; n = NF; sub(/aa/, \"x y\"); r = NF $1 $2 $3 n", "3xybb2"},
        {"$0 = \"10 9\"; n = NF; r = ($1 > $2) n", "12"},
        {"$0 = \"5 6\"; n = NF; $0++; r = $0 NF $1 n", "6162"},
        {"$0 = \"k1 k2\"; n = NF; x = $2; $0 = \"z\"; r = x $1 NF", "k2z1"},
        {"$0 = \"a-first-field-longer-than-any-kept-for-the-next-record--------------- b\"; n = NF\n"
         "$2 = \"c\"; $0 = \"d e\"; r = $1 $2 n",
         "de2"},
    };
    expect_r(cases, "BEGIN { ", " }\n");
    set_var("FS", ",");
    run("BEGIN { $0 = \"a,b,\"; n = NF; r = n \"[\" $3 \"]\" $2 }\n");
    EXPECT_EQ(str("r"), "3[]b");
    set_var("FS", ", ");
    run("BEGIN { $0 = \"a, b, c\"; n = NF; $0 = \"d, e\"; r = n NF $2 $1 }\n");
    EXPECT_EQ(str("r"), "32ed");
    set_var("FS", " ");
}

// The left operand is turned to text before the right one runs, and kept
// while it does, whatever the right one assigns.
TEST_F(Exec, ConcatenationTakesTheLeftTextFirst) {
    run("BEGIN { cx = 255; cy = cx (OFMT = \"%x\"); c1 = cy \"|\" cx; OFMT = \"%d\"\n"
        "  cs = \"ab\"; c2 = cs (cs = \"cd\"); c2 = c2 \"|\" cs; cn = 7; c3 = cn (cn = cn + 1); c4 = 1 2; c5 = \"\" \"\" }\n");
    EXPECT_EQ(str("c1"), "255%x|255");
    EXPECT_EQ(str("c2"), "abcd|cd");
    EXPECT_EQ(str("c3"), "78");
    EXPECT_EQ(str("c4"), "12");
    EXPECT_EQ(str("c5"), "");
}

// `v = v x` grows the text in place: from inside the node to the heap, with
// v itself as x, and never keeps the number v had.
TEST_F(Exec, AppendingToAVariableKeepsEveryByte) {
    run("BEGIN { a1 = \"ab\"; a1 = a1 a1; a1 = a1 a1; a1 = a1 a1; a2 = \"0123456789abc\"; a2 = a2 a2\n"
        "  a3 = \"1\"; a4 = a3 + 0; a3 = a3 \"2\"; a4 = a3 + 1; a5 = 7; a5 = a5 \"x\"; a6 = \"\"\n"
        "  for (ai = 0; ai < 300; ai++) a6 = a6 ai % 10 }\n");
    EXPECT_EQ(str("a1"), "abababababababab");
    EXPECT_EQ(str("a2"), "0123456789abc0123456789abc");
    EXPECT_EQ(num("a4"), 13);
    EXPECT_EQ(str("a5"), "7x");
    std::string digits;
    for (int i = 0; i < 300; ++i) digits += static_cast<char>('0' + i % 10);
    EXPECT_EQ(str("a6"), digits);
}

TEST_F(Exec, MatchOperatorsFollowIgnorecase) {
    run("BEGIN { m1 = (\"ABC\" ~ /abc/); IGNORECASE = 1; m2 = (\"ABC\" ~ /abc/); m3 = (\"ABC\" ~ \"b\")\n"
        "  m4 = (\"ABC\" !~ /z/); IGNORECASE = 0; m5 = (\"ABC\" ~ /abc/)\n"
        "  $0 = \"hello\"; m6 = /ell/; m7 = !/ell/; if (/^h/) m8 = 1 }\n");
    EXPECT_EQ(str("m1") + str("m2") + str("m3") + str("m4") + str("m5"), "01110");
    EXPECT_EQ(str("m6") + str("m7") + str("m8"), "101");
}

// Frames are reused from one call to the next at the same depth, and a
// parameter's value may be moved out by `return`: no call may see another's.
TEST_F(Exec, CallsDoNotSeeEachOthersFrames) {
    const Case cases[] = {
        {"function fa1(n,   t) { t = n; if (n > 0) fa1(n - 1); return t }\n"
         "BEGIN { r = fa1(3) fa1(2) fa1(0) }",
         "320"},
        {"function fb1(p) { p = p + 1; p++; ++p; p--; return p }\n"
         "BEGIN { v = 5; r = fb1(v) \":\" v }",
         "7:5"},
        {"function fc1(a) { a[\"k\"] = 1 }\nfunction fc2(s) { return s + 1 }\n"
         "BEGIN { fc1(ca1); r = fc2(2) ca1[\"k\"] fc2(fc2(1)) }",
         "313"},
        {"function fd1(x,   t, k, n) { t[x] = 1; for (k in t) n++; return n }\n"
         "function fd2(x,   t) { t = t x; return t }\n"
         "BEGIN { r = fd1(\"a\") fd2(\"b\") fd1(\"c\") fd2(\"d\") }",
         "1b1d"},
        {"function fe1(a, b) { return a \"-\" b }\n"
         "BEGIN { r = fe1(fe1(1, 2), fe1(fe1(3, 4), 5)) }",
         "1-2-3-4-5"},
        {"function ff1(x) { return x }\nfunction ff2(x) { x = x \"z\"; return x }\n"
         "BEGIN { s = \"q\"; a = ff1(\"abc\"); b = ff1(7); r = a b ff2(s) ff2(s) s ff1(s) }",
         "abc7qzqzqq"},
        {"function fg1(x) { fg2(\"zz\"); return x }\nfunction fg2(y) { y = y y; return y }\n"
         "BEGIN { r = fg1(\"keep\") fg1(12) }",
         "keep12"},
        {"function fh1(x) { return x }\n"
         "BEGIN { hv = \"a long text kept on the heap\"; r = fh1(hv) \"|\" fh1(hv + 1) \"|\" hv }",
         "a long text kept on the heap|1|a long text kept on the heap"},
        {"function fj1(x,   t) { r0 = r0 \"[\" t \"]\"; t = x + 1; return x \"\" }\n"
         "BEGIN { r = fj1(5) fj1(\"abc\") fj1(7) fj1() r0 }",
         "5abc7[][][][]"},
        {"function fk1(x) { x++; return x }\nfunction fk2(a, b) { return fk1(a) + fk1(b) }\n"
         "BEGIN { v1 = 1; v2 = 2; r = fk2(v1, v2) fk2(v2, 10) v1 v2 }",
         "51412"},
        {"function fi1(n) { return n ? fi1(n - 1) : \"end\" n }\n"
         "BEGIN { r = fi1(5000) fi1(1) }",
         "end0end0"},
    };
    expect_r(cases, "", "\n");
}

// Numbers computed for a store and single steps change the target's value
// where it is; text, fields and wrap-around must come out as before.
TEST_F(Exec, NumbersStoredInPlaceKeepTheirMeaning) {
    const Case cases[] = {
        {"x = \"5\"; x++; y = \"ab\"; y++; z++; w = 2147483647; w++; r = x y z w", "611-2147483648"},
        {"u = \"abc\"; u = u * 2 + 1; v = 3; v = v v; v--; r = u \"|\" v", "1|32"},
        {"$0 = \"1 2 3\"; $2 = $2 * 10; r = $0 \"|\" NF", "1 20 3|3"},
        {"$0 = \"a b c d\"; NF = NF - 2; r = $0; NF++; r = r \"|\" $0 \"|\" NF", "a b c d|a b c d|3"},
        {"ia[1] = 4; ia[1] = ia[1] * ia[1]; ia[2]++; r = ia[1] ia[2]", "161"},
        {"k = 9; s = k \"\"; k = k + 1; r = s k", "910"},
    };
    expect_r(cases, "BEGIN { ", " }\n");
}

TEST_F(Exec, NextEndsTheRemainingBlocks) {
    EXPECT_EQ(run("function skip() { next }\n"
                  "BEGIN { skip(); after5 = 1 }\n"
                  "BEGIN { after6 = 1 }\n"),
              1);
    EXPECT_EQ(num("after5") + num("after6"), 0);
    EXPECT_FALSE(interp.exiting);
}

TEST_F(Exec, CompoundAssignmentReadsItsTargetBeforeTheRightSide) {
    run("function bump() { cx = 10; return 1 }\n"
        "function grow(   i) { for (i = 0; i < 5000; i++) ca[\"k\" i] = i; delete ca[\"t\"]; return 3 }\n"
        "function wipe() { split(\"\", cb); return 4 }\n"
        "BEGIN { cn = 1; cn += cn += 2; cx = 1; cx += bump()\n"
        "  ca[\"t\"] = 5; ca[\"t\"] *= grow(); cb[1] = 6; cb[1] -= wipe()\n"
        "  $0 = \"7 8\"; $2 += ($0 = \"1 2 3 4 5 6 7 8 9 10 11 12\"); cf = $0 }\n");
    EXPECT_EQ(num("cn"), 4);
    EXPECT_EQ(num("cx"), 2);
    NODE *ca = lookup(global_table, "ca");
    EXPECT_EQ(force_number(*assoc_lookup(ca, make_temp_string("t", 1))), 15);
    EXPECT_EQ(force_number(*assoc_lookup(ca, make_temp_string("k4999", 5))), 4999);
    EXPECT_EQ(force_number(*assoc_lookup(lookup(global_table, "cb"), make_temp_string("1", 1))), 2);
    EXPECT_EQ(str("cf"), "1 9 3 4 5 6 7 8 9 10 11 12");
}

}  // namespace
