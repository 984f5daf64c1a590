# The parser is generated from frontend/grammar.y into the build directory.
find_package(BISON 3 REQUIRED)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/frontend)
bison_target(vordel_grammar ${CMAKE_SOURCE_DIR}/frontend/grammar.y
             ${CMAKE_BINARY_DIR}/frontend/grammar.cpp
             DEFINES_FILE ${CMAKE_BINARY_DIR}/frontend/grammar.hpp
             COMPILE_FLAGS "-Wall -Wno-counterexamples -Werror")
list(APPEND VORDEL_GENERATED_SOURCES ${BISON_vordel_grammar_OUTPUTS})
# With our own stack growth the generator's out-of-memory label goes unused.
set_source_files_properties(${BISON_vordel_grammar_OUTPUTS} PROPERTIES COMPILE_OPTIONS "-Wno-unused-label")
