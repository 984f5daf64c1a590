# Console behaviour of the builtins: a probe program drives the console layer
# over pipes and in a real terminal (tmux).
add_executable(console_probe ${CMAKE_SOURCE_DIR}/tests/console/console_probe.cpp)
target_link_libraries(console_probe PRIVATE vordel_core)

if(Python3_FOUND)
  foreach(mode pipe tmux)
    add_test(NAME console.${mode}
             COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/console/console_test.py ${mode}
                     --probe $<TARGET_FILE:console_probe>)
    set_tests_properties(console.${mode} PROPERTIES TIMEOUT 120 SKIP_RETURN_CODE 77)
  endforeach()
endif()

# The console builtins from a real script, and start-up (usage pause, Ctrl+C,
# window title), in tmux with the vordel binary.
if(Python3_FOUND)
  foreach(mode script startup)
    add_test(NAME console.${mode}
             COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/console/console_test.py ${mode}
                     --vordel $<TARGET_FILE:vordel>)
    set_tests_properties(console.${mode} PROPERTIES TIMEOUT 120 SKIP_RETURN_CODE 77)
  endforeach()
endif()
