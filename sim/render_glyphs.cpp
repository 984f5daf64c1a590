#include "sim/render_glyphs.h"

#include <algorithm>
#include <vector>

void fill_cell(CellSet set, char32_t code, uint8_t *dots) {
    CellSize cell = cell_size(set);
    std::fill(dots, dots + cell.width * cell.height, 0);
    if (code == U' ' || code == 0x3000) return;
    // Inset so that neighbours, underlines and emphasis stay visible.
    int top = cell.height / 6, bottom = cell.height - cell.height / 6;
    for (int y = top; y < bottom; ++y)
        for (int x = 1; x < cell.width - 1; ++x) dots[y * cell.width + x] = 1;
}

namespace {

class CellGlyphs : public Glyphs {
public:
    const uint8_t *glyph(CellSet set, char32_t code) override {
        fill_cell(set, code, dots_.data());
        return dots_.data();
    }

private:
    std::vector<uint8_t> dots_ = std::vector<uint8_t>(24 * 24);
};

}  // namespace

std::unique_ptr<Glyphs> cell_glyphs() { return std::make_unique<CellGlyphs>(); }
