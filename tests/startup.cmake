# Start-up in a real terminal (tmux): the usage pause, Ctrl+C, the window title.
if(Python3_FOUND)
  add_test(NAME startup.terminal
           COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/startup/terminal_test.py
                   --vordel $<TARGET_FILE:vordel>)
  set_tests_properties(startup.terminal PROPERTIES TIMEOUT 120 SKIP_RETURN_CODE 77)
endif()
