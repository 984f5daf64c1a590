// Character dots for the preview. A glyph source turns a character into the
// dots of one cell of the printer's fonts: font A 12x24, font B 9x17, Kanji
// 24x24. Styles (emphasis, sizes, reverse) are the renderer's business; the
// source only draws the plain character.
//
// cell_glyphs() draws every visible character as a filled block, the same
// on every machine; open_font_glyphs() rasterises packaged fonts found
// through fontconfig and falls back to filled blocks, with one warning naming
// the package to install, for a character set whose font is missing.
#pragma once

#include <cstdint>
#include <cstdio>
#include <iterator>
#include <memory>

enum class CellSet : uint8_t { FontA, FontB, Kanji };

struct CellSize {
    int width, height;
};
constexpr CellSize cell_sizes[] = {{12, 24}, {9, 17}, {24, 24}};
static_assert(std::size(cell_sizes) == 3);
constexpr CellSize cell_size(CellSet set) { return cell_sizes[static_cast<int>(set)]; }

class Glyphs {
public:
    virtual ~Glyphs() = default;
    // width x height bytes of the set's cell, row by row from the top, 1 for
    // a dot. Valid until the next call.
    virtual const uint8_t *glyph(CellSet set, char32_t code) = 0;
};

std::unique_ptr<Glyphs> cell_glyphs();
// Never null; warnings go to err.
std::unique_ptr<Glyphs> open_font_glyphs(std::FILE *err);

// The filled block of a cell (blank for a space), shared by both sources.
void fill_cell(CellSet set, char32_t code, uint8_t *dots);
