# Regex engine fuzzing, run for a bounded time as a test (see cmake/fuzz.cmake).
if(VORDEL_FUZZ_OK)
  set(re_fuzz_dir ${CMAKE_BINARY_DIR}/regex_fuzz)
  vordel_fuzz_target(regex_fuzz ${re_fuzz_dir}
    SOURCES ${CMAKE_SOURCE_DIR}/core/regex_fuzz.cpp ${CMAKE_SOURCE_DIR}/core/regex.cpp
            ${CMAKE_SOURCE_DIR}/core/regex_search.cpp
    DEPENDS ${CMAKE_SOURCE_DIR}/core/regex.h ${CMAKE_SOURCE_DIR}/core/regex_internal.h)
  # A fresh scratch corpus each run, seeded by the dictionary of dialect tokens.
  add_test(NAME regex.fuzz
           COMMAND sh -c "rm -rf \"$1\"/corpus && mkdir \"$1\"/corpus && exec \"$0\" -seed=1 -max_total_time=10 -max_len=256 -timeout=10 -rss_limit_mb=1024 -artifact_prefix=\"$1\"/ -dict=\"$2\" \"$1\"/corpus"
                   ${re_fuzz_dir}/regex_fuzz ${re_fuzz_dir} ${CMAKE_SOURCE_DIR}/tests/fuzz/regex.dict)
  set_tests_properties(regex.fuzz PROPERTIES TIMEOUT 120)
endif()
