// libFuzzer target for the regex engine: any pattern and text must compile or
// fail with a message, and a search must end with consistent registers and
// without reading outside the text.
//
// Input: byte 0 = flags (bit 0 folds case), byte 1 = pattern length (taken
// modulo what is left), then the pattern, then the text.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/regex.h"
#include "core/regex_internal.h"

namespace {

bool starts_inside_character(const uint8_t *text, int32_t pos) {
    int32_t run = 0;
    while (pos - run - 1 >= 0 && re_detail::lead_table[text[pos - run - 1]]) run++;
    return run & 1;
}

void check(bool ok) {
    if (!ok) std::abort();
}

void check_registers(const regex_registers &regs, int32_t at, const uint8_t *text, int32_t len) {
    check(regs.start[0] == at && regs.end[0] >= at && regs.end[0] <= len);
    check(regs.end[0] == len || !starts_inside_character(text, regs.end[0]));
    for (int n = 1; n < REGEX_NREGS; n++) {
        if (regs.start[n] == -1 && regs.end[n] == -1) continue;
        check(regs.start[n] >= 0 && regs.start[n] <= regs.end[n] && regs.end[n] <= len);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 2) return 0;
    // Keep exponential patterns short-lived; linear ones stay far below these.
    re_max_backtracks = 1 << 14;
    re_max_stack_entries = 1 << 16;
    size_t rest = size - 2;
    size_t pattern_len = rest == 0 ? 0 : data[1] % (rest + 1);
    pattern_buffer buf{};
    buf.translate = (data[0] & 1) ? re_casefold_table : nullptr;
    // Exact-size heap copies so that any stray read is caught.
    std::vector<char> pattern(data + 2, data + 2 + pattern_len);
    const char *error = re_compile_pattern(pattern.data(), static_cast<int32_t>(pattern_len), &buf);
    if (error == nullptr) {
        size_t text_len = rest - pattern_len;
        auto *text = static_cast<uint8_t *>(std::malloc(text_len + 1));
        std::memcpy(text, data + 2 + pattern_len, text_len);
        auto len = static_cast<int32_t>(text_len);
        regex_registers regs{};
        int32_t at = re_search(&buf, reinterpret_cast<const char *>(text), len, 0, len, &regs);
        check(at >= -2 && at <= len);
        if (at >= 0) {
            check(at == len || !starts_inside_character(text, at));
            check_registers(regs, at, text, len);
        }
        std::free(text);
    }
    re_free_pattern(&buf);
    return 0;
}
