// Differential test: our engine against the C library's POSIX extended regular
// expressions on generated patterns and texts of the dialect both share.
//
// Compared: whether a text matches, and where the first match starts. Both
// engines report the leftmost starting point at which any match exists.
// Left out, and why:
//  - match and group lengths: we take the first match found by backtracking,
//    POSIX the leftmost-longest one;
//  - backslash sequences and back-references: not part of the extended syntax;
//  - newlines in texts: POSIX `.` matches them, ours does not;
//  - bytes 0x80 and above: POSIX reads them by locale, ours as double-byte text;
//  - empty alternatives, empty groups, repetition runs (`a**`) and repetitions
//    with nothing before them: undefined in POSIX;
//  - `^` and `$` away from the ends of the pattern.
#include <regex.h>

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "core/regex.h"

namespace {

class PatternMaker {
public:
    explicit PatternMaker(uint32_t seed) : rng_(seed) {}

    std::string pattern(bool fold) {
        fold_ = fold;
        std::string p = pick(4) == 0 ? "^" : "";
        p += alternation(0);
        if (pick(4) == 0) p += "$";
        return p;
    }

    std::string text(bool fold) {
        std::string t;
        for (int n = pick(13); n > 0; n--) t += letter(fold);
        return t;
    }

private:
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
    char letter(bool upper_too) {
        char c = static_cast<char>('a' + pick(4));
        return upper_too && pick(2) ? static_cast<char>(c - 'a' + 'A') : c;
    }

    std::string alternation(int depth) {
        std::string s = branch(depth);
        for (int n = pick(3) == 0 ? 1 + pick(2) : 0; n > 0; n--) s.append("|").append(branch(depth));
        return s;
    }
    std::string branch(int depth) {
        std::string s;
        for (int n = 1 + pick(3); n > 0; n--) {
            s += atom(depth);
            if (pick(3) == 0) s += "*+?"[pick(3)];
        }
        return s;
    }
    std::string atom(int depth) {
        switch (pick(depth < 2 ? 6 : 5)) {
        case 0: return ".";
        case 1: return bracket();
        case 5: return std::string("(").append(alternation(depth + 1)).append(")");
        default: return std::string(1, letter(fold_));
        }
    }
    std::string bracket() {
        std::string s = pick(3) == 0 ? "[^" : "[";
        for (int n = 1 + pick(3); n > 0; n--) {
            if (pick(3) == 0) {
                char lo = letter(false), hi = static_cast<char>(lo + pick(3));
                s += std::string{lo, '-', hi};
            } else {
                s += letter(false);
            }
        }
        return s + "]";
    }

    std::mt19937 rng_;
    bool fold_ = false;
};

// First match start by the C library, or -1.
int posix_start(const regex_t &re, const std::string &text) {
    regmatch_t m[1];
    return regexec(&re, text.c_str(), 1, m, 0) == 0 ? static_cast<int>(m[0].rm_so) : -1;
}

TEST(RegexPosix, FirstMatchStartAgreesWithTheCLibrary) {
    PatternMaker maker(20261206);
    int compared = 0;
    for (int i = 0; i < 2500; i++) {
        bool fold = i % 4 == 3;
        std::string pattern = maker.pattern(fold);
        regex_t posix;
        ASSERT_EQ(regcomp(&posix, pattern.c_str(), REG_EXTENDED | (fold ? REG_ICASE : 0)), 0) << pattern;
        pattern_buffer ours{};
        ours.translate = fold ? re_casefold_table : nullptr;
        ASSERT_EQ(re_compile_pattern(pattern.data(), static_cast<int32_t>(pattern.size()), &ours), nullptr)
            << pattern;
        for (int t = 0; t < 10; t++) {
            std::string text = maker.text(fold);
            auto len = static_cast<int32_t>(text.size());
            ASSERT_EQ(re_search(&ours, text.data(), len, 0, len, nullptr), posix_start(posix, text))
                << "pattern " << pattern << " text " << text << (fold ? " folded" : "");
            compared++;
        }
        re_free_pattern(&ours);
        regfree(&posix);
    }
    EXPECT_EQ(compared, 25000);
}

}  // namespace
