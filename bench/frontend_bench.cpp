// Speed of the front end: lexing and parsing a large script.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "core/node.h"
#include "frontend/lexer.h"
#include "frontend/parser.h"

namespace {

// A BEGIN block of `lines` typical printer-script statements.
std::string make_script(int lines) {
    const char *const body[] = {
        "    output ESC, '@', GS, 'V', 66, 0\n",
        "    total += price[item] * count - discount << 1\n",
        "    if (x ~ /^[0-9]+$/ && y != \"\") printf \"%-12s %6d\\n\", name, value\n",
        "    for (i = 0; i < n; i++) { s = s sprintf(\"%02X\", 'A' + i) }\n",
        "    @ 0x1B, 1Bh, 00011011b, \"text with \\\"quotes\\\"\", LF\n",
    };
    std::string s = "BEGIN {\n";
    for (int i = 0; i < lines; i++) s += body[i % std::size(body)];
    return s + "}\n";
}

void BM_ParseScript(benchmark::State &state) {
    init_null_string();
    std::string script = make_script(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        FILE *in = fmemopen(script.data(), script.size(), "r");
        parser_reset();
        lexer_open(in, "bench.vd");
        benchmark::DoNotOptimize(yyparse());
        std::fclose(in);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(script.size()));
    state.counters["lines/s"] = benchmark::Counter(static_cast<double>(state.iterations() * state.range(0)),
                                                   benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ParseScript)->Arg(1000)->Arg(20000);

}  // namespace

BENCHMARK_MAIN();
