# Preprocessor benchmarks: throughput on plain text and on macro-heavy scripts.
if(benchmark_FOUND)
  add_executable(preproc_bench ${CMAKE_SOURCE_DIR}/bench/preproc_bench.cpp)
  target_link_libraries(preproc_bench PRIVATE vordel_frontend benchmark::benchmark)
endif()
