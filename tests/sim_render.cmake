# The simulator's preview: its pictures against goldens, zbarimg and
# ImageMagick, and its fuzz target run for a bounded time (cmake/fuzz.cmake).
if(Python3_FOUND AND TARGET vordel-sim)
  add_test(NAME sim.render
           COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/sim/render_test.py
                   $<TARGET_FILE:vordel-sim> --vordel $<TARGET_FILE:vordel>)
  set_tests_properties(sim.render PROPERTIES TIMEOUT 300)
endif()

if(VORDEL_FUZZ_OK AND TARGET vordel-sim)
  set(render_fuzz_dir ${CMAKE_BINARY_DIR}/render_fuzz)
  vordel_fuzz_target(render_fuzz ${render_fuzz_dir}
    SOURCES ${CMAKE_SOURCE_DIR}/sim/render_fuzz.cpp ${CMAKE_SOURCE_DIR}/sim/render.cpp
            ${CMAKE_SOURCE_DIR}/sim/render_glyphs.cpp ${CMAKE_SOURCE_DIR}/sim/reader.cpp
            ${CMAKE_SOURCE_DIR}/sim/commands.cpp
    DEPENDS ${CMAKE_SOURCE_DIR}/sim/render.h ${CMAKE_SOURCE_DIR}/sim/render_glyphs.h
            ${CMAKE_SOURCE_DIR}/sim/render_png.h ${CMAKE_SOURCE_DIR}/sim/reader.h
            ${CMAKE_SOURCE_DIR}/sim/commands.h)
  add_test(NAME sim.render_fuzz
           COMMAND sh -c "rm -rf \"$1\"/corpus && mkdir \"$1\"/corpus && exec \"$0\" -seed=1 -max_total_time=10 -max_len=4096 -timeout=10 -rss_limit_mb=1024 -artifact_prefix=\"$1\"/ -dict=\"$2\" \"$1\"/corpus"
                   ${render_fuzz_dir}/render_fuzz ${render_fuzz_dir} ${CMAKE_SOURCE_DIR}/tests/fuzz/render.dict)
  set_tests_properties(sim.render_fuzz PROPERTIES TIMEOUT 120)
endif()
