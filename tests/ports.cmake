# The device drivers end to end: every target kind mapped to a pseudo-terminal.
if(Python3_FOUND)
  add_test(NAME ports.devices
           COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/ports/device_test.py $<TARGET_FILE:vordel>)
  set_tests_properties(ports.devices PROPERTIES TIMEOUT 600)
endif()
