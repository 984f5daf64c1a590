#include "sim/render.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
constexpr uint8_t ESC = 0x1B, FS = 0x1C, GS = 0x1D;

Bytes operator+(Bytes a, const Bytes &b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
Bytes text(const std::string &s) { return Bytes(s.begin(), s.end()); }

// The paper as rows of dots, with the row numbers of the cuts.
struct MemoryPaper : Paper {
    std::vector<std::vector<bool>> dots;
    std::vector<size_t> cuts;
    void rows(std::span<const uint8_t> row, uint32_t count) override {
        std::vector<bool> line(row.size() * 8);
        for (size_t x = 0; x < line.size(); ++x) line[x] = row[x / 8] & (0x80 >> (x % 8));
        dots.insert(dots.end(), count, line);
    }
    void cut() override { cuts.push_back(dots.size()); }
    // The leftmost and rightmost dot of a row, -1 when blank.
    std::pair<int, int> span(size_t y) const {
        int first = -1, last = -1;
        for (size_t x = 0; x < dots[y].size(); ++x)
            if (dots[y][x]) (first < 0 ? first : last) = static_cast<int>(x), last = static_cast<int>(x);
        return {first, last};
    }
    std::string picture(size_t top, size_t height, size_t left, size_t width) const {
        std::string s;
        for (size_t y = top; y < top + height; ++y) {
            for (size_t x = left; x < left + width; ++x) s += y < dots.size() && dots[y][x] ? '#' : '.';
            s += '\n';
        }
        return s;
    }
};

// Filled cells, and a note of every character asked for.
struct RecordingGlyphs : Glyphs {
    std::vector<char32_t> codes;
    std::unique_ptr<Glyphs> cells = cell_glyphs();
    const uint8_t *glyph(CellSet set, char32_t code) override {
        codes.push_back(code);
        return cells->glyph(set, code);
    }
};

struct Render {
    MemoryPaper paper;
    RecordingGlyphs glyphs;
    std::FILE *err = std::tmpfile();
    Renderer renderer{paper, glyphs, 576, err};
    explicit Render(const Bytes &stream, size_t piece = 0) {
        if (piece == 0) piece = stream.size() + 1;
        for (size_t i = 0; i < stream.size(); i += piece)
            renderer.feed(std::span(stream).subspan(i, std::min(piece, stream.size() - i)));
    }
    ~Render() { std::fclose(err); }
    std::string errors() {
        std::string s(4096, '\0');
        std::rewind(err);
        s.resize(std::fread(s.data(), 1, s.size(), err));
        return s;
    }
};

TEST(Render, LineHeightIsTheTallerOfSpacingAndContent) {
    const Bytes sjis_day = {0x93, 0xFA};
    struct Case {
        const char *what;
        Bytes stream;
        size_t rows;
    } cases[] = {
        {"default spacing", text("A\n"), 30},
        {"empty line", text("\n"), 30},
        {"spacing below the cell", Bytes{ESC, '3', 10} + text("A\n"), 24},
        {"font B", Bytes{ESC, '3', 0, ESC, 'M', 1} + text("A\n"), 17},
        {"double height", Bytes{ESC, '!', 0x10} + text("A\n"), 48},
        {"eight times high", Bytes{GS, '!', 0x07} + text("A\n"), 192},
        {"feed by dots", text("A") + Bytes{ESC, 'J', 100}, 100},
        {"feed by lines", text("A") + Bytes{ESC, 'd', 3}, 90},
        {"Kanji cell", Bytes{ESC, '3', 0, FS, '&'} + sjis_day + text("\n"), 24},
        {"wrapped line", Bytes(49, 'A') + text("\n"), 60},
        {"8-dot image", Bytes{ESC, '3', 0, ESC, '*', 0, 1, 0, 0xFF, '\n'}, 24},
    };
    for (const Case &c : cases) {
        Render r(c.stream);
        EXPECT_EQ(r.paper.dots.size(), c.rows) << c.what;
    }
}

TEST(Render, HorizontalPlacement) {
    // A filled cell of font A covers columns 1..10 of its 12 and rows 4..19
    // of its 24.
    struct Case {
        const char *what;
        Bytes stream;
        int first, last;
        size_t row = 12;
    } cases[] = {
        {"left", text("AB\n"), 1, 22},
        {"centred", Bytes{ESC, 'a', 1} + text("AB\n"), 277, 298},
        {"right", Bytes{ESC, 'a', '2'} + text("AB\n"), 553, 574},
        {"left margin", Bytes{GS, 'L', 64, 0} + text("A\n"), 65, 74},
        {"print area and right", Bytes{GS, 'W', 100, 0, ESC, 'a', 2} + text("A\n"), 89, 98},
        {"absolute position", Bytes{ESC, '$', 100, 0} + text("A\n"), 101, 110},
        {"relative position", text("A") + Bytes{ESC, '\\', 0xFE, 0xFF} + text("B\n"), 1, 20},
        {"default tab", text("\tA\n"), 97, 106},
        {"set tabs", Bytes{ESC, 'D', 2, 5, 0} + text("\t\tA\n"), 61, 70},
        {"right spacing", Bytes{ESC, ' ', 4} + text("AB\n"), 1, 26},
        {"double width", Bytes{ESC, '!', 0x20} + text("A\n"), 2, 21},
        {"two-dot underline", Bytes{ESC, '-', 2, ESC, '$', 12, 0} + text("A\n"), 12, 23, 22},
        {"emphasis widens", Bytes{ESC, 'E', 1} + text("A\n"), 1, 11},
        {"reverse fills the cell", Bytes{GS, 'B', 1} + text("A\n"), 0, 11},
        {"upside down", Bytes{ESC, '{', 1} + text("A\n"), 565, 574},
        {"initialise forgets modes", Bytes{ESC, 'a', 1, ESC, '@'} + text("A\n"), 1, 10},
    };
    for (const Case &c : cases) {
        Render r(c.stream);
        ASSERT_GT(r.paper.dots.size(), c.row) << c.what;
        EXPECT_EQ(r.paper.span(c.row), std::make_pair(c.first, c.last)) << c.what;
    }
}

TEST(Render, CharactersDecodeByCodePageAndKanjiSystem) {
    struct Case {
        const char *what;
        Bytes stream;
        char32_t code;
    } cases[] = {
        {"PC437 pound", {0x9C}, U'\u00A3'},
        {"katakana page", {ESC, 't', 1, 0xB1}, U'\uFF71'},
        {"WPC1252 euro", {ESC, 't', 16, 0x80}, U'\u20AC'},
        {"Shift-JIS Kanji", {FS, '&', 0x93, 0xFA}, U'\u65E5'},
        {"JIS Kanji", {FS, '&', FS, 'C', 0, 0x46, 0x7C}, U'\u65E5'},
        {"no Kanji mode", {FS, '&', FS, '.', 0x41}, U'A'},
    };
    for (const Case &c : cases) {
        for (size_t piece : {size_t{0}, size_t{1}}) {
            Render r(c.stream + text("\n"), piece);
            ASSERT_EQ(r.glyphs.codes.size(), 1u) << c.what;
            EXPECT_EQ(r.glyphs.codes[0], c.code) << c.what;
        }
    }
}

// A 10 x 3 picture: a frame with a dot in its middle.
const char *const reference =
    "##########\n"
    "#...#....#\n"
    "##########\n";

Bytes raster_rows() { return {0xFF, 0xC0, 0x88, 0x40, 0xFF, 0xC0}; }
// Columns of one byte, top dot in the high bit (3 rows used).
Bytes columns(int pad_to) {
    Bytes c;
    for (int x = 0; x < pad_to; ++x) c.push_back(x >= 10 ? 0 : (x == 0 || x == 9) ? 0xE0 : x == 4 ? 0xE0 : 0xA0);
    return c;
}

TEST(Render, EveryImageFormDrawsThePicture) {
    const Bytes r = raster_rows();
    struct Case {
        const char *what;
        Bytes stream;
    } cases[] = {
        {"raster", Bytes{GS, 'v', '0', 0, 2, 0, 3, 0} + r},
        {"column image in the line", Bytes{ESC, '3', 0, ESC, '*', 33, 10, 0} + [] {
             Bytes b;
             for (uint8_t c : columns(10)) b.insert(b.end(), {c, 0, 0});
             return b;
         }() + Bytes{'\n'}},
        {"variable size columns", Bytes{GS, 'Q', '0', 0, 10, 0, 1, 0} + columns(10)},
        {"downloaded", Bytes{GS, '*', 2, 1} + columns(16) + Bytes{GS, '/', 0}},
        {"stored bit images", Bytes{FS, 'q', 2, 1, 0, 1, 0} + Bytes(8, 0) + Bytes{2, 0, 1, 0} + columns(16) +
                                  Bytes{FS, 'p', 2, '0'}},
        {"graphics buffer", Bytes{GS, '(', 'L', 16, 0, '0', 112, '0', 1, 1, '1', 10, 0, 3, 0} + r +
                                Bytes{GS, '(', 'L', 2, 0, '0', 50}},
        {"graphics buffer, long form", Bytes{GS, '8', 'L', 16, 0, 0, 0, '0', 112, '0', 1, 1, '1', 10, 0, 3, 0} + r +
                                           Bytes{GS, '(', 'L', 2, 0, '0', 2}},
        {"stored graphics by key", Bytes{GS, '(', 'L', 17, 0, '0', 67, '0', 'K', '1', 1, '1', 10, 0, 3, 0} + r +
                                       Bytes{GS, '(', 'L', 6, 0, '0', 69, 'K', '1', 1, 1}},
    };
    for (const Case &c : cases) {
        Render rendered(c.stream);
        EXPECT_EQ(rendered.paper.picture(0, 3, 0, 10), reference) << c.what;
        EXPECT_EQ(rendered.paper.span(1), std::make_pair(0, 9)) << c.what;
        EXPECT_EQ(rendered.errors(), "") << c.what;
    }
}

TEST(Render, ImageScalesAndDensities) {
    struct Case {
        const char *what;
        Bytes stream;
        size_t rows;
        int last;
    } cases[] = {
        {"raster quadruple", Bytes{GS, 'v', '0', 3, 1, 0, 1, 0, 0x80}, 2, 1},
        {"raster double height", Bytes{GS, 'v', '0', '2', 1, 0, 1, 0, 0x80}, 2, 0},
        {"8-dot single density", Bytes{ESC, '3', 0, ESC, '*', 0, 1, 0, 0x80, '\n'}, 24, 1},
        {"8-dot double density", Bytes{ESC, '3', 0, ESC, '*', 1, 1, 0, 0x80, '\n'}, 24, 0},
        {"24-dot single density", Bytes{ESC, '3', 0, ESC, '*', 32, 1, 0, 0x80, 0, 0, '\n'}, 24, 1},
        {"stored graphics doubled", Bytes{GS, '(', 'L', 12, 0, '0', 67, '0', 'A', 'B', 1, '1', 1, 0, 1, 0, 0x80,
                                          GS, '(', 'L', 6, 0, '0', 69, 'A', 'B', 2, 2}, 2, 1},
        {"clipped at the paper edge", Bytes{GS, 'v', '0', 1, 73, 0, 1, 0} + Bytes(73, 0xFF), 1, 575},
    };
    for (const Case &c : cases) {
        Render r(c.stream);
        ASSERT_EQ(r.paper.dots.size(), c.rows) << c.what;
        EXPECT_EQ(r.paper.span(0), std::make_pair(0, c.last)) << c.what;
    }
}

TEST(Render, CutsPrintTheLineFeedAndMark) {
    Render r(text("A") + Bytes{GS, 'V', 66, 10} + text("B\n") + Bytes{ESC, 'i', GS, 'V', '1'});
    EXPECT_EQ(r.paper.cuts, (std::vector<size_t>{34, 64, 64}));
    EXPECT_FALSE(r.renderer.finish());
}

TEST(Render, ALineWithoutLineFeedIsNotPrinted) {
    Render r(text("\nunfinished"));
    EXPECT_TRUE(r.renderer.finish());
    EXPECT_EQ(r.paper.dots.size(), 30u);
    EXPECT_NE(r.errors().find("not printed"), std::string::npos);
}

TEST(Render, BadImagesAreSkippedWithAMessage) {
    struct Case {
        const char *what;
        Bytes stream;
        const char *message;
    } cases[] = {
        {"sizes beyond the data", {GS, '(', 'L', 12, 0, '0', 67, '0', 'A', 'B', 1, 0x31, 120, 0, 48, 0, 0, GS, '(', 'L',
                                   6, 0, '0', 69, 'A', 'B', 1, 1}, "needs more data"},
        {"a truncated header at the end", {GS, 'v', '0', 0, 0xFF, 0xFF, 0xFF}, ""},
    };
    for (const Case &c : cases) {
        Render r(c.stream);
        EXPECT_EQ(r.paper.dots.size(), 0u) << c.what;
        EXPECT_NE(r.errors().find(c.message), std::string::npos) << c.what;
    }
}

TEST(Render, StoredImagesKeepToTheirBudget) {
    // Two stored pictures of 5 MiB each: the second does not fit.
    auto define = [](uint8_t key) {
        Bytes header = {GS, '8', 'L', 0, 0, 0, 0, '0', 67, '0', 'K', key, 1, '1', 0x40, 0x01, 0x00, 0x40};
        uint32_t length = 11 + 40 * 0x4000 * 8;
        for (int i = 0; i < 4; ++i) header[3 + i] = static_cast<uint8_t>(length >> (8 * i));
        header[16] = 0x00, header[17] = 0x40 * 8 >> 8 & 0xFF;
        return header + Bytes(length - 11, 0);
    };
    Render r(define('1') + define('2'));
    EXPECT_NE(r.errors().find("stored images"), std::string::npos);
}

}  // namespace
