#include "frontend/preprocessor.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <regex>
#include <sstream>
#include <string>

#include "platform/temp_file.h"

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

struct Result {
    int status;
    std::string out;
    std::string err;
};

class Preprocess : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device seed;
        do dir_ = fs::temp_directory_path() / ("vordel-pp-" + std::to_string(seed()));
        while (!fs::create_directory(dir_));
        set_environment("VORDELINC", nullptr);
    }
    void TearDown() override {
        set_environment("VORDELINC", nullptr);
        fs::remove_all(dir_);
    }

    std::string path(const std::string &name) const { return (dir_ / name).string(); }

    std::string put(const std::string &name, const std::string &text) const {
        fs::create_directories((dir_ / name).parent_path());
        std::ofstream(path(name), std::ios::binary) << text;
        return path(name);
    }

    // Runs from the temporary directory so paths in messages stay short.
    Result run(const std::string &script, const std::string &text) {
        put(script, text);
        fs::path old = fs::current_path();
        fs::current_path(dir_);
        fs::remove("out.tmp");  // a fresh file is cheaper than a truncated one
        testing::internal::CaptureStderr();
        int status = preprocess(script.c_str(), "out.tmp");
        std::string err = testing::internal::GetCapturedStderr();
        fs::current_path(old);
        std::ifstream in(path("out.tmp"), std::ios::binary);
        std::stringstream out;
        out << in.rdbuf();
        return {status, out.str(), err};
    }

    // The output without line markers and blank lines, lines joined by '|'.
    std::string text_of(const std::string &source) {
        Result r = run("t.vd", source);
        EXPECT_EQ(r.err, "") << source;
        std::string joined, line;
        std::istringstream in(r.out);
        while (std::getline(in, line)) {
            if (line.empty() || line[0] == '#') continue;
            joined += (joined.empty() ? "" : "|") + line;
        }
        return joined;
    }

    fs::path dir_;
};

// A break may remove the temporary output while preprocessing starts; it
// must not come back.
TEST_F(Preprocess, ExistingOutputIsNeverCreatedAgain) {
    std::string script = put("t.vd", "x\n");
    std::string gone = path("gone.tmp");
    PreprocessOptions options;
    options.output_exists = true;
    options.messages = std::tmpfile();
    EXPECT_NE(preprocess(script.c_str(), gone.c_str(), options), 0);
    std::fclose(options.messages);
    EXPECT_FALSE(fs::exists(gone));
    std::string kept = put("kept.tmp", "");
    EXPECT_EQ(preprocess(script.c_str(), kept.c_str(), options), 0);
    EXPECT_NE(fs::file_size(kept), 0u);
}

TEST_F(Preprocess, ExpandsMacros) {
    const struct {
        const char *source, *expected;
    } cases[] = {
        {"#define ESC 27\nESC\n", "27"},
        {"#define SQ(x) ((x)*(x))\nSQ(a+1)\n", "((a+1)*(a+1))"},
        {"#define SQ(x) ((x)*(x))\nSQ;\n", "SQ;"},
        {"#define SQ(x) ((x)*(x))\nSQ  + 1\n", "SQ + 1"},
        {"#define STR(x) #x\nSTR(abc)\n", "\"abc\""},
        {"#define CAT(a,b) a##b\nCAT(x, 1)\n", "x1"},
        {"#define CAT(a,b) a  ##  b\nCAT( y , 2 )\n", "y2"},
        {"#define X X + 1\nX\n", "X + 1"},
        {"#define A B\n#define B A\nA B\n", "A B"},
        {"#define F(a,b) <a|b>\nF((1,2), \"3,4\")\n", "<(1,2)|\"3,4\">"},
        {"#define F(a,b) [a b]\nF(1,\n  2)\n", "[1 2]"},
        {"#define G F\n#define F(x) {x}\nG(7)\n", "{7}"},
        {"#define E\n#define Z() zero\n[E] Z()\n", "[] zero"},
        {"#define F(x) x /* c */ + 1 // tail\nF(2)\n", "2   + 1"},
        {"#define M 1\n#undef M\nM\n", "M"},
        {"#define P (1)\nP(2)\n", "(1)(2)"},
        {"", ""},
        {"#undef __LINE__\n__LINE__\n", "__LINE__"},
        {"#define W(x) \\\n  (x \\\n   + 1)\nW(3)\n", "(3    + 1)"},
        {"a\\\nb\n", "a\\|b"},
        {"s = \"ESC // not a comment\" /* gone */ ESC\n", "s = \"ESC // not a comment\"   ESC"},
        {"first line\n#pragma keep  this\n", "first line"},
        {"x __eval__(6*7) y\n", "x 42 y"},
        {"#define N 5\n__eval__(N + 1)\n", "6"},
    };
    for (const auto &c : cases) EXPECT_EQ(text_of(c.source), c.expected) << c.source;
}

TEST_F(Preprocess, EvaluatesExpressions) {
    const struct {
        const char *expr;
        long value;
    } cases[] = {
        {"010", 8},          {"0x1F + 0XaB", 31 + 171}, {"'AB'", 16706},       {"'\\n' + '\\x41'", 75},
        {"'\\101'", 65},     {"10UL + 2l", 12},         {"1 ? 2 : 3", 2},      {"0 ? 2 : 3", 3},
        {"1 ? 2 : 3 ? 4 : 5", 4}, {"2 + 3 * 4", 14},    {"(2 + 3) * 4", 20},   {"1 << 33", 2},
        {"-16 >> 2", -4},    {"1 || 0 && 0", 1},        {"3 & 5 | 8 ^ 1", 9},  {"1 < 2 == 1", 1},
        {"~0", -1},          {"!5 + -+3", -3},          {"7 / 0 + 7 % 0", 0},  {"-2147483647 - 1 / -1", -2147483646},
        {"2147483647 + 1", -2147483647L - 1}, {"17 % 5 - 17 / 5", -1}, {"defined(__FILE__) + defined __LINE__", 2},
    };
    for (const auto &c : cases)
        EXPECT_EQ(text_of(std::string("__eval__(") + c.expr + ")\n"), std::to_string(c.value)) << c.expr;
}

TEST_F(Preprocess, ConditionalGroups) {
    const struct {
        const char *source, *expected;
    } cases[] = {
        {"#if 010 == 8\na\n#else\nb\n#endif\n", "a"},
        {"#if 'AB' == 16706 && (1 ? 2 : 3) == 2\na\n#endif\n", "a"},
        {"#if 0\na\n#elif 1\nb\n#elif 1\nc\n#else\nd\n#endif\n", "b"},
        {"#if 0\na\n#elif 0\nb\n#else\nd\n#endif\n", "d"},
        {"#if 1\na\n#elif 1\nb\n#else\nc\n#endif\nz\n", "a|z"},
        {"#if 0\n#if 1\nx\n#else\ny\n#endif\n#else\nz\n#endif\n", "z"},
        {"#define X\n#ifdef X\n#ifndef Y\nin\n#endif\n#endif\n", "in"},
        {"#ifdef NOPE\n#error hidden\n#bogus\n#endif\n", ""},
        {"#define F(x) x\n#if F(3) == 3 && UNKNOWN == 0\nok\n#endif\n", "ok"},
        {"#if 0\n/* #endif */\n\"#endif\n#endif\nafter\n", "after"},
    };
    for (const auto &c : cases) EXPECT_EQ(text_of(c.source), c.expected) << c.source;
}

TEST_F(Preprocess, LineMarkersKeepSourceLines) {
    put("sub/inc.h", "one\n#define Q 1\nQ __LINE__\n");
    Result r = run("main.vd",
                   "/* a\n   b */ x\n#define L \\\n  __LINE__\nL __FILE__\n"
                   "#include \"sub/inc.h\" rest\nlast\n#line 100 \"other\"\nhundred __LINE__\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out,
              "# 0 \"main.vd\"\n"
              "  x\n\n\n\n4 \"main.vd\"\n"
              "# 0 \"sub/inc.h\"\none\n\n1 2\n"
              "# 5 \"main.vd\"\n rest\nlast\n"
              "# 99 \"other\"\nhundred 99\n");
    EXPECT_EQ(r.status, 0);
}

TEST_F(Preprocess, IncludeSearchOrder) {
    put("d/x.inc", "from-d\n");
    put("i1/x.inc", "from-i1\n");
    put("i1/y.inc", "y-from-i1\n");
    put("i2/y.inc", "y-from-i2\n");
    put("i2/z.inc", "z-from-i2\n");
    put("w.inc", "w-alone\n");
    set_environment("VORDELINC", "i1;i2\\;");
    EXPECT_EQ(text_of("#include \"x.inc\"\n"), "from-i1");  // t.vd is not in d/
    Result r = run("d/m.vd", "#include \"x.inc\"\n#include <x.inc>\n#include \"y.inc\"\n#include <z.inc>\n"
                             "#include \"w.inc\"\n#include \"i1\\y.inc\"\n");
    EXPECT_EQ(r.err, "");
    for (const char *want : {"# 0 \"d/x.inc\"\nfrom-d", "# 0 \"i1/x.inc\"\nfrom-i1", "# 0 \"i1/y.inc\"",
                             "# 0 \"i2/z.inc\"", "# 0 \"w.inc\"\nw-alone",
                             "# 0 \"i1/y.inc\"\ny-from-i1\n# 5 \"d/m.vd\""})
        EXPECT_NE(r.out.find(want), std::string::npos) << want << "\n" << r.out;
}

TEST_F(Preprocess, NineDeepIncludeChain) {
    for (int i = 1; i <= 9; ++i) {
        std::string n = std::to_string(i), next = std::to_string(i + 1);
        put("c" + n + ".inc", "#include \"c" + next + ".inc\"\nc" + n + "\n");
    }
    Result r = run("c0.vd", "#include \"c1.inc\"\n");
    EXPECT_EQ(r.err, "c7.inc 0: #include too nested\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("c7\n# 0 \"c6.inc\""), std::string::npos) << r.out;
}

TEST_F(Preprocess, GroupsMaySpanFiles) {
    put("open.inc", "#if 0\nhidden\n");
    EXPECT_EQ(text_of("#include \"open.inc\"\n#endif\n#define X shown\nX\n"), "shown");
}

TEST_F(Preprocess, ReportsErrors) {
    const struct {
        const char *source, *err;
        int status;
    } cases[] = {
        {"#!/bin/sh\nrest\n", "t.vd 0: undefined stmt: #!\n", 1},
        {"\n#comment line\n", "t.vd 1: undefined stmt: #comment\n", 1},
        {"#define A 1\n#define A 1\n", "", 0},
        {"#define A 1\n#define A 2\n", "t.vd 1: Warning: macro 'A' redefined\n", 2},
        {"#define __TIME__ 1\n", "t.vd 0: Warning: macro '__TIME__' redefined\n", 2},
        {"#define\n", "t.vd 0: #define: missing macro name\n", 1},
        {"#define F(a,1) a\n", "t.vd 0: #define: bad macro parameter\n", 1},
        {"#undef 3\n", "t.vd 0: #undef: missing macro name\n", 1},
        {"#ifdef\n#endif\n", "t.vd 0: #ifdef: missing identifier\n", 1},
        {"#if 1 +\n#endif\n", "t.vd 0: #if/#elif: syntax error near \n", 1},
        {"#if (1 2\nx\n#endif\n", "t.vd 0: #if/#elif: syntax error near 2\n", 1},
        {"#if 0x1G\n#endif\n", "t.vd 0: bad number '0x1G'\n", 1},
        {"#endif\n", "t.vd 0: missing #if\n", 1},
        {"#else\n", "t.vd 0: missing #if\n", 1},
        {"#line x\n", "t.vd 0: #line: missing number\n", 1},
        {"#include\n", "t.vd 0: #include: missing filename\n", 1},
        {"#include \"a\n", "t.vd 0: #include: missing \"\n", 1},
        {"#include <a\n", "t.vd 0: #include: missing >\n", 1},
        {"#include \"none.inc\"\n", "t.vd 0: can't open: none.inc: No such file or directory\n", 1},
        {"#error  stop   here \n", "t.vd 0: #error: stop   here\n", 1},
        {"#define F(a,b) a\nF(1)\n", "t.vd 1: F: conflicting # of parameters\n", 1},
        {"__eval__ 1\n", "t.vd 0: __eval__: missing '('\n", 1},
        {"__eval__(1 2)\n", "t.vd 0: __eval__: missing ')'\n", 1},
        {"__eval__(zz)\n", "t.vd 0: undefined macro: zz\n", 1},
        {"#if 1\n", "t.vd 0: missing #endif\n", 1},
        {"x\n#if 0\n", "t.vd 1: missing #endif\n", 1},
        {"/* open\n\n", "t.vd 0: missing */\n", 1},
        {"#define F(x) x\nF(1,\n", "t.vd 2: F: missing ')'\n", 1},
        {"#define X 1", "t.vd 0: unexpected EOF\n", 1},
        {"s = \"open", "t.vd 0: unexpected EOF\n", 1},
        {"#if 1\n#if 1\n#if 1\n#if 1\n#if 1\n#if 1\n#if 1\n#if 1\n#if 0\n#endif\n#endif\n#endif\n#endif\n#endif\n"
         "#endif\n#endif\n#endif\n#endif\n",
         "t.vd 8: #if/#ifdef too nested\n", 1},
    };
    for (const auto &c : cases) {
        Result r = run("t.vd", c.source);
        EXPECT_EQ(r.err, c.err) << c.source;
        EXPECT_EQ(r.status, c.status) << c.source;
    }
}

TEST_F(Preprocess, StopsOnRunawayInput) {
    std::string chain;
    for (int i = 0; i < 101; ++i) chain += "#define M" + std::to_string(i) + " M" + std::to_string(i + 1) + "\n";
    Result r = run("t.vd", chain + "M0\n");
    EXPECT_EQ(r.err, "t.vd 101: macro too nested\n");
    r = run("t.vd", "#define T(a) a a a a\nT(" + std::string(3000, 'x') + ")\n");
    EXPECT_EQ(r.err, "t.vd 1: too big macro\n");
    r = run("t.vd", "#if " + std::string(100000, '-') + "1\n#endif\n");
    EXPECT_EQ(r.err, "t.vd 0: #if/#elif: syntax error near -\n");
    std::string evals;
    for (int i = 0; i < 300; ++i) evals += "__eval__(";
    r = run("t.vd", "x\n" + evals + "\n");
    EXPECT_EQ(r.err, "t.vd 1: macro too nested\n");
    r = run("t.vd", "#line 99999999999\na\nb\n");
    EXPECT_EQ(r.out, "# 0 \"t.vd\"\n# 999999999 \"t.vd\"\na\nb\n");
    std::string args = "#define F(x) x\nF(";
    for (int i = 0; i < 200; ++i) args += "a,";
    r = run("t.vd", args + "b)\n");
    EXPECT_EQ(r.err, "t.vd 1: F: missing ')'\n");
    EXPECT_EQ(r.status, 1);
}

TEST_F(Preprocess, OddBytesPassThrough) {
    Result r = run("t.vd", "a\0b\x7f"s "c \x83\x5c\n'\x83\x5c'\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "# 0 \"t.vd\"\na\0bc \x83\x5c\n'\x83\x5c'\n"s);
    r = run("t.vd", "no newline at the end");
    EXPECT_EQ(r.out, "# 0 \"t.vd\"\nno newline at the end\n");
}

TEST_F(Preprocess, DateAndTimeFormats) {
    std::string t = text_of("__DATE__ __TIME__\n");
    EXPECT_TRUE(std::regex_match(t, std::regex(R"("[A-Z][a-z][a-z] \d\d \d{4}" "\d\d:\d\d:\d\d")"))) << t;
}

TEST_F(Preprocess, EachRunStartsAfresh) {
    EXPECT_EQ(text_of("#define K 1\n#undef __FILE__\nK __FILE__\n"), "1 __FILE__");
    EXPECT_EQ(text_of("K __FILE__\n"), "K \"t.vd\"");
}

TEST_F(Preprocess, UnwritableOutput) {
    put("s.vd", "x\n");
    testing::internal::CaptureStderr();
    int status = preprocess(path("s.vd").c_str(), path("no/such/dir/out").c_str());
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "can't open: " + path("no/such/dir/out") + ": No such file or directory\n");
    EXPECT_EQ(status, 1);
    testing::internal::CaptureStderr();
    status = preprocess(path("s.vd").c_str(), "/dev/full");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), path("s.vd") + " 1: can't write\n");
    EXPECT_EQ(status, 1);
    testing::internal::CaptureStderr();
    status = preprocess(path("missing.vd").c_str(), path("out").c_str());
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "can't open: " + path("missing.vd") + ": No such file or directory\n");
    EXPECT_EQ(status, 1);
}

}  // namespace
