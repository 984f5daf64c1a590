# Pictures and QR codes judged by independent tools: ImageMagick makes the
# BMPs and reads them back, zbarimg decodes the symbols sent.
if(Python3_FOUND)
  add_test(NAME printer.images
           COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/printer/image_test.py
                   --vordel $<TARGET_FILE:vordel>)
  add_test(NAME printer.qr_zbar
           COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/printer/qr_zbar_test.py
                   --vordel $<TARGET_FILE:vordel>)
  set_tests_properties(printer.images printer.qr_zbar PROPERTIES TIMEOUT 300 SKIP_RETURN_CODE 77)
endif()

# BMP reader fuzzing, run for a bounded time as a test (see cmake/fuzz.cmake).
# The malloc limit catches any allocation beyond the reader's bound.
if(VORDEL_FUZZ_OK)
  set(bmp_fuzz_dir ${CMAKE_BINARY_DIR}/bmp_fuzz)
  vordel_fuzz_target(bmp_fuzz ${bmp_fuzz_dir}
    SOURCES ${CMAKE_SOURCE_DIR}/printer/bmp_reader_fuzz.cpp ${CMAKE_SOURCE_DIR}/printer/bmp_reader.cpp
    DEPENDS ${CMAKE_SOURCE_DIR}/printer/bmp_reader.h)
  add_test(NAME printer.bmp_fuzz
           COMMAND sh -c "rm -rf \"$1\"/corpus && mkdir \"$1\"/corpus && exec \"$0\" -seed=1 -max_total_time=10 -max_len=4096 -timeout=10 -rss_limit_mb=1024 -malloc_limit_mb=80 -artifact_prefix=\"$1\"/ \"$1\"/corpus \"$2\""
                   ${bmp_fuzz_dir}/bmp_fuzz ${bmp_fuzz_dir} ${CMAKE_SOURCE_DIR}/tests/fuzz/bmp_seeds)
  set_tests_properties(printer.bmp_fuzz PROPERTIES TIMEOUT 120)
endif()
