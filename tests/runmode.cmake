# Format engine against the C library's snprintf.
add_executable(format_diff ${CMAKE_SOURCE_DIR}/tests/format/format_diff.cpp)
target_link_libraries(format_diff PRIVATE vordel_core)
add_test(NAME format_diff COMMAND format_diff)

# Every example script runs to a clean end with no printer attached.
file(GLOB VORDEL_EXAMPLES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/examples/*.vd)
foreach(example ${VORDEL_EXAMPLES})
  get_filename_component(example_name ${example} NAME_WE)
  add_test(NAME example.${example_name} COMMAND vordel ${example})
  set_tests_properties(example.${example_name} PROPERTIES TIMEOUT 60)
endforeach()
