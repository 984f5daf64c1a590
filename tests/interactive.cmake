# The interactive mode's line editor in a real terminal (tmux, against a file
# target), and piped lines against the simulator on a pseudo-terminal (skipped,
# exit 77, while vordel cannot open the simulator's line as COM1).
if(Python3_FOUND)
  add_test(NAME interactive.tmux
           COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/interactive/interactive_test.py tmux
                   --vordel $<TARGET_FILE:vordel>)
  set_tests_properties(interactive.tmux PROPERTIES TIMEOUT 180 SKIP_RETURN_CODE 77)
  if(TARGET vordel-sim)
    add_test(NAME interactive.sim
             COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/interactive/interactive_test.py sim
                     --vordel $<TARGET_FILE:vordel> --sim $<TARGET_FILE:vordel-sim>)
    set_tests_properties(interactive.sim PROPERTIES TIMEOUT 300 SKIP_RETURN_CODE 77)
  endif()
endif()
