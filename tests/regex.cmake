# Regex engine fuzzing: a libFuzzer target built with clang (a separate compile
# of the engine alone), run for a bounded time. Only in the plain build: the
# target carries its own sanitizers. Skipped when clang or its fuzzer runtime is
# missing.
find_program(VORDEL_CLANGXX NAMES clang++ clang++-14)
if(VORDEL_CLANGXX AND NOT VORDEL_SANITIZE)
  set(re_fuzz_probe ${CMAKE_BINARY_DIR}/re_fuzz_probe.cpp)
  file(WRITE ${re_fuzz_probe}
       "#include <cstdint>\n#include <cstddef>\nextern \"C\" int LLVMFuzzerTestOneInput(const uint8_t *, size_t) { return 0; }\n")
  execute_process(COMMAND ${VORDEL_CLANGXX} -fsanitize=fuzzer,address,undefined ${re_fuzz_probe}
                          -o ${CMAKE_BINARY_DIR}/re_fuzz_probe
                  RESULT_VARIABLE re_fuzz_probe_result OUTPUT_QUIET ERROR_QUIET)
  if(re_fuzz_probe_result EQUAL 0)
    set(re_fuzz_sources ${CMAKE_SOURCE_DIR}/core/regex_fuzz.cpp ${CMAKE_SOURCE_DIR}/core/regex.cpp
        ${CMAKE_SOURCE_DIR}/core/regex_search.cpp)
    set(re_fuzz_dir ${CMAKE_BINARY_DIR}/regex_fuzz)
    set(re_fuzz_bin ${re_fuzz_dir}/regex_fuzz)
    add_custom_command(
      OUTPUT ${re_fuzz_bin}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${re_fuzz_dir}
      COMMAND ${VORDEL_CLANGXX} -std=c++20 -g -O1 -Wall -Wextra -Werror
              -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all
              -I${CMAKE_SOURCE_DIR} ${re_fuzz_sources} -o ${re_fuzz_bin}
      DEPENDS ${re_fuzz_sources} ${CMAKE_SOURCE_DIR}/core/regex.h ${CMAKE_SOURCE_DIR}/core/regex_internal.h
      COMMENT "Building the regex fuzz target with clang")
    add_custom_target(regex_fuzz_build ALL DEPENDS ${re_fuzz_bin})
    # A fresh scratch corpus each run, seeded by the dictionary of dialect tokens.
    add_test(NAME regex.fuzz
             COMMAND sh -c "rm -rf \"$1\"/corpus && mkdir \"$1\"/corpus && exec \"$0\" -seed=1 -max_total_time=10 -max_len=256 -timeout=10 -rss_limit_mb=1024 -artifact_prefix=\"$1\"/ -dict=\"$2\" \"$1\"/corpus"
                     ${re_fuzz_bin} ${re_fuzz_dir} ${CMAKE_SOURCE_DIR}/tests/fuzz/regex.dict)
    set_tests_properties(regex.fuzz PROPERTIES TIMEOUT 120)
  endif()
endif()
