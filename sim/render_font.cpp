// Glyphs from packaged fonts: FreeType rasterises each character once, in
// monochrome with hinting, at the largest size whose advance and line height
// fit the cell; the dots are kept for the next time.
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <string>
#include <unordered_map>
#include <vector>

#include "sim/render_glyphs.h"

namespace {

// A font file matching pattern that has must_have (and fixed pitch when
// asked), or "".
std::string find_font(const char *pattern, char32_t must_have, bool mono) {
    FcPattern *wanted = FcNameParse(reinterpret_cast<const FcChar8 *>(pattern));
    if (!wanted) return "";
    FcConfigSubstitute(nullptr, wanted, FcMatchPattern);
    FcDefaultSubstitute(wanted);
    FcResult result;
    FcPattern *match = FcFontMatch(nullptr, wanted, &result);
    FcPatternDestroy(wanted);
    std::string file;
    if (match) {
        FcChar8 *path = nullptr;
        FcCharSet *chars = nullptr;
        int spacing = FC_PROPORTIONAL;
        FcPatternGetInteger(match, FC_SPACING, 0, &spacing);
        if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch &&
            FcPatternGetCharSet(match, FC_CHARSET, 0, &chars) == FcResultMatch &&
            FcCharSetHasChar(chars, must_have) && (!mono || spacing == FC_MONO))
            file = reinterpret_cast<const char *>(path);
        FcPatternDestroy(match);
    }
    return file;
}

struct Placement {
    int pixels = 0, baseline = 0;
};

class FontGlyphs : public Glyphs {
public:
    explicit FontGlyphs(std::FILE *err) : err_(err) {
        if (FT_Init_FreeType(&library_) != 0) {
            library_ = nullptr;
            return;
        }
        std::string mono = find_font("DejaVu Sans Mono", U'M', true);
        if (mono.empty()) mono = find_font("monospace", U'M', true);
        std::string gothic = find_font("IPAGothic", U'\u65E5', false);
        if (gothic.empty()) gothic = find_font(":lang=ja", U'\u65E5', false);
        faces_[0] = open(mono);
        faces_[1] = open(gothic);
        if (!faces_[0])
            std::fprintf(err_, "vordel-sim: no monospaced font found: text is drawn as filled cells "
                               "(install fonts-dejavu-core)\n");
    }
    ~FontGlyphs() override {
        for (FT_Face face : faces_)
            if (face) FT_Done_Face(face);
        if (library_) FT_Done_FreeType(library_);
        FcFini();  // the simulator is fontconfig's only user
    }

    const uint8_t *glyph(CellSet set, char32_t code) override {
        uint64_t key = uint64_t{static_cast<uint8_t>(set)} << 32 | code;
        auto found = cache_.find(key);
        if (found != cache_.end()) return found->second.data();
        if (cache_.size() >= 8192) cache_.clear();
        CellSize cell = cell_size(set);
        std::vector<uint8_t> &dots = cache_[key];
        dots.assign(cell.width * cell.height, 0);
        if (!draw(set, code, dots.data())) fill_cell(set, code, dots.data());
        return dots.data();
    }

private:
    FT_Face open(const std::string &file) {
        FT_Face face = nullptr;
        if (!library_ || file.empty() || FT_New_Face(library_, file.c_str(), 0, &face) != 0) return nullptr;
        return face;
    }

    // The first face that has the character: the monospaced one for the
    // single-byte fonts, the Japanese one for Kanji.
    int pick(CellSet set, char32_t code) {
        int order[2] = {0, 1};
        if (set == CellSet::Kanji) std::swap(order[0], order[1]);
        for (int f : order)
            if (faces_[f] && FT_Get_Char_Index(faces_[f], code) != 0) return f;
        if (set == CellSet::Kanji && !faces_[1] && !warned_) {
            warned_ = true;
            std::fprintf(err_, "vordel-sim: no Japanese Gothic font found: Kanji are drawn as filled "
                               "cells (install fonts-ipafont-gothic)\n");
        }
        return -1;
    }

    const Placement &placement(int f, CellSet set) {
        Placement &p = placements_[f][static_cast<int>(set)];
        if (p.pixels) return p;
        FT_Face face = faces_[f];
        CellSize cell = cell_size(set);
        char32_t probe = set == CellSet::Kanji ? U'\u65E5' : U'M';
        for (p.pixels = cell.height; p.pixels > 4; --p.pixels) {
            if (FT_Set_Pixel_Sizes(face, 0, p.pixels) != 0) continue;
            const FT_Size_Metrics &m = face->size->metrics;
            long height = (m.ascender - m.descender + 63) >> 6;
            long advance = (m.max_advance + 63) >> 6;
            if (FT_Load_Char(face, probe, FT_LOAD_TARGET_MONO) == 0)
                advance = (face->glyph->advance.x + 63) >> 6;
            if (advance <= cell.width && height <= cell.height) break;
        }
        long ascent = (face->size->metrics.ascender + 63) >> 6;
        long height = (face->size->metrics.ascender - face->size->metrics.descender + 63) >> 6;
        p.baseline = static_cast<int>((cell.height - height) / 2 + ascent);
        return p;
    }

    bool draw(CellSet set, char32_t code, uint8_t *dots) {
        int f = pick(set, code);
        if (f < 0) return false;
        FT_Face face = faces_[f];
        const Placement &p = placement(f, set);
        if (FT_Set_Pixel_Sizes(face, 0, p.pixels) != 0 ||
            FT_Load_Char(face, code, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO | FT_LOAD_MONOCHROME) != 0)
            return false;
        const FT_GlyphSlot slot = face->glyph;
        const FT_Bitmap &bitmap = slot->bitmap;
        if (bitmap.pixel_mode != FT_PIXEL_MODE_MONO) return false;
        CellSize cell = cell_size(set);
        int advance = static_cast<int>(slot->advance.x >> 6);
        int left = (cell.width - advance) / 2 + slot->bitmap_left;
        int top = p.baseline - slot->bitmap_top;
        for (unsigned row = 0; row < bitmap.rows; ++row) {
            int y = top + static_cast<int>(row);
            if (y < 0 || y >= cell.height) continue;
            const uint8_t *bits = bitmap.buffer + static_cast<long>(row) * bitmap.pitch;
            for (unsigned col = 0; col < bitmap.width; ++col) {
                int x = left + static_cast<int>(col);
                if (x >= 0 && x < cell.width && (bits[col / 8] & (0x80 >> (col % 8))))
                    dots[y * cell.width + x] = 1;
            }
        }
        return true;
    }

    std::FILE *err_;
    FT_Library library_ = nullptr;
    FT_Face faces_[2] = {nullptr, nullptr};  // monospaced, Japanese Gothic
    Placement placements_[2][3];
    std::unordered_map<uint64_t, std::vector<uint8_t>> cache_;
    bool warned_ = false;
};

}  // namespace

std::unique_ptr<Glyphs> open_font_glyphs(std::FILE *err) { return std::make_unique<FontGlyphs>(err); }
