// The preview: draws what a printer would print from its command stream.
// It reads the stream with its own command reader and keeps a printer's
// print buffer: characters and column images gather on the current line,
// which is printed (bottom-aligned, justified, upside-down when asked) by a
// line feed, a feed command or a cut, and fed by the line spacing. Raster
// images, downloaded and stored images and the graphics buffer print at
// once as whole pictures. Commands it does not draw are read past by their
// length. Nothing grows with the length of the stream: stored images have a
// budget, the line is one fixed canvas and finished rows go to the Paper.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <map>
#include <span>
#include <vector>

#include "sim/reader.h"
#include "sim/render_glyphs.h"
#include "sim/render_png.h"

// A picture as the commands carry it: raster rows of (width + 7) / 8 bytes,
// or columns of (height + 7) / 8 bytes; the high bit is the leftmost or top
// dot. Bytes missing from data are blank.
struct DotImage {
    std::span<const uint8_t> data;
    int width = 0, height = 0;
    bool columns = false;
    bool dot(int x, int y) const;
};

class Renderer : private CommandVisitor {
public:
    static constexpr int max_line_height = 192;  // a 24-dot cell at 8 times its height
    static constexpr size_t store_budget = 8u << 20;  // bytes of stored images

    // paper_dots: 576 for 80 mm paper, 384 for 58 mm (whole bytes). Warnings
    // go to err.
    Renderer(Paper &paper, Glyphs &glyphs, int paper_dots, std::FILE *err);
    void feed(std::span<const uint8_t> bytes);
    // The data has ended. A line still waiting for its line feed is not
    // printed, as on a printer; true (with a warning) when one was left.
    bool finish();

private:
    struct Stored {
        std::vector<uint8_t> data;
        int width = 0, height = 0;
        bool columns = false;
        int scale_x = 1, scale_y = 1;
        DotImage image() const { return {data, width, height, columns}; }
    };

    void on_text(std::span<const uint8_t> bytes) override;
    void on_command(const Command &command) override;
    void on_request(size_t, std::span<const uint8_t>) override {}

    void reset_modes();
    int area_left() const;
    int area_width() const;
    void put_char(CellSet set, char32_t code);
    void put_column_image(const DotImage &image, int scale_x, int scale_y);
    void tab();
    void print_line(int feed);
    void print_picture(const DotImage &image, int scale_x, int scale_y);
    void emit_canvas_row(int row);
    void feed_blank(uint32_t rows);
    void cut(int feed);
    void graphics(const Command &command, std::span<const uint8_t> body);
    bool fits(const Command &command, std::span<const uint8_t> body, size_t header, int width, int height);
    void define_nv_images(std::span<const uint8_t> params);
    bool store(Stored &slot, std::span<const uint8_t> data, int width, int height, bool columns);
    char32_t decode_byte(uint8_t byte);
    char32_t decode_kanji(uint8_t first, uint8_t second);

    Paper &paper_;
    Glyphs &glyphs_;
    int paper_dots_;
    std::FILE *err_;
    CommandReader reader_{*this};

    // Modes, as ESC @ leaves them.
    bool font_b_ = false, emphasis_ = false, reverse_ = false, upside_down_ = false;
    int underline_ = 0, width_mul_ = 1, height_mul_ = 1, justify_ = 0;
    int left_margin_ = 0, print_width_ = 0, line_spacing_ = 30, right_spacing_ = 0;
    int code_page_ = 0;
    std::vector<int> tabs_;  // in characters
    bool kanji_ = false, kanji_jis_ = false, kanji_double_w_ = false, kanji_double_h_ = false;
    int kanji_underline_ = 0, kanji_left_ = 0, kanji_right_ = 0;

    // The line being gathered: x from the print area's left edge; the
    // canvas holds max_line_height rows, items sit on its bottom row.
    std::vector<uint8_t> canvas_;
    int x_ = 0, line_height_ = 0;
    bool line_used_ = false;
    uint8_t lead_ = 0;  // first byte of a Kanji waiting for its second
    std::vector<uint8_t> row_;

    Stored downloaded_, buffer_;
    std::vector<Stored> nv_images_;
    std::map<uint16_t, Stored> nv_graphics_;
    size_t stored_bytes_ = 0;
    std::map<int, std::array<char32_t, 128>> pages_;
};
