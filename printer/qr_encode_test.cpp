#include "printer/qr_encode.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

using qr::Symbol;

std::vector<uint8_t> sent;
int32_t collect(int32_t b) {
    sent.push_back(static_cast<uint8_t>(b));
    return 1;
}

TEST(QrVersion, ShortTextsFollowTheFixedTableLongerOnesTheStandardCapacities) {
    const struct { size_t length; int version; } cases[] = {
        {0, 1},    {13, 1},   {14, 2},    {152, 9},   {179, 9},   {180, 10},
        {213, 10}, {214, 11}, {1059, 26}, {1060, 27}, {2331, 40}, {2332, 0},
    };
    for (auto c : cases) EXPECT_EQ(qr::choose_version(c.length), c.version) << c.length;
}

TEST(QrParameters, EachCheckHasItsCodeInOrder) {
    const struct { int version, mode, level, mask, module_size, result; } cases[] = {
        {1, 2, 1, -1, 1, 0}, {40, 2, 3, 7, 1, 0}, {0, 9, 9, 9, 0, 1}, {41, 2, 1, -1, 1, 1},
        {1, 4, 9, 9, 0, 2},  {1, -1, 1, 0, 1, 2}, {1, 2, 4, 9, 0, 3}, {1, 2, -1, 0, 1, 3},
        {1, 2, 1, 8, 0, 4},  {1, 2, 1, 0, 0, 5},  {1, 0, 1, 0, 1, 1}, {1, 3, 1, 0, 1, 1},
    };
    for (auto c : cases)
        EXPECT_EQ(qr::check_parameters(c.version, c.mode, c.level, c.mask, c.module_size), c.result)
            << c.version << " " << c.mode << " " << c.level << " " << c.mask << " " << c.module_size;
    // A text too long for its version, or a bad module size, sends nothing.
    sent.clear();
    std::vector<uint8_t> text(15, 'a');
    EXPECT_EQ(qr::encode(text, 1, qr::kByte, qr::kLevelM, -1, 6, collect), 1);
    EXPECT_EQ(qr::encode({}, 1, qr::kByte, qr::kLevelM, -1, 0, collect), 5);
    EXPECT_TRUE(sent.empty());
}

Symbol blank(int size) {
    Symbol s;
    s.size = size;
    return s;
}

void set_row(Symbol &s, int row, const char *pattern) {
    for (int c = 0; pattern[c]; ++c)
        if (pattern[c] == '1') s.at(row, c) = qr::kDark;
}

TEST(QrPenalty, RulesAddUpOnSmallMatrices) {
    // All light 21 x 21: runs 19 per line, 400 squares, 0 % dark.
    EXPECT_EQ(qr::penalty(blank(21)), 42 * 19 + 400 * 3 + 100);

    Symbol checker = blank(21);
    for (int i = 0; i < 21; ++i)
        for (int j = 0; j < 21; ++j)
            if ((i + j) % 2 == 0) checker.at(i, j) = qr::kDark;
    EXPECT_EQ(qr::penalty(checker), 0);

    // 9 x 9, light but for row 4. The finder-like run scores 40 when the
    // modules on both sides are light or outside the symbol, not when one is
    // dark. Then: 8 light rows (7 each), light columns (7 each), uniform
    // squares (3 each), and 6 % dark (80).
    const struct { const char *row; int score; } cases[] = {
        {"010111010", 40 + 56 + 4 * 7 + 48 * 3 + 80},
        {"101110100", 40 + 56 + 4 * 7 + 50 * 3 + 80},
        {"101110110", 0 + 56 + 3 * 7 + 48 * 3 + 80},
    };
    for (auto c : cases) {
        Symbol s = blank(9);
        set_row(s, 4, c.row);
        EXPECT_EQ(qr::penalty(s), c.score) << c.row;
    }
}

// The finished symbol as it was scored: format, version and dark module light.
Symbol as_scored(Symbol s) {
    const int n = s.size;
    auto clear = [&s](int r, int c) { s.at(r, c) &= static_cast<uint8_t>(~qr::kDark); };
    for (int i = 0; i <= 8; ++i) {
        if (i == 6) continue;
        clear(8, i);
        clear(i, 8);
    }
    for (int i = 0; i < 8; ++i) {
        clear(8, n - 1 - i);
        clear(n - 1 - i, 8);
    }
    if (s.version >= 7)
        for (int i = 0; i < 18; ++i) {
            clear(i / 3, n - 11 + i % 3);
            clear(n - 11 + i % 3, i / 3);
        }
    return s;
}

TEST(QrMask, TheLowestScoreBeforeFormatInformationWinsTheLowerMaskOnTies) {
    std::mt19937 rng(7);
    for (int version : {1, 2, 7, 9, 12}) {
        for (int trial = 0; trial < 3; ++trial) {
            std::vector<uint8_t> text(static_cast<size_t>(rng() % 12));
            for (uint8_t &b : text) b = static_cast<uint8_t>(rng() % 3);  // repetitive data makes ties likely
            static Symbol chosen, fixed;
            ASSERT_EQ(qr::make_symbol(chosen, text, version, qr::kByte, qr::kLevelM, -1), 0);
            int best = -1, best_score = 0;
            for (int m = 0; m < 8; ++m) {
                ASSERT_EQ(qr::make_symbol(fixed, text, version, qr::kByte, qr::kLevelM, m), 0);
                int score = qr::penalty(as_scored(fixed));
                if (best < 0 || score < best_score) {
                    best = m;
                    best_score = score;
                }
                if (m == chosen.mask) {
                    EXPECT_EQ(fixed.modules, chosen.modules);
                }
            }
            EXPECT_EQ(chosen.mask, best) << "version " << version;
        }
    }
}

// Every version at levels L, Q and H, decoded by zbarimg (level M is
// covered through QR_v0 by tests/printer/qr_zbar_test.py).
TEST(QrZbar, EveryVersionAtTheOtherLevelsDecodes) {
    if (std::system("command -v zbarimg >/dev/null 2>&1") != 0) GTEST_SKIP() << "zbarimg not installed";
    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() / ("qr_levels_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::mt19937 rng(3);
    std::string command = "zbarimg --nodbus -q --raw -Sbinary", expected;
    int k = 0;
    for (int level : {qr::kLevelL, qr::kLevelQ, qr::kLevelH}) {
        for (int version = 1; version <= 40; ++version) {
            const qr::EcBlocks &e = qr::kEcBlocks[version - 1][level];
            int capacity = (e.data_codewords * 8 - 4 - qr::byte_count_bits(version)) / 8;
            std::vector<uint8_t> text(static_cast<size_t>(version % 2 ? capacity : rng() % capacity + 1));
            for (uint8_t &b : text) b = static_cast<uint8_t>(rng());
            sent.clear();
            ASSERT_EQ(qr::encode(text, version, qr::kByte, level, -1, 3, collect), 0);
            int width = sent[4] | sent[5] << 8, rows = sent[6] | sent[7] << 8;
            std::string index = std::to_string(k++);
            fs::path image = dir / ("s" + index + ".pbm");
            std::FILE *f = std::fopen(image.c_str(), "wb");
            ASSERT_NE(f, nullptr);
            std::fprintf(f, "P4\n%d %d\n", width * 8, rows);
            std::fwrite(sent.data() + 8, 1, sent.size() - 8, f);
            std::fclose(f);
            command += " " + image.string();
            expected.append(text.begin(), text.end());
        }
    }
    std::string decoded;
    if (std::FILE *p = popen(command.c_str(), "r")) {
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) decoded.append(buffer, n);
        pclose(p);
    }
    fs::remove_all(dir);
    EXPECT_TRUE(decoded == expected) << "decoded " << decoded.size() << " bytes of " << expected.size();
}

}  // namespace
