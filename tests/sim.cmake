# The simulator over its pseudo-terminal, and vordel against it (the
# simulator's line mapped to COM1).
if(Python3_FOUND AND TARGET vordel-sim)
  add_test(NAME sim.pty
           COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/sim/sim_test.py $<TARGET_FILE:vordel-sim>)
  set_tests_properties(sim.pty PROPERTIES TIMEOUT 300)
  add_test(NAME sim.vordel
           COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/sim/vordel_sim_test.py
                   $<TARGET_FILE:vordel> $<TARGET_FILE:vordel-sim>)
  set_tests_properties(sim.vordel PROPERTIES TIMEOUT 600)
  add_test(NAME sim.status
           COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/sim/status_sim_test.py
                   $<TARGET_FILE:vordel> $<TARGET_FILE:vordel-sim>)
  set_tests_properties(sim.status PROPERTIES TIMEOUT 600 SKIP_RETURN_CODE 77)
endif()
if(Python3_FOUND AND TARGET vordel-sim)
  add_test(NAME sim.scan
           COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/sim/scan_test.py
                   $<TARGET_FILE:vordel> $<TARGET_FILE:vordel-sim>)
  set_tests_properties(sim.scan PROPERTIES TIMEOUT 600 SKIP_RETURN_CODE 77)
endif()

# vordel and the simulator on the network, each test on its own loopback address.
if(Python3_FOUND AND TARGET vordel-sim)
  add_test(NAME sim.ethernet
           COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/sim/ethernet_test.py
                   $<TARGET_FILE:vordel> $<TARGET_FILE:vordel-sim>)
  set_tests_properties(sim.ethernet PROPERTIES TIMEOUT 300)
endif()
