# Evaluator benchmarks: statements per second over parsed scripts.
if(benchmark_FOUND)
  add_executable(eval_bench ${CMAKE_SOURCE_DIR}/bench/eval_bench.cpp)
  target_link_libraries(eval_bench PRIVATE vordel_frontend benchmark::benchmark)
endif()
