# Builtin benchmarks: gsub over long texts, index, jlength.
if(benchmark_FOUND)
  add_executable(builtins_bench ${CMAKE_SOURCE_DIR}/bench/builtins_bench.cpp)
  target_link_libraries(builtins_bench PRIVATE vordel_core benchmark::benchmark)
endif()
