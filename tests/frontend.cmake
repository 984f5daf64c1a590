# Front end: bounded fuzzing of the lexer and grammar (a few seconds).
add_executable(parse_fuzz ${CMAKE_SOURCE_DIR}/tests/frontend/parse_fuzz.cpp)
target_link_libraries(parse_fuzz PRIVATE vordel_frontend)
add_test(NAME parse_fuzz COMMAND parse_fuzz 1500)
# Sanitizer reports must not pass for the exit status of a reported error.
set_tests_properties(parse_fuzz PROPERTIES TIMEOUT 120
                     ENVIRONMENT "ASAN_OPTIONS=exitcode=86;UBSAN_OPTIONS=exitcode=87")
