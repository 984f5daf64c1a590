# Format engine against the C library's snprintf.
add_executable(format_diff ${CMAKE_SOURCE_DIR}/tests/format/format_diff.cpp)
target_link_libraries(format_diff PRIVATE vordel_objs)
add_test(NAME format_diff COMMAND format_diff)
