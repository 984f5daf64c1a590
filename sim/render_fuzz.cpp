// Any bytes, fed in two pieces, render without a crash, a leak or memory
// that grows with sizes claimed in image headers.
#include <cstdio>

#include "sim/render.h"

namespace {

struct CountingPaper : Paper {
    uint64_t count = 0;
    void rows(std::span<const uint8_t>, uint32_t n) override { count += n; }
    void cut() override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static std::FILE *quiet = std::fopen("/dev/null", "w");
    static std::unique_ptr<Glyphs> glyphs = cell_glyphs();
    CountingPaper paper;
    Renderer renderer(paper, *glyphs, size % 2 ? 384 : 576, quiet ? quiet : stderr);
    const size_t half = size / 2;
    renderer.feed({data, half});
    renderer.feed({data + half, size - half});
    renderer.finish();
    return 0;
}
