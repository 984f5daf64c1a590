// Speed of the preprocessor on large scripts: plain statements (copying and
// tokenizing), macro-heavy lines, and skipped conditional groups.
// Target: a 10000-line script in well under 50 ms, so preprocessing never shows
// next to opening a printer port.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "frontend/preprocessor.h"

namespace {

const char *const kHeader =
    "#define ESC 27\n#define GS 29\n#define CUT(m) GS, 'V', m\n"
    "#define DOTS(n) ((n) * 8 / 25)\n#define STR(x) #x\n#define CAT(a, b) a##b\n";

const char *const kPlain[] = {
    "    output 27, '@', 29, 'V', 66, 0   // reset and cut\n",
    "    total += price[item] * count - discount << 1\n",
    "    if (x ~ /^[0-9]+$/ && y != \"\") printf \"%-12s %6d\\n\", name, value\n",
    "    /* a comment */ for (i = 0; i < n; i++) { s = s sprintf(\"%02X\", 'A' + i) }\n",
};

const char *const kMacro[] = {
    "    output ESC, '@', CUT(66), DOTS(100 + x)\n",
    "    name = STR(receipt) CAT(line, 1) __LINE__\n",
    "#if DOTS(25) == 8 && defined ESC\n    ok = 1\n#else\n    ok = 0\n#endif\n",
};

std::string make_script(const char *const *body, size_t n, int lines) {
    std::string s = kHeader;
    s += "BEGIN {\n";
    for (int i = 0; i < lines; i++) s += body[i % n];
    return s + "}\n";
}

void run(benchmark::State &state, const std::string &script) {
    char dir[] = "/tmp/vordel-ppbench-XXXXXX";
    if (!mkdtemp(dir)) std::abort();
    std::string in = std::string(dir) + "/in.vd", out = std::string(dir) + "/out.tmp";
    std::FILE *f = std::fopen(in.c_str(), "wb");
    std::fwrite(script.data(), 1, script.size(), f);
    std::fclose(f);
    for (auto _ : state) {
        std::remove(out.c_str());
        benchmark::DoNotOptimize(preprocess(in.c_str(), out.c_str()));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(script.size()));
    state.counters["lines/s"] = benchmark::Counter(static_cast<double>(state.iterations() * state.range(0)),
                                                   benchmark::Counter::kIsRate);
    std::remove(in.c_str());
    std::remove(out.c_str());
    rmdir(dir);
}

void BM_PreprocessPlain(benchmark::State &state) {
    run(state, make_script(kPlain, std::size(kPlain), static_cast<int>(state.range(0))));
}

void BM_PreprocessMacros(benchmark::State &state) {
    run(state, make_script(kMacro, std::size(kMacro), static_cast<int>(state.range(0))));
}

void BM_PreprocessSkipped(benchmark::State &state) {
    std::string script = "#if 0\n" + make_script(kPlain, std::size(kPlain), static_cast<int>(state.range(0))) +
                         "#endif\n";
    run(state, script);
}

}  // namespace

BENCHMARK(BM_PreprocessPlain)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PreprocessMacros)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PreprocessSkipped)->Arg(10000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
