// Speed of the value layer every evaluation step goes through.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/node.h"

namespace {

// Take and release a temporary number, the commonest node life.
void BM_NodeTakeRelease(benchmark::State &state) {
    init_null_string();
    for (auto _ : state) {
        NODE *n = make_temp_number(7);
        benchmark::DoNotOptimize(n);
        unref(n);
    }
}
BENCHMARK(BM_NodeTakeRelease);

// Many live nodes at once: the pool grows block by block.
void BM_NodeBurst(benchmark::State &state) {
    std::vector<NODE *> live(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        for (NODE *&n : live) n = newnode(T_VALUE);
        for (NODE *n : live) free_node(n);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_NodeBurst)->Arg(10000);

// Number to text: the digit table (0..9) and the OFMT path.
void BM_ForceString(benchmark::State &state) {
    init_null_string();
    auto value = static_cast<int32_t>(state.range(0));
    for (auto _ : state) {
        NODE *n = make_temp_number(value);
        benchmark::DoNotOptimize(force_string(n));
        unref(n);
    }
}
BENCHMARK(BM_ForceString)->Arg(7)->Arg(-123456789);

// Text to number of a multi-digit integer and of a decimal fraction.
void BM_ForceNumber(benchmark::State &state) {
    init_null_string();
    const char *text = state.range(0) ? "  -2.5e3 " : "123456";
    NODE *n = make_str_node(text, std::strlen(text), 0);
    for (auto _ : state) {
        n->flags &= static_cast<uint8_t>(~NODE_NUM_VALID);
        benchmark::DoNotOptimize(force_number(n));
    }
    unref(n);
}
BENCHMARK(BM_ForceNumber)->Arg(0)->Arg(1);

// Insert distinct keys into one array, then scan it fully. With 127 fixed
// buckets the chains grow to about keys/127 elements.
void BM_ArrayFillAndScan(benchmark::State &state) {
    init_null_string();
    const auto keys = static_cast<int>(state.range(0));
    for (auto _ : state) {
        NODE *array = newnode(T_VAR);
        array->left = null_string;
        array->table = nullptr;
        char text[16];
        for (int i = 0; i < keys; ++i) {
            int len = std::snprintf(text, sizeof text, "k%d", i);
            NODE **slot = assoc_lookup(array, make_temp_string(text, static_cast<size_t>(len)));
            *slot = make_number(i);
        }
        int64_t seen = 0;
        for (ScanCursor *c = assoc_scan(array); c; c = assoc_next(c)) ++seen;
        if (seen != keys) state.SkipWithError("scan lost elements");
        assoc_clear(array);
        std::free(array->table);
        free_node(array);
    }
    state.SetItemsProcessed(state.iterations() * keys);
}
BENCHMARK(BM_ArrayFillAndScan)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// Scanning alone, so its cost is not hidden behind the inserts.
void BM_ArrayScanOnly(benchmark::State &state) {
    init_null_string();
    NODE *array = newnode(T_VAR);
    array->left = null_string;
    array->table = nullptr;
    char text[16];
    for (int i = 0; i < state.range(0); ++i) {
        int len = std::snprintf(text, sizeof text, "k%d", i);
        *assoc_lookup(array, make_temp_string(text, static_cast<size_t>(len))) = make_number(i);
    }
    for (auto _ : state) {
        for (ScanCursor *c = assoc_scan(array); c; c = assoc_next(c)) benchmark::DoNotOptimize(c->subscript);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    assoc_clear(array);
    std::free(array->table);
    free_node(array);
}
BENCHMARK(BM_ArrayScanOnly)->Arg(1000000)->Unit(benchmark::kMillisecond);

// Fill with numeric subscripts, then delete them in insertion order: each
// deleted element is the oldest, at the far end of its chain.
void BM_ArrayDeleteOldestFirst(benchmark::State &state) {
    init_null_string();
    const auto keys = static_cast<int32_t>(state.range(0));
    for (auto _ : state) {
        NODE *array = newnode(T_VAR);
        array->left = null_string;
        array->table = nullptr;
        for (int32_t i = 0; i < keys; ++i) *assoc_lookup(array, force_string(make_temp_number(i))) = make_number(i);
        for (int32_t i = 0; i < keys; ++i) do_delete(array, force_string(make_temp_number(i)));
        if (assoc_scan(array)) state.SkipWithError("delete left elements");
        std::free(array->table);
        free_node(array);
    }
    state.SetItemsProcessed(state.iterations() * keys);
}
BENCHMARK(BM_ArrayDeleteOldestFirst)->Arg(30000)->Arg(300000)->Unit(benchmark::kMillisecond);

// A short text copied and released: what storing a number's text costs.
void BM_DupShortString(benchmark::State &state) {
    init_null_string();
    NODE *n = make_str_node("123456", 6, 0);
    for (auto _ : state) {
        NODE *copy = dupnode(n);
        benchmark::DoNotOptimize(copy);
        unref(copy);
    }
    unref(n);
}
BENCHMARK(BM_DupShortString);

}  // namespace

BENCHMARK_MAIN();
