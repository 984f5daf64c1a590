# The Windows build (cmake/mingw-w64.cmake): GoogleTest from Debian's
# sources and the tests that run through Wine.

# GCC checks printf formats against the system library's dialect here, not
# the C99 one the build uses (__USE_MINGW_ANSI_STDIO); Linux checks them.
add_compile_options(-Wno-format)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
foreach(lib gtest gtest_main gmock gmock_main)
  target_compile_options(${lib} PRIVATE -Wno-error)
  if(NOT TARGET GTest::${lib})
    add_library(GTest::${lib} ALIAS ${lib})
  endif()
endforeach()

# Wine runs every test program; the prefix lives in the build folder and is
# made (headless) by the fixture below.
set(VORDEL_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix CACHE PATH "Wine prefix the tests use")
# Left out: a read-only folder and gtest's regular expressions differ on
# Windows, and the binary-read test writes its own file with text-mode line
# ends there.
set(VORDEL_WINE_UNIT_FILTER
    "-Preprocess.UnwritableOutput:Values.ReadEscapeAtEndAndBeforeNewline:SameFile.BothSlashKindsAndBinaryReads")
set(VORDEL_WINE_ENV WINEPREFIX=${VORDEL_WINEPREFIX} WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml= DISPLAY=)

# Called once every target exists.
function(vordel_windows_tests)
  # Linux finds gmock's headers beside gtest's; here it comes from source.
  target_link_libraries(vordel_tests PRIVATE gmock)
  set(wine_sh ${CMAKE_SOURCE_DIR}/tests/windows/wine_prefix.sh)
  add_test(NAME win.prefix COMMAND bash ${wine_sh} start ${VORDEL_WINE})
  add_test(NAME win.prefix_stop COMMAND bash ${wine_sh} stop ${VORDEL_WINE})
  set_tests_properties(win.prefix PROPERTIES FIXTURES_SETUP wine TIMEOUT 300)
  set_tests_properties(win.prefix_stop PROPERTIES FIXTURES_CLEANUP wine)
  set_tests_properties(win.prefix win.prefix_stop PROPERTIES ENVIRONMENT "${VORDEL_WINE_ENV}")

  # Unit tests without a device, in one Wine process (the Linux-only ones
  # are not built here: see the folders' CMakeLists.txt).
  add_test(NAME win.unit COMMAND ${VORDEL_WINE} $<TARGET_FILE:vordel_tests>
                                 --gtest_filter=${VORDEL_WINE_UNIT_FILTER})
  set_tests_properties(win.unit PROPERTIES TIMEOUT 600)
  set(wine_tests win.unit)

  find_package(Python3 COMPONENTS Interpreter)
  if(Python3_FOUND)
    file(GLOB cases LIST_DIRECTORIES true CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/e2e/cases/*)
    file(STRINGS ${CMAKE_SOURCE_DIR}/tests/windows/e2e_not_under_wine.txt skipped REGEX "^[a-z]")
    list(TRANSFORM skipped REPLACE "[ \t].*" "")
    foreach(case_dir ${cases})
      get_filename_component(case_name ${case_dir} NAME)
      if(NOT IS_DIRECTORY ${case_dir} OR case_name IN_LIST skipped)
        continue()
      endif()
      add_test(NAME win.e2e.${case_name}
               COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/e2e/run_cases.py
                       --wine ${VORDEL_WINE} --vordel $<TARGET_FILE:vordel> ${case_dir})
      set_tests_properties(win.e2e.${case_name} PROPERTIES TIMEOUT 300)
      list(APPEND wine_tests win.e2e.${case_name})
    endforeach()

    # Ethernet end to end against the Linux build's simulator: Wine's sockets
    # are the host's (skipped when that simulator is not built).
    set(VORDEL_NATIVE_SIM ${CMAKE_SOURCE_DIR}/build/sim/vordel-sim CACHE FILEPATH
        "vordel-sim of the Linux build, for the Ethernet cases under Wine")
    add_test(NAME win.ethernet
             COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/sim/ethernet_test.py --wine ${VORDEL_WINE}
                     $<TARGET_FILE:vordel> ${VORDEL_NATIVE_SIM})
    set_tests_properties(win.ethernet PROPERTIES TIMEOUT 300 SKIP_RETURN_CODE 77)
    list(APPEND wine_tests win.ethernet)

    # Serial end to end: the prefix's COMn are links the test points at its
    # pseudo-terminals.
    add_test(NAME win.serial
             COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/ports/device_test.py --wine ${VORDEL_WINE}
                     $<TARGET_FILE:vordel>)
    set_tests_properties(win.serial PROPERTIES TIMEOUT 600)
    list(APPEND wine_tests win.serial)
  endif()
  set_tests_properties(${wine_tests} PROPERTIES FIXTURES_REQUIRED wine ENVIRONMENT "${VORDEL_WINE_ENV}")
endfunction()

