#include "sim/render.h"

#include <iconv.h>

#include <algorithm>
#include <cstring>

namespace {

constexpr int default_line_spacing = 30;
constexpr size_t entry_cost = 64;  // what an empty stored image still costs the budget

uint16_t le16(std::span<const uint8_t> p, size_t at) {
    return at + 1 < p.size() ? static_cast<uint16_t>(p[at] | p[at + 1] << 8) : 0;
}

uint8_t at(std::span<const uint8_t> p, size_t i) { return i < p.size() ? p[i] : 0; }

std::span<const uint8_t> from(std::span<const uint8_t> p, size_t i) {
    return i < p.size() ? p.subspan(i) : std::span<const uint8_t>();
}

// The digit forms ('0', '1') of a mode byte count as the numbers.
int mode(uint8_t n) { return n >= '0' && n <= '9' ? n - '0' : n; }

// Scales of the image print commands: bit 0 doubles the width, bit 1 the height.
int scale_x(uint8_t m) { return mode(m) & 1 ? 2 : 1; }
int scale_y(uint8_t m) { return mode(m) & 2 ? 2 : 1; }

bool sjis_lead(uint8_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// One character through iconv; U+FFFD when it has no meaning there.
char32_t convert(const char *charset, const uint8_t *in, size_t length) {
    iconv_t cd = iconv_open("UTF-32LE", charset);
    if (cd == reinterpret_cast<iconv_t>(-1)) return 0xFFFD;
    char *src = const_cast<char *>(reinterpret_cast<const char *>(in));
    uint8_t out[8] = {};
    char *dst = reinterpret_cast<char *>(out);
    size_t in_left = length, out_left = sizeof out;
    size_t done = iconv(cd, &src, &in_left, &dst, &out_left);
    iconv_close(cd);
    if (done == static_cast<size_t>(-1) || out_left != 4) return 0xFFFD;
    return static_cast<char32_t>(out[0] | out[1] << 8 | out[2] << 16 | uint32_t{out[3]} << 24);
}

struct CodePage {
    int page;
    const char *charset;  // null: half-width katakana
};
constexpr CodePage code_pages[] = {
    {0, "IBM437"}, {1, nullptr},   {2, "IBM850"},  {3, "IBM860"},  {4, "IBM863"},
    {5, "IBM865"}, {16, "CP1252"}, {17, "IBM866"}, {18, "IBM852"}, {19, "IBM858"},
};

}  // namespace

bool DotImage::dot(int x, int y) const {
    size_t i;
    int bit;
    if (columns) {
        i = static_cast<size_t>(x) * ((height + 7) / 8) + y / 8;
        bit = y % 8;
    } else {
        i = static_cast<size_t>(y) * ((width + 7) / 8) + x / 8;
        bit = x % 8;
    }
    return i < data.size() && (data[i] & (0x80 >> bit));
}

Renderer::Renderer(Paper &paper, Glyphs &glyphs, int paper_dots, std::FILE *err)
    : paper_(paper), glyphs_(glyphs), paper_dots_(std::max(8, paper_dots / 8 * 8)), err_(err),
      canvas_(static_cast<size_t>(paper_dots_) * max_line_height), row_(paper_dots_ / 8) {
    reset_modes();
}

void Renderer::feed(std::span<const uint8_t> bytes) { reader_.feed(bytes); }

bool Renderer::finish() {
    if (!line_used_ && !lead_) return false;
    std::fprintf(err_, "vordel-sim: the last line was not printed: no line feed ended it\n");
    return true;
}

void Renderer::reset_modes() {
    font_b_ = emphasis_ = reverse_ = upside_down_ = false;
    underline_ = justify_ = left_margin_ = right_spacing_ = code_page_ = 0;
    width_mul_ = height_mul_ = 1;
    print_width_ = paper_dots_;
    line_spacing_ = default_line_spacing;
    tabs_.clear();
    for (int c = 8; c <= 256; c += 8) tabs_.push_back(c);
    kanji_ = kanji_jis_ = kanji_double_w_ = kanji_double_h_ = false;
    kanji_underline_ = kanji_left_ = kanji_right_ = 0;
}

int Renderer::area_left() const { return std::min(left_margin_, paper_dots_ - 1); }

int Renderer::area_width() const { return std::max(1, std::min(print_width_, paper_dots_ - area_left())); }

// ---- text -------------------------------------------------------------

char32_t Renderer::decode_byte(uint8_t byte) {
    if (byte < 0x80) return byte;
    const CodePage *page = &code_pages[0];
    for (const CodePage &p : code_pages)
        if (p.page == code_page_) page = &p;
    if (!page->charset) return byte >= 0xA1 && byte <= 0xDF ? U'\uFF61' + (byte - 0xA1) : U' ';
    auto [it, fresh] = pages_.try_emplace(page->page);
    if (fresh)
        for (int b = 0x80; b < 0x100; ++b) {
            uint8_t in = static_cast<uint8_t>(b);
            it->second[b - 0x80] = convert(page->charset, &in, 1);
        }
    return it->second[byte - 0x80];
}

char32_t Renderer::decode_kanji(uint8_t first, uint8_t second) {
    uint8_t jis[2] = {first, second};
    if (!kanji_jis_) {  // Shift-JIS to the JIS row and cell
        int row = (first <= 0x9F ? first - 0x70 : first - 0xB0) * 2;
        if (second < 0x9F) {
            --row;
            jis[1] = static_cast<uint8_t>(second - (second >= 0x80 ? 0x20 : 0x1F));
        } else {
            jis[1] = static_cast<uint8_t>(second - 0x7E);
        }
        jis[0] = static_cast<uint8_t>(row);
        if (second < 0x40 || second == 0x7F || second > 0xFC) return 0xFFFD;
    }
    if (jis[0] < 0x21 || jis[0] > 0x7E || jis[1] < 0x21 || jis[1] > 0x7E) return 0xFFFD;
    uint8_t euc[2] = {static_cast<uint8_t>(jis[0] | 0x80), static_cast<uint8_t>(jis[1] | 0x80)};
    return convert("EUC-JP", euc, 2);
}

void Renderer::on_text(std::span<const uint8_t> bytes) {
    for (uint8_t b : bytes) {
        if (lead_) {
            put_char(CellSet::Kanji, decode_kanji(lead_, b));
            lead_ = 0;
        } else if (kanji_ && (kanji_jis_ ? b >= 0x21 && b <= 0x7E : sjis_lead(b))) {
            lead_ = b;
        } else if (b >= 0x20 && b != 0x7F) {
            put_char(font_b_ ? CellSet::FontB : CellSet::FontA, decode_byte(b));
        }
    }
}

void Renderer::put_char(CellSet set, char32_t code) {
    const bool kanji = set == CellSet::Kanji;
    const CellSize cell = cell_size(set);
    const int mw = kanji && kanji_double_w_ ? std::max(width_mul_, 2) : width_mul_;
    const int mh = kanji && kanji_double_h_ ? std::max(height_mul_, 2) : height_mul_;
    const int before = kanji ? kanji_left_ : 0, after = kanji ? kanji_right_ : right_spacing_;
    const int advance = (before + cell.width + after) * mw, height = cell.height * mh;
    if (x_ + advance > area_width()) {
        if (advance > area_width()) return;
        print_line(line_spacing_);
    }
    const uint8_t *dots = glyphs_.glyph(set, code);
    const int left = area_left() + x_, top = max_line_height - height;
    auto lit = [&](int cx, int cy) {
        if (cx < 0 || cx >= cell.width) return false;
        const uint8_t *row = dots + cy * cell.width;
        return row[cx] || (emphasis_ && cx > 0 && row[cx - 1]);
    };
    for (int cy = 0; cy < cell.height; ++cy)
        for (int cx = -before; cx < cell.width + after; ++cx) {
            bool on = lit(cx, cy) != reverse_;
            if (!on) continue;
            for (int dy = 0; dy < mh; ++dy) {
                uint8_t *line = &canvas_[static_cast<size_t>(top + cy * mh + dy) * paper_dots_];
                std::fill_n(line + left + (cx + before) * mw, mw, 1);
            }
        }
    const int thick = kanji ? kanji_underline_ : underline_;
    if (thick && !reverse_)
        for (int y = max_line_height - thick; y < max_line_height; ++y)
            std::fill_n(&canvas_[static_cast<size_t>(y) * paper_dots_ + left], advance, 1);
    x_ += advance;
    line_height_ = std::max(line_height_, height);
    line_used_ = true;
}

void Renderer::put_column_image(const DotImage &image, int sx, int sy) {
    const int width = std::min(image.width * sx, area_width() - x_);
    const int height = image.height * sy, left = area_left() + x_, top = max_line_height - height;
    for (int x = 0; x < width; ++x)
        for (int y = 0; y < height; ++y)
            if (image.dot(x / sx, y / sy)) canvas_[static_cast<size_t>(top + y) * paper_dots_ + left + x] = 1;
    x_ += std::max(width, 0);
    line_height_ = std::max(line_height_, height);
    line_used_ = true;
}

void Renderer::tab() {
    const int unit = (cell_size(font_b_ ? CellSet::FontB : CellSet::FontA).width + right_spacing_) * width_mul_;
    for (int column : tabs_) {
        int position = column * unit;
        if (position >= area_width()) return;
        if (position > x_) {
            x_ = position;
            line_used_ = true;
            return;
        }
    }
}

// ---- output -----------------------------------------------------------

void Renderer::emit_canvas_row(int row) {
    uint8_t *line = &canvas_[static_cast<size_t>(row) * paper_dots_];
    for (size_t b = 0; b < row_.size(); ++b) {  // paper widths are whole bytes
        const uint8_t *d = line + b * 8;
        row_[b] = static_cast<uint8_t>(d[0] << 7 | d[1] << 6 | d[2] << 5 | d[3] << 4 | d[4] << 3 | d[5] << 2 |
                                       d[6] << 1 | d[7]);
    }
    std::fill_n(line, paper_dots_, 0);
    paper_.rows(row_, 1);
}

void Renderer::feed_blank(uint32_t rows) {
    if (rows == 0) return;
    std::fill(row_.begin(), row_.end(), 0);
    paper_.rows(row_, rows);
}

void Renderer::print_line(int feed) {
    const int height = line_height_, top = max_line_height - height;
    const int left = area_left(), width = area_width();
    const int extent = std::min(x_, width);
    const int shift = justify_ == 1 ? (width - extent) / 2 : justify_ == 2 ? width - extent : 0;
    for (int y = top; y < max_line_height; ++y) {
        uint8_t *line = &canvas_[static_cast<size_t>(y) * paper_dots_ + left];
        if (shift > 0) {
            std::copy_backward(line, line + extent, line + extent + shift);
            std::fill_n(line, shift, 0);
        }
        if (upside_down_) std::reverse(line, line + width);
    }
    if (upside_down_)
        for (int a = top, b = max_line_height - 1; a < b; ++a, --b)
            std::swap_ranges(&canvas_[static_cast<size_t>(a) * paper_dots_],
                             &canvas_[static_cast<size_t>(a + 1) * paper_dots_],
                             &canvas_[static_cast<size_t>(b) * paper_dots_]);
    for (int y = top; y < max_line_height; ++y) emit_canvas_row(y);
    feed_blank(static_cast<uint32_t>(std::max(feed - height, 0)));
    x_ = line_height_ = 0;
    line_used_ = false;
    lead_ = 0;
}

void Renderer::print_picture(const DotImage &image, int sx, int sy) {
    if (line_used_) print_line(0);
    const int width = std::min(image.width * sx, area_width());
    if (width <= 0 || image.height <= 0) return;
    const int shift = justify_ == 1 ? (area_width() - width) / 2 : justify_ == 2 ? area_width() - width : 0;
    const int left = area_left() + shift;
    for (int y = 0; y < image.height; ++y) {
        std::fill(row_.begin(), row_.end(), 0);
        for (int x = 0; x < width; ++x)
            if (image.dot(x / sx, y)) row_[(left + x) / 8] |= static_cast<uint8_t>(0x80 >> ((left + x) % 8));
        paper_.rows(row_, static_cast<uint32_t>(sy));
    }
}

void Renderer::cut(int feed) {
    if (line_used_) print_line(0);
    feed_blank(static_cast<uint32_t>(feed));
    paper_.cut();
}

// ---- stored images ----------------------------------------------------

bool Renderer::store(Stored &slot, std::span<const uint8_t> data, int width, int height, bool columns) {
    size_t old = slot.data.size() + entry_cost;
    if (stored_bytes_ - std::min(stored_bytes_, old) + data.size() + entry_cost > store_budget) {
        std::fprintf(err_, "vordel-sim: more than %zu MiB of stored images: one is not kept\n",
                     store_budget >> 20);
        return false;
    }
    stored_bytes_ = stored_bytes_ - std::min(stored_bytes_, old) + data.size() + entry_cost;
    slot.data.assign(data.begin(), data.end());
    slot.width = width;
    slot.height = height;
    slot.columns = columns;
    slot.scale_x = slot.scale_y = 1;
    return true;
}

void Renderer::define_nv_images(std::span<const uint8_t> p) {
    for (Stored &s : nv_images_) stored_bytes_ -= std::min(stored_bytes_, s.data.size() + entry_cost);
    nv_images_.clear();
    size_t pos = 1;
    for (int i = 0; i < at(p, 0) && pos + 4 <= p.size(); ++i) {
        const uint16_t x = le16(p, pos), y = le16(p, pos + 2);
        const size_t length = size_t{x} * y * 8;
        pos += 4;
        Stored image;
        if (!store(image, from(p, pos).first(std::min(length, p.size() - pos)), x * 8, y * 8, true)) break;
        nv_images_.push_back(std::move(image));
        pos += length;
    }
}

// A raster picture of width x height needs its rows after the header.
bool Renderer::fits(const Command &command, std::span<const uint8_t> body, size_t header, int width, int height) {
    if (body.size() >= header && body.size() - header >= size_t((width + 7) / 8) * height) return true;
    std::fprintf(err_, "vordel-sim: %s function %d: a %d x %d picture needs more data than the command holds; "
                       "not stored\n", command_name(*command.spec, command.bytes).c_str(), at(body, 1), width, height);
    return false;
}

// GS ( L and GS 8 L: body starts at m, then the function number.
void Renderer::graphics(const Command &command, std::span<const uint8_t> b) {
    const uint8_t fn = at(b, 1);
    if (command.truncated() && (fn == 67 || fn == 112)) return;
    switch (fn) {
    case 2:
    case 50:  // print the graphics buffer
        if (!buffer_.data.empty() || buffer_.width) {
            print_picture(buffer_.image(), buffer_.scale_x, buffer_.scale_y);
            stored_bytes_ -= std::min(stored_bytes_, buffer_.data.size() + entry_cost);
            buffer_ = Stored();
        }
        break;
    case 112:  // a bx by c xL xH yL yH, raster
        if (fits(command, b, 10, le16(b, 6), le16(b, 8)) && store(buffer_, from(b, 10), le16(b, 6), le16(b, 8), false)) {
            buffer_.scale_x = at(b, 3) == 2 ? 2 : 1;
            buffer_.scale_y = at(b, 4) == 2 ? 2 : 1;
        }
        break;
    case 67: {  // a kc1 kc2 b c xL xH yL yH, raster
        if (!fits(command, b, 11, le16(b, 7), le16(b, 9))) break;
        auto [it, fresh] = nv_graphics_.try_emplace(static_cast<uint16_t>(at(b, 3) << 8 | at(b, 4)));
        if (!store(it->second, from(b, 11), le16(b, 7), le16(b, 9), false) && fresh) nv_graphics_.erase(it);
        break;
    }
    case 69: {  // kc1 kc2 x y
        auto it = nv_graphics_.find(static_cast<uint16_t>(at(b, 2) << 8 | at(b, 3)));
        if (it != nv_graphics_.end()) print_picture(it->second.image(), at(b, 4) == 2 ? 2 : 1, at(b, 5) == 2 ? 2 : 1);
        break;
    }
    default:
        break;
    }
}

// ---- commands ---------------------------------------------------------

void Renderer::on_command(const Command &c) {
    lead_ = 0;
    const std::span<const uint8_t> p = c.params();
    const CommandSpec &s = *c.spec;
    const uint8_t a = c.param(0);
    const int n16 = le16(p, 0);
    if (!s.known) return;
    if (c.truncated() && (s.rule == Rule::ColumnImage || s.rule == Rule::RasterImage ||
                          s.rule == Rule::DownloadImage || s.rule == Rule::NvImages)) {
        std::fprintf(err_, "vordel-sim: a %s command of %llu bytes is too long to draw\n", s.name,
                     static_cast<unsigned long long>(c.length));
        return;
    }
    auto is = [&](uint8_t intro, uint8_t second) { return s.prefix[0] == intro && s.prefix[1] == second; };
    constexpr uint8_t ESC = 0x1B, FS = 0x1C, GS = 0x1D;
    switch (s.prefix_len == 1 ? s.prefix[0] : -1) {
    case 0x09: tab(); return;
    case 0x0A: print_line(line_spacing_); return;
    case -1: break;
    default: return;  // CR, FF, CAN
    }
    if (is(ESC, '!')) {
        font_b_ = a & 1;
        emphasis_ = a & 8;
        height_mul_ = a & 16 ? 2 : 1;
        width_mul_ = a & 32 ? 2 : 1;
        underline_ = a & 128 ? 1 : 0;
    } else if (is(ESC, ' ')) {
        right_spacing_ = a;
    } else if (is(ESC, '$')) {
        if (n16 < area_width()) x_ = n16, line_used_ = true;
    } else if (is(ESC, '\\')) {
        int to = x_ + static_cast<int16_t>(n16);
        if (to >= 0 && to < area_width()) x_ = to, line_used_ = true;
    } else if (is(ESC, '*')) {
        const int m = a, columns = le16(p, 1);
        const bool tall = m > 1;
        const int sx = m == 0 || m == 32 ? 2 : 1, sy = tall ? 1 : 3;
        put_column_image({from(p, 3), columns, tall ? 24 : 8, true}, sx, sy);
    } else if (is(ESC, '-')) {
        if (mode(a) <= 2) underline_ = mode(a);
    } else if (is(ESC, '2')) {
        line_spacing_ = default_line_spacing;
    } else if (is(ESC, '3')) {
        line_spacing_ = a;
    } else if (is(ESC, '@')) {
        reset_modes();
        std::fill(canvas_.begin(), canvas_.end(), 0);
        x_ = line_height_ = 0;
        line_used_ = false;
    } else if (is(ESC, 'D')) {
        tabs_.clear();
        for (uint8_t column : p) {
            if (column == 0 || (!tabs_.empty() && column <= tabs_.back())) break;
            tabs_.push_back(column);
        }
    } else if (is(ESC, 'E') || is(ESC, 'G')) {
        emphasis_ = a & 1;
    } else if (is(ESC, 'J')) {
        print_line(a);
    } else if (is(ESC, 'M')) {
        if (mode(a) <= 1) font_b_ = mode(a) == 1;
    } else if (is(ESC, 'a')) {
        if (mode(a) <= 2) justify_ = mode(a);
    } else if (is(ESC, 'd')) {
        print_line(a * line_spacing_);
    } else if (is(ESC, 'i') || is(ESC, 'm')) {
        cut(0);
    } else if (is(ESC, 't')) {
        code_page_ = a;
    } else if (is(ESC, '{')) {
        upside_down_ = a & 1;
    } else if (is(FS, '!')) {
        kanji_double_w_ = a & 4;
        kanji_double_h_ = a & 8;
        kanji_underline_ = a & 128 ? 1 : 0;
    } else if (is(FS, '&')) {
        kanji_ = true;
    } else if (is(FS, '.')) {
        kanji_ = false;
    } else if (is(FS, '-')) {
        if (mode(a) <= 2) kanji_underline_ = mode(a);
    } else if (is(FS, 'C')) {
        if (mode(a) <= 1) kanji_jis_ = mode(a) == 0;
    } else if (is(FS, 'S')) {
        kanji_left_ = a;
        kanji_right_ = c.param(1);
    } else if (is(FS, 'W')) {
        kanji_double_w_ = kanji_double_h_ = a & 1;
    } else if (is(FS, 'p')) {
        if (a >= 1 && a <= nv_images_.size())
            print_picture(nv_images_[a - 1].image(), scale_x(c.param(1)), scale_y(c.param(1)));
    } else if (is(FS, 'q')) {
        define_nv_images(p);
    } else if (is(GS, '!')) {
        width_mul_ = (a >> 4 & 7) + 1;
        height_mul_ = (a & 7) + 1;
    } else if (is(GS, '(') && a == 'L') {
        graphics(c, from(p, 3));
    } else if (is(GS, '8') && a == 'L') {
        graphics(c, from(p, 5));
    } else if (is(GS, '*')) {
        store(downloaded_, from(p, 2), a * 8, c.param(1) * 8, true);
    } else if (is(GS, '/')) {
        print_picture(downloaded_.image(), scale_x(a), scale_y(a));
    } else if (is(GS, 'B')) {
        reverse_ = a & 1;
    } else if (is(GS, 'L')) {
        left_margin_ = n16;
    } else if (is(GS, 'W')) {
        print_width_ = n16;
    } else if (is(GS, 'Q')) {  // GS Q 0 m wL wH hL hH, columns of h bytes
        print_picture({from(p, 5), le16(p, 1), le16(p, 3) * 8, true}, scale_x(a), scale_y(a));
    } else if (is(GS, 'V')) {
        static constexpr uint8_t with_feed[] = {65, 66, 97, 98, 103, 104};
        cut(std::find(std::begin(with_feed), std::end(with_feed), a) != std::end(with_feed) ? c.param(1) : 0);
    } else if (is(GS, 'v')) {  // GS v 0 m xL xH yL yH, rows of x bytes
        print_picture({from(p, 5), le16(p, 1) * 8, le16(p, 3), false}, scale_x(a), scale_y(a));
    }
}
