// Regex search speed over 1 MB of text that holds no match, so every search
// walks the whole text: literals, bracket classes and `a.*b`, each beside the
// same search by the C library's regexec (REG_NEWLINE, so that its `.` also
// stops at newlines as ours does).
#include <regex.h>

#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "core/regex.h"

namespace {

// Lines of 63 letters and blanks; no b, x, y, z, capitals or digits.
const std::string &sample_text() {
    static const std::string text = [] {
        const char alphabet[] = "acdefghijklmnopqrstuvw      ";
        std::mt19937 rng(7);
        std::uniform_int_distribution<size_t> pick(0, sizeof alphabet - 2);
        std::string t;
        while (t.size() < (1u << 20)) {
            for (int i = 0; i < 63; i++) t += alphabet[pick(rng)];
            t += '\n';
        }
        return t;
    }();
    return text;
}

// The first three find no byte they need; the last two begin with bytes
// the text is full of, so the matcher runs at every one of them.
const char *const patterns[] = {"xyzzy", "[XYZ][0-9]", "a.*b", "e[0-9]", "[aeiou][0-9]"};

void ours(benchmark::State &state) {
    const std::string &text = sample_text();
    const char *pattern = patterns[state.range(0)];
    pattern_buffer re{};
    if (re_compile_pattern(pattern, static_cast<int32_t>(std::char_traits<char>::length(pattern)), &re)) {
        state.SkipWithError("compile failed");
        return;
    }
    auto len = static_cast<int32_t>(text.size());
    for (auto _ : state) {
        int32_t at = re_search(&re, text.data(), len, 0, len, nullptr);
        if (at != -1) state.SkipWithError("unexpected match");
        benchmark::DoNotOptimize(at);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * len);
    state.SetLabel(pattern);
    re_free_pattern(&re);
}

void libc(benchmark::State &state) {
    const std::string &text = sample_text();
    const char *pattern = patterns[state.range(0)];
    regex_t re;
    if (regcomp(&re, pattern, REG_EXTENDED | REG_NEWLINE) != 0) {
        state.SkipWithError("compile failed");
        return;
    }
    for (auto _ : state) {
        int r = regexec(&re, text.c_str(), 0, nullptr, 0);
        if (r != REG_NOMATCH) state.SkipWithError("unexpected match");
        benchmark::DoNotOptimize(r);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
    state.SetLabel(pattern);
    regfree(&re);
}

BENCHMARK(ours)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);
BENCHMARK(libc)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
