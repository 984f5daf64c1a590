# Front end benchmarks: lexing and parsing throughput.
if(benchmark_FOUND)
  add_executable(frontend_bench ${CMAKE_SOURCE_DIR}/bench/frontend_bench.cpp)
  target_link_libraries(frontend_bench PRIVATE vordel_frontend benchmark::benchmark)
endif()
