// Differential test: the system's C preprocessor (`cpp`) and ours must give
// the same tokens for macro and #if cases both dialects treat alike. Line
// markers and blank lines are dropped and blanks between tokens ignored.
//
// Left out on purpose, because the two dialects differ there:
//  - __LINE__ (ours counts the newlines before the line: one less), __DATE__
//    (ours pads the day with 0), __TIME__ (the moment), __eval__ (ours only);
//    before substitution here, so the inner call stays;
//  - chained ?: without parentheses (left to right here);
//  - guarded division by zero: both arms of ?:, && and || are evaluated here
//    (division by zero gives 0), the other tool reports an error;
//  - shift counts outside 0..31, overflow, 'u' suffixes on negative values
//    (32-bit signed here, the widest integers there); character constants
//    with bytes above 0x7F or more than four characters;
//  - stringizing arguments with quotes, backslashes or runs of blanks, and '#'
//    in object-like macros (quoted here);
//  - #line, #pragma, #error, erroneous directives, F() argument counts.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "frontend/preprocessor.h"

namespace fs = std::filesystem;

namespace {

// Tokens joined by single blanks: identifiers and numbers as runs, literals
// whole, every other byte by itself; lines starting with '#' are markers.
std::string tokens_of(const std::string &text) {
    std::string joined, line;
    std::istringstream in(text);
    auto word = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
    while (std::getline(in, line)) {
        size_t first = line.find_first_not_of(" \t");
        if (first != std::string::npos && line[first] == '#') continue;
        for (size_t i = 0; i < line.size();) {
            size_t j = i + 1;
            char c = line[i];
            if (c == ' ' || c == '\t') {
                ++i;
                continue;
            }
            if (word(c)) {
                while (j < line.size() && word(line[j])) ++j;
            } else if (c == '"' || c == '\'') {
                while (j < line.size() && line[j] != c) j += line[j] == '\\' ? 2 : 1;
                j = std::min(j + 1, line.size());
            }
            if (!joined.empty()) joined += ' ';
            joined.append(line, i, j - i);
            i = j;
        }
    }
    return joined;
}

std::string capture(const std::string &command) {
    std::string out;
    if (std::FILE *p = popen(command.c_str(), "r")) {
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
        pclose(p);
    }
    return out;
}

const char *const kCorpus[] = {
    "#define A B\n#define B 42\nA B\n",
    "#define SQ(x) ((x)*(x))\nSQ(a+1) SQ((1,2)) SQ; SQ + 1\n",
    "#define MAX(a, b) ((a) > (b) ? (a) : (b))\nMAX(f(1, 2), \"x,y\") MAX( p , q )\n",
    "#define STR(x) #x\n#define XSTR(x) STR(x)\nSTR(abc) STR(a + b) STR(12)\n",
    "#define CAT(a, b) a ## b\nCAT(x, 1) CAT(foo,bar) CAT(1, 2)\n",
    "#define X X + 1\n#define P Q\n#define Q P\nX P Q\n",
    "#define F(x) {x}\n#define G F\nG(7) G (8) G\n",
    "#define E\n#define Z() zero\n[E] Z() E E\n",
    "#define F(a,b,c) a-b-c\nF(1,\n  2,\n  3) after\n",
    "#define M 1 /* comment */ + 2 // tail\nM /* a\n multi-line comment */ M\n",
    "#define N 3\n#undef N\nN\n#define N 4\nN\n",
    "#define NEG -1\n-NEG - NEG\n",
    "#define LIST(f) f(1) f(2)\n#define SHOW(n) <n>\nLIST(SHOW)\n",
    "#if 010 == 8 && 0x1F == 31 && 0XaB == 171\nyes\n#else\nno\n#endif\n",
    "#if 'A' == 65 && '\\n' == 10 && '\\x41' == 65 && '\\101' == 65 && 'AB' == 16706\nyes\n#endif\n",
    "#if (1 ? 2 : 3) == 2 && (0 ? 2 : 3) == 3 && 2 + 3 * 4 == 14 && (2 + 3) * 4 == 20\nyes\n#endif\n",
    "#if 1 << 4 == 16 && -16 >> 2 == -4 && (3 & 5 | 8 ^ 1) == 9 && ~0 == -1 && !0\nyes\n#endif\n",
    "#if 1 || 0 && 0\na\n#endif\n#if (1 || 0) && 0\nb\n#endif\n#if 1 < 2 == 1 && -3 < 2\nc\n#endif\n",
    "#if 17 % 5 == 2 && -17 / 5 == -3 && 10L == 10 && 7u == 7\nyes\n#endif\n",
    "#define V 3\n#if V * 2 == 6 && UNDEF == 0 && defined V && defined(V) && !defined W\nyes\n#endif\n",
    "#define F(x) (x + 1)\n#if F(2) == 3\nyes\n#endif\n",
    "#if 0\na\n#elif 0\nb\n#elif 2\nc\n#else\nd\n#endif\n",
    "#if 0\n#if 1\nx\n#else\ny\n#endif\n#elif 1\n#ifdef Q\nq\n#else\nnq\n#endif\n#endif\n",
    "#define D\n#ifdef D\n#ifndef D\nno\n#else\nyes\n#endif\n#endif\n#ifndef D2\nyes2\n#endif\n",
    "#if 0\n/* #endif */\n#else\nelse-part\n#endif\n",
    "#include \"a.inc\"\n#include <b.inc>\nafter A_VALUE B_VALUE\n",
    "s = \"ESC /* not a comment */\" 'x' ESC\n#define ESC 27\nESC\n",
    "x = __FILE__;\n",
};

TEST(PreprocessDiff, AgreesWithSystemCpp) {
    if (capture("command -v cpp").empty()) GTEST_SKIP() << "no cpp on this machine";
    std::string templ = (fs::temp_directory_path() / "vordel-ppdiff-XXXXXX").string();
    ASSERT_NE(mkdtemp(templ.data()), nullptr);
    fs::path dir = templ;
    fs::create_directories(dir / "inc");
    std::ofstream(dir / "a.inc") << "#define A_VALUE 11\na-text\n";
    std::ofstream(dir / "inc" / "b.inc") << "#define B_VALUE 22\nb-text\n";
    fs::path old = fs::current_path();
    fs::current_path(dir);
    setenv("VORDELINC", "inc", 1);
    int n = 0;
    for (const char *source : kCorpus) {
        std::ofstream("t.c") << source;
        testing::internal::CaptureStderr();
        int status = preprocess("t.c", "ours.out");
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(status, 0) << source << err;
        std::ifstream in("ours.out");
        std::stringstream ours;
        ours << in.rdbuf();
        std::string theirs = capture("cpp -P -w -undef -nostdinc -Iinc t.c 2>&1");
        EXPECT_EQ(tokens_of(ours.str()), tokens_of(theirs)) << source;
        ++n;
    }
    unsetenv("VORDELINC");
    fs::current_path(old);
    fs::remove_all(dir);
    EXPECT_EQ(n, static_cast<int>(std::size(kCorpus)));
}

// Random #if expressions: small operands so that no intermediate value leaves
// 32 bits, divisors that are never zero, no chained ?: (see the list above).
// Our __eval__ gives each value; the other tool must agree with all of them.
class ExprMaker {
public:
    std::string make(int depth) {
        if (depth == 0 || next(4) == 0) return leaf();
        switch (next(5)) {
        case 0: return std::string(1, "-~!+"[next(4)]) + "(" + make(depth - 1) + ")";
        case 1: {
            std::string c = make(depth - 1), t = make(depth - 1), f = make(depth - 1);
            return "(" + c + " ? " + t + " : " + f + ")";
        }
        case 2: {
            std::string l = make(depth - 1);
            const char *op = next(2) ? " / " : " % ";
            return "(" + l + op + std::to_string(1 + next(9)) + ")";
        }
        default: {
            // A flat chain checks precedence. Products and shifts take small
            // literal right operands so that nothing overflows 32 bits.
            static const char *const ops[] = {"+", "-", "&", "|", "^", "==", "!=", "<", ">",
                                              "<=", ">=", "&&", "||", "*", "<<", ">>"};
            std::string e = make(depth - 1);
            for (unsigned i = 0, n = 1 + next(2); i < n; ++i) {
                unsigned k = next(std::size(ops));
                if (k < 13)
                    e += std::string(" ") + ops[k] + " " + make(depth - 1);
                else if (k == 13)
                    e += " * " + std::to_string(next(4));
                else  // a shift count must not take in what follows
                    e = "(" + e + " " + ops[k] + " " + std::to_string(next(4)) + ")";
            }
            return "(" + e + ")";
        }
        }
    }

private:
    unsigned next(unsigned n) { return (seed_ = seed_ * 1103515245 + 12345) / 65536 % n; }
    std::string leaf() {
        switch (next(4)) {
        case 0: return std::string("0") + static_cast<char>('0' + (next(64) & 7));  // octal
        case 1: return std::string("0x") + "0123456789abcdef"[next(16)];
        default: return std::to_string(next(10));
        }
    }
    unsigned seed_ = 2024;
};

TEST(PreprocessDiff, RandomExpressionsAgree) {
    if (capture("command -v cpp").empty()) GTEST_SKIP() << "no cpp on this machine";
    std::string templ = (fs::temp_directory_path() / "vordel-ppexpr-XXXXXX").string();
    ASSERT_NE(mkdtemp(templ.data()), nullptr);
    fs::path dir = templ;
    ExprMaker maker;
    std::vector<std::string> exprs;
    std::string evals;
    for (int i = 0; i < 400; ++i) {
        exprs.push_back(maker.make(3));
        evals += "__eval__(" + exprs.back() + ")\n";
    }
    std::ofstream(dir / "e.vd") << evals;
    testing::internal::CaptureStderr();
    int status = preprocess((dir / "e.vd").c_str(), (dir / "e.out").c_str());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    ASSERT_EQ(status, 0);
    std::ifstream in(dir / "e.out");
    std::string line, checks;
    size_t i = 0;
    while (std::getline(in, line) && i < exprs.size()) {
        if (line.empty() || line[0] == '#') continue;
        checks += "#if (" + exprs[i] + ") == (" + line + ")\nok\n#else\nmismatch " + std::to_string(i) + "\n#endif\n";
        ++i;
    }
    ASSERT_EQ(i, exprs.size());
    std::ofstream(dir / "c.c") << checks;
    std::string theirs = capture("cpp -P -w -undef -nostdinc " + (dir / "c.c").string() + " 2>&1");
    fs::remove_all(dir);
    size_t bad = theirs.find("mismatch ");
    if (bad != std::string::npos) ADD_FAILURE() << exprs[std::stoul(theirs.substr(bad + 9, 4))];
    std::string all_ok;
    for (size_t k = 0; k < exprs.size(); ++k) all_ok += k ? " ok" : "ok";
    EXPECT_EQ(tokens_of(theirs), all_ok);
}

}  // namespace
