# Ctrl+C at random moments: 50 runs per script, each checked for the break
# message, status 1, no temporary file left and no data or terminal mode lost.
# (The usage pause, Ctrl+C and the window title in a terminal: console.startup.)
if(Python3_FOUND)
  add_test(NAME startup.break_driver
           COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/startup/break_driver.py
                   --vordel $<TARGET_FILE:vordel> --runs 50)
  set_tests_properties(startup.break_driver PROPERTIES TIMEOUT 600)
endif()
