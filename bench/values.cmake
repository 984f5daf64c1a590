# Value layer benchmarks: pool, number-to-text, array insert and scan.
if(benchmark_FOUND)
  add_executable(values_bench ${CMAKE_SOURCE_DIR}/bench/values_bench.cpp)
  target_link_libraries(values_bench PRIVATE vordel_core benchmark::benchmark)
endif()
