# libFuzzer targets, compiled with clang apart from the project (which uses the
# default compiler) and carrying their own sanitizers, so they exist only in a
# build without VORDEL_SANITIZE, and only when asked for with VORDEL_FUZZ (the
# test command does). VORDEL_FUZZ_OK is false when clang or its fuzzer runtime
# is missing.
option(VORDEL_FUZZ "Build the libFuzzer targets and run each briefly as a test" OFF)
find_program(VORDEL_CLANGXX NAMES clang++ clang++-14)
set(VORDEL_FUZZ_OK FALSE)
if(VORDEL_FUZZ AND VORDEL_CLANGXX AND NOT VORDEL_SANITIZE)
  set(probe ${CMAKE_BINARY_DIR}/fuzz_probe.cpp)
  file(WRITE ${probe}
       "#include <cstdint>\n#include <cstddef>\nextern \"C\" int LLVMFuzzerTestOneInput(const uint8_t *, size_t) { return 0; }\n")
  execute_process(COMMAND ${VORDEL_CLANGXX} -fsanitize=fuzzer,address,undefined ${probe}
                          -o ${CMAKE_BINARY_DIR}/fuzz_probe
                  RESULT_VARIABLE probe_result OUTPUT_QUIET ERROR_QUIET)
  if(probe_result EQUAL 0)
    set(VORDEL_FUZZ_OK TRUE)
  endif()
endif()

# vordel_fuzz_target(NAME DIR SOURCES src... DEPENDS header... [FLAGS flag...]):
# builds DIR/NAME from the sources as part of `all`.
function(vordel_fuzz_target name dir)
  cmake_parse_arguments(FUZZ "" "" "SOURCES;DEPENDS;FLAGS" ${ARGN})
  set(werror "")
  if(VORDEL_WERROR)
    set(werror -Werror)
  endif()
  add_custom_command(
    OUTPUT ${dir}/${name}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND ${VORDEL_CLANGXX} -std=c++20 -g -O1 -Wall -Wextra ${werror}
            -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all
            -I${CMAKE_SOURCE_DIR} ${FUZZ_FLAGS} ${FUZZ_SOURCES} -o ${dir}/${name}
    DEPENDS ${FUZZ_SOURCES} ${FUZZ_DEPENDS}
    COMMENT "Building the ${name} fuzz target with clang")
  add_custom_target(${name}_build ALL DEPENDS ${dir}/${name})
endfunction()
