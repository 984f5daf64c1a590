// Speed of the executor and evaluator: each benchmark parses one script once
// and runs its BEGIN block per iteration. Items are loop passes.
#include <benchmark/benchmark.h>

#include <cstring>
#include <map>
#include <string>

#include "core/eval.h"
#include "core/fields.h"
#include "frontend/frontend_test_util.h"

namespace {

void set_var(const char *name, const char *text) {
    NODE *var = variable(name);
    var->left = make_str_node(text, std::strlen(text), 0);
}

// The BEGIN block of `script`, parsed on first use (functions may be defined
// once only).
NODE *parsed(const std::string &script) {
    static std::map<std::string, NODE *> trees;
    auto it = trees.find(script);
    if (it != trees.end()) return it->second;
    init_null_string();
    set_var("FS", " ");
    set_var("RS", "\n");
    set_var("OFS", " ");
    init_fields();
    ScriptInput input(script);
    NODE *tree = yyparse() == 0 ? begin_block : nullptr;
    trees[script] = tree;
    return tree;
}

// Times interpret on the script's BEGIN block; its loops run `passes` times.
void run_script(benchmark::State &state, const std::string &script, int64_t passes) {
    NODE *tree = parsed(script);
    if (!tree) state.SkipWithError("parse failed");
    for (auto _ : state) interpret(tree);
    state.SetItemsProcessed(state.iterations() * passes);
}

void BM_ArithmeticLoop(benchmark::State &state) {
    run_script(state, "BEGIN { s = 0; for (i = 0; i < 100000; i++) s += i * 3 % 7 }\n", 100000);
}
BENCHMARK(BM_ArithmeticLoop);

void BM_FunctionCalls(benchmark::State &state) {
    run_script(state,
               "function bm_inc(x, y) { return x + y }\n"
               "BEGIN { s = 0; for (i = 0; i < 100000; i++) s = bm_inc(s, i) }\n",
               100000);
}
BENCHMARK(BM_FunctionCalls);

void BM_StringsAndCompare(benchmark::State &state) {
    run_script(state,
               "BEGIN { n = 0; for (i = 0; i < 100000; i++) { t = \"ab\" i; if (t == \"ab77\") n++ } }\n",
               100000);
}
BENCHMARK(BM_StringsAndCompare);

void BM_RecordSplit(benchmark::State &state) {
    run_script(state,
               "BEGIN { n = 0; for (i = 0; i < 100000; i++) { $0 = \"alpha beta gamma delta \" i; n += NF; "
               "x = $3 } }\n",
               100000);
}
BENCHMARK(BM_RecordSplit);

void BM_ArrayUpdate(benchmark::State &state) {
    run_script(state, "BEGIN { for (i = 0; i < 100000; i++) bm_a[i % 100] += i }\n", 100000);
}
BENCHMARK(BM_ArrayUpdate);

}  // namespace

BENCHMARK_MAIN();
