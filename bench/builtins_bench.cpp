// gsub must stay linear in the text: every replacement once, no rebuild of
// the whole text per match. Target: 1 MB with a match every 2 bytes in well
// under a second (compare the 64 KB and 1 MB rows: about 16x, not 256x).
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "core/strfuncs.h"
#include "core/substitute.h"

namespace {

void BM_GsubEveryOtherByte(benchmark::State &state) {
    pattern_buffer buf;
    std::memset(&buf, 0, sizeof buf);
    init_syntax_once();
    re_compile_pattern("a", 1, &buf);
    std::string base;
    for (int64_t i = 0; i < state.range(0) / 2; ++i) base += "ab";
    for (auto _ : state) {
        TextBuffer out;
        benchmark::DoNotOptimize(substitute_text(&buf, base, "[&]", true, out));
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
    re_free_pattern(&buf);
}
BENCHMARK(BM_GsubEveryOtherByte)->Arg(64 << 10)->Arg(1 << 20);

// A word replaced every 20 bytes: the per-match cost of a literal pattern.
void BM_GsubLiteral(benchmark::State &state) {
    pattern_buffer buf;
    std::memset(&buf, 0, sizeof buf);
    init_syntax_once();
    re_compile_pattern("total", 5, &buf);
    std::string base;
    while (base.size() < static_cast<size_t>(state.range(0))) base += "receipt total 12345 ";
    for (auto _ : state) {
        TextBuffer out;
        benchmark::DoNotOptimize(substitute_text(&buf, base, "sum", true, out));
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
    re_free_pattern(&buf);
}
BENCHMARK(BM_GsubLiteral)->Arg(1 << 20);

void BM_IndexNearEnd(benchmark::State &state) {
    std::string s(static_cast<size_t>(state.range(0)), 'a');
    s += "b";
    for (auto _ : state) benchmark::DoNotOptimize(text_index(s, "ab", true));
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_IndexNearEnd)->Arg(1 << 20);

void BM_JLength(benchmark::State &state) {
    std::string s;
    while (s.size() < static_cast<size_t>(state.range(0))) s += "\x82\xA0" "a";
    for (auto _ : state) benchmark::DoNotOptimize(text_jlength(s));
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_JLength)->Arg(1 << 20);

}  // namespace

BENCHMARK_MAIN();
