// Every expression form whose value may belong to a variable, an element or a
// field, combined with every form that can replace or delete that owner, in
// every operator and argument position that holds the first value while the
// second runs. Nothing is checked but survival: under AddressSanitizer a
// value released too early (or released twice) stops the program.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/eval.h"
#include "core/builtin_test_util.h"
#include "frontend/frontend_test_util.h"

namespace {

// Values owned by someone else (or temporaries, for contrast).
constexpr const char *kHeld[] = {
    "pv",           "pw",           "pa[\"k\"]",       "pa[pv]",       "pa[\"k\", pv]",
    "$1",           "$pn",          "$0",              "NF",           "RLENGTH",
    "(pv = \"s\")", "(pv += 0)",    "++pn",            "pn--",         "(pc ? pv : pw)",
    "(pa[\"k\"])",  "pget()",       "substr(pv, 1)",   "(1 in pa)",    "(pv in pa)",
    "\"lit\"",      "-pv",          "!pv",             "pv pw",        "gv",
    "ga[\"k\"]",
};

// Right-hand sides that replace, convert, delete or move what the left holds.
constexpr const char *kClobber[] = {
    "(pv = \"zz\")",     "(pv = pv pw)",          "pv++",                  "(pv += 2)",
    "(pw = pv)",         "(pa[\"k\"] = \"q\")",   "(pa[pv] = 1)",          "pkill(pa)",
    "split(\"p q r\", pa)", "sub(/a/, \"X\", pv)", "gsub(/./, \"Y\", pa[\"k\"])", "($0 = \"x y z\")",
    "($1 = \"f\")",      "(NF = 5)",              "(pn = 9)",              "(1 in pa)",
    "(\"k\" in pa)",     "pgrow(pa)",             "match(\"abc\", /b/)",   "(RLENGTH = \"r\")",
    "gkill()",           "(gv = \"g\")",          "(pc = !pc)",            "pa[\"new\"]",
};

// Positions that evaluate <L>, keep it, then evaluate <R>.
constexpr const char *kShapes[] = {
    "<L> <R>",           "<L> == <R>",         "<L> < <R>",              "<L> + <R>",
    "<L> * <R>",         "<L> ~ <R>",          "<L> !~ <R>",             "<L> && <R>",
    "<L> || <R>",        "<L> ? <R> : <L>",    "(<L>, <R>) in pa",       "pa[<L>, <R>]",
    "ppair(<L>, <R>)",   "substr(<L>, <R>)",   "index(<L>, <R>)",        "match(<L>, <R>)",
    "sprintf(<L>, <R>)", "sprintf(\"%s%s\", <L>, <R>)", "split(<L>, ps, <R>)", "sub(<L>, <R>, pt)",
    "gsub(<R>, <L>, pt)", "<L> (<R>)",         "length(<L> <R>)",        "tolower(<L>) <R>",
};

// Assignment targets, each combined with the clobbers as its right side.
constexpr const char *kTargets[] = {"pv", "pa[\"k\"]", "pa[pv]", "$1", "$0", "NF", "$pn", "gv", "ga[\"k\"]"};
constexpr const char *kAssignOps[] = {"=", "+=", "-=", "*=", "|=", "<<="};

constexpr const char *kHelpers =
    "function pget() { return pv }\n"
    "function ppair(x, y) { return x y }\n"
    "function pkill(arr) { delete arr[\"k\"]; delete arr[pv]; pv = \"gone\"; $0 = \"a b\"; return 1 }\n"
    "function pgrow(arr,   i) { for (i = 0; i < 300; i++) arr[i] = i; delete arr[\"k\"]; return 2 }\n"
    "function gkill() { gv = \"new\"; delete ga[\"k\"]; return 3 }\n";

// Every case starts from the same state.
constexpr const char *kSetup =
    "  split(\"\", pa); split(\"\", ps); split(\"\", ga); pv = \"abc\"; pw = \"k\"; pn = 2; pc = 1\n"
    "  pt = \"tabc\"; pa[\"k\"] = \"val\"; pa[\"abc\"] = \"v2\"; pa[1] = \"one\"\n"
    "  gv = \"gee\"; ga[\"k\"] = \"gk\"; RLENGTH = 7; $0 = \"f1 f2 f3\"\n";

std::string replace_all(std::string text, const std::string &from, const std::string &to) {
    for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
        text.replace(at, from.size(), to);
    return text;
}

class ValuePairs : public ::testing::Test {
protected:
    void SetUp() override {
        reset_record_state();
        interp.exiting = 0;
    }
    // The cases run one after another in one function, so pv, pw, pn, pc,
    // pa, ps and pt are parameters (locals) there and gv, ga are globals.
    void run_cases(const std::vector<std::string> &cases) {
        static int serial = 0;
        std::string name = "pcases" + std::to_string(serial);
        std::string script = serial++ == 0 ? kHelpers : "";
        script += "function " + name + "(pv, pw, pn, pc, pa, ps, pt) {\n";
        for (const std::string &c : cases) script += kSetup + ("  r = " + c + "\n");
        script += "}\nBEGIN { " + name + "() }\n";
        ScriptInput input(script);
        ASSERT_EQ(yyparse(), 0);
        interpret(begin_block);
        EXPECT_EQ(interp.exiting, 0);
    }
};

TEST_F(ValuePairs, HeldValueSurvivesEveryClobberInEveryPosition) {
    for (const char *shape : kShapes) {
        std::vector<std::string> cases;
        for (const char *held : kHeld)
            for (const char *clobber : kClobber)
                cases.push_back(replace_all(replace_all(shape, "<L>", held), "<R>", clobber));
        SCOPED_TRACE(shape);
        run_cases(cases);
    }
}

TEST_F(ValuePairs, AssignmentTargetsSurviveEveryClobber) {
    std::vector<std::string> cases;
    for (const char *target : kTargets)
        for (const char *op : kAssignOps)
            for (const char *clobber : kClobber) cases.push_back(std::string(target) + " " + op + " " + clobber);
    run_cases(cases);
}

}  // namespace
