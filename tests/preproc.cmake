# Preprocessor fuzzing: a libFuzzer target built with clang (the project itself
# is built with the default compiler, so this is a separate compile), run for a
# bounded time as a test. Only in the plain build: the target carries its own
# sanitizers. Skipped when clang or its fuzzer runtime is missing.
find_program(VORDEL_CLANGXX NAMES clang++ clang++-14)
if(VORDEL_CLANGXX AND NOT VORDEL_SANITIZE)
  set(pp_fuzz_probe ${CMAKE_BINARY_DIR}/pp_fuzz_probe.cpp)
  file(WRITE ${pp_fuzz_probe}
       "#include <cstdint>\n#include <cstddef>\nextern \"C\" int LLVMFuzzerTestOneInput(const uint8_t *, size_t) { return 0; }\n")
  execute_process(COMMAND ${VORDEL_CLANGXX} -fsanitize=fuzzer,address,undefined ${pp_fuzz_probe}
                          -o ${CMAKE_BINARY_DIR}/pp_fuzz_probe
                  RESULT_VARIABLE pp_fuzz_probe_result OUTPUT_QUIET ERROR_QUIET)
  if(pp_fuzz_probe_result EQUAL 0)
    set(pp_fuzz_sources ${CMAKE_SOURCE_DIR}/frontend/preprocessor_fuzz.cpp
        ${CMAKE_SOURCE_DIR}/frontend/preprocessor.cpp ${CMAKE_SOURCE_DIR}/frontend/pp_input.cpp
        ${CMAKE_SOURCE_DIR}/frontend/pp_macro.cpp ${CMAKE_SOURCE_DIR}/frontend/pp_expr.cpp)
    set(pp_fuzz_bin ${CMAKE_BINARY_DIR}/pp_fuzz/preprocessor_fuzz)
    add_custom_command(
      OUTPUT ${pp_fuzz_bin}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/pp_fuzz
      COMMAND ${VORDEL_CLANGXX} -std=c++20 -g -O1 -Wall -Wextra -Werror
              -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all
              -I${CMAKE_SOURCE_DIR} ${pp_fuzz_sources} -o ${pp_fuzz_bin}
      DEPENDS ${pp_fuzz_sources} ${CMAKE_SOURCE_DIR}/frontend/preprocessor.h
              ${CMAKE_SOURCE_DIR}/frontend/pp_internal.h
      COMMENT "Building the preprocessor fuzz target with clang")
    add_custom_target(preprocessor_fuzz_build ALL DEPENDS ${pp_fuzz_bin})
    # The first corpus folder receives new inputs: a scratch folder, never the seeds.
    # The target works in a folder of its own under TMPDIR, so every path is absolute.
    set(pp_fuzz_dir ${CMAKE_BINARY_DIR}/pp_fuzz)
    add_test(NAME preproc.fuzz
             COMMAND sh -c "rm -rf \"$1\"/corpus \"$1\"/vordel-ppfuzz-* && mkdir \"$1\"/corpus && TMPDIR=\"$1\" exec \"$0\" -max_total_time=10 -max_len=4096 -timeout=10 -rss_limit_mb=1024 -artifact_prefix=\"$1\"/ -dict=\"$2\" \"$1\"/corpus \"$3\""
                     ${pp_fuzz_bin} ${pp_fuzz_dir} ${CMAKE_SOURCE_DIR}/tests/fuzz/preprocessor.dict
                     ${CMAKE_SOURCE_DIR}/tests/fuzz/preprocessor_seeds)
    set_tests_properties(preproc.fuzz PROPERTIES TIMEOUT 120)
  endif()
endif()
