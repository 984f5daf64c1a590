#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>

#include "printer/status_texts.h"

namespace {

using Texts = std::array<std::string, 3>;
using Snapshot = std::array<std::array<Texts, 32>, 3>;
BitNameTable *const tables[3] = {&asb_bit_names, &ink_bit_names, &ext_bit_names};

Snapshot texts_now() {
    Snapshot s;
    for (int t = 0; t < 3; ++t)
        for (int i = 0; i < 32; ++i) s[t][i] = {(*tables[t])[i].label, (*tables[t])[i].text0, (*tables[t])[i].text1};
    return s;
}

// Every test starts from the built-in texts.
class Customisation : public ::testing::Test {
protected:
    void SetUp() override {
        for (int t = 0; t < 3; ++t) saved_[t] = *tables[t];
        before_ = texts_now();
    }
    void TearDown() override {
        for (int t = 0; t < 3; ++t) *tables[t] = saved_[t];
    }
    // The tables now, compared with the start plus one changed entry.
    void expect_only_change(int table, int index, const Texts &texts, const std::string &why) {
        Snapshot want = before_;
        if (table >= 0) want[table][index] = texts;
        EXPECT_EQ(texts_now(), want) << why;
    }
    BitNameTable saved_[3];
    Snapshot before_;
};

struct LineCase {
    std::string line;
    int result;
    int table;  // -1: nothing changes
    int index;
    Texts texts;
};

const std::string long_label = "ASB-1-0:" + std::string(100, 'L');
const std::string long_text(70, 'z');

const LineCase line_cases[] = {
    {"# ASB-1-0,a,b", 0, -1, 0, {}},
    {"", 0, -1, 0, {}},
    {"\n", 1, -1, 0, {}},
    {",\t,,\n", 1, -1, 0, {}},
    {"\r\n", 1, -1, 0, {}},
    {"ASB-1", 4, -1, 0, {}},
    {"XSB-1-0,a,b", 4, -1, 0, {}},
    {"ASB-5-0,a,b", 4, -1, 0, {}},
    {"ASB-1-8,a,b", 4, -1, 0, {}},
    {"ASB-0-0,a,b", 4, -1, 0, {}},
    {"ink-4-7,0:no,1:yes", 0, 1, 31, {"ink-4-7", "0:no", "1:yes"}},
    {"EXT-2-1:Scanner, 0:On, 1:Off", 0, 2, 9, {"EXT-2-1:Scanner", " 0:On", " 1:Off"}},
    {"\t,Axxx1x2,,\t,p\tq,ignored\n", 0, 0, 2, {"Axxx1x2", "p", "q"}},
    {"ASB-2-3:Cutter jam,0:OK,1:JAM\n", 0, 0, 11, {"ASB-2-3:Cutter jam", "0:OK", "1:JAM"}},
    {"a...1.2 only a label\n", 0, 0, 2, {"a...1.2 only a label", "0:LOW", "1:HIGH"}},
    {"e-x-4-7:two,0:zero\r\n", 0, 2, 31, {"e-x-4-7:two", "0:zero", "1:*******"}},
    {"I\rxx2\r0:cr,0:a\rb,1:x\r", 0, 1, 8, {"I\rxx2\r0:cr", "0:a\rb", "1:x"}},
    {long_label + "," + long_text + "," + long_text, 0, 0, 0,
     {long_label.substr(0, 63), long_text.substr(0, 63), long_text.substr(0, 63)}},
};

TEST_F(Customisation, OneLine) {
    for (const LineCase &c : line_cases) {
        SetUp();
        EXPECT_EQ(apply_custom_line(c.line), c.result) << c.line;
        expect_only_change(c.table, c.index, c.texts, c.line);
        TearDown();
    }
}

TEST_F(Customisation, LaterLineWinsAndLayoutsFollow) {
    EXPECT_EQ(apply_custom_line("ASB-2-3:first,0:a,1:b"), 0);
    EXPECT_EQ(apply_custom_line("ASB-2-3:Cutter jam,0:OK,1:JAM"), 0);
    const BitName &shown = asb_layout[1].bits[3];
    EXPECT_STREQ(shown.label, "ASB-2-3:Cutter jam");
    EXPECT_STREQ(shown.text0, "0:OK");
    EXPECT_STREQ(shown.text1, "1:JAM");
}

// CR LF line ends, a blank line, and a line longer than one 1023-byte read:
// its second piece is applied as a line of its own.
TEST_F(Customisation, FileWithWindowsLineEndsAndLongLine) {
    std::string path = ::testing::TempDir() + "custom_crlf.txt";
    std::FILE *f = std::fopen(path.c_str(), "wb");
    ASSERT_TRUE(f);
    std::string first_piece = "EXT-1-0:" + std::string(1015, 'x');
    std::fputs("# comment\r\n\r\nASB-2-3:Cutter jam,0:OK,1:JAM\r\nink-4-7,0:no,1:yes\r\n", f);
    std::fputs((first_piece + "EXT-1-1:second,0:a,1:b\r\n").c_str(), f);
    std::fclose(f);

    EXPECT_EQ(load_custom_file(path.c_str()), 0);
    Snapshot want = before_;
    want[0][11] = {"ASB-2-3:Cutter jam", "0:OK", "1:JAM"};
    want[1][31] = {"ink-4-7", "0:no", "1:yes"};
    want[2][0][0] = first_piece.substr(0, 63);
    want[2][1] = {"EXT-1-1:second", "0:a", "1:b"};
    EXPECT_EQ(texts_now(), want);
    std::remove(path.c_str());

    EXPECT_EQ(load_custom_file((path + ".missing").c_str()), -1);
    EXPECT_EQ(texts_now(), want);
}

}  // namespace
