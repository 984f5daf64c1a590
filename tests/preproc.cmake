# Preprocessor fuzzing, run for a bounded time as a test (see cmake/fuzz.cmake).
if(VORDEL_FUZZ_OK)
  set(pp_fuzz_dir ${CMAKE_BINARY_DIR}/pp_fuzz)
  vordel_fuzz_target(preprocessor_fuzz ${pp_fuzz_dir}
    SOURCES ${CMAKE_SOURCE_DIR}/frontend/preprocessor_fuzz.cpp
            ${CMAKE_SOURCE_DIR}/frontend/preprocessor.cpp ${CMAKE_SOURCE_DIR}/frontend/pp_input.cpp
            ${CMAKE_SOURCE_DIR}/frontend/pp_macro.cpp ${CMAKE_SOURCE_DIR}/frontend/pp_expr.cpp
    DEPENDS ${CMAKE_SOURCE_DIR}/frontend/preprocessor.h ${CMAKE_SOURCE_DIR}/frontend/pp_internal.h)
  # The first corpus folder receives new inputs: a scratch folder, never the seeds.
  # The target works in a folder of its own under TMPDIR, so every path is absolute.
  add_test(NAME preproc.fuzz
           COMMAND sh -c "rm -rf \"$1\"/corpus \"$1\"/vordel-ppfuzz-* && mkdir \"$1\"/corpus && TMPDIR=\"$1\" exec \"$0\" -max_total_time=10 -max_len=4096 -timeout=10 -rss_limit_mb=1024 -artifact_prefix=\"$1\"/ -dict=\"$2\" \"$1\"/corpus \"$3\""
                   ${pp_fuzz_dir}/preprocessor_fuzz ${pp_fuzz_dir} ${CMAKE_SOURCE_DIR}/tests/fuzz/preprocessor.dict
                   ${CMAKE_SOURCE_DIR}/tests/fuzz/preprocessor_seeds)
  set_tests_properties(preproc.fuzz PROPERTIES TIMEOUT 120)
endif()
