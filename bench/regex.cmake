# Regex search speed beside the C library's regexec on the same text.
if(benchmark_FOUND)
  add_executable(regex_bench ${CMAKE_SOURCE_DIR}/bench/regex_bench.cpp
                 ${CMAKE_SOURCE_DIR}/core/regex.cpp ${CMAKE_SOURCE_DIR}/core/regex_search.cpp)
  target_include_directories(regex_bench PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_libraries(regex_bench PRIVATE benchmark::benchmark)
endif()
