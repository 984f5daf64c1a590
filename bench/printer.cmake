# QR encoder beside the reference library (benchmark only, never in vordel).
find_library(QRENCODE_LIBRARY qrencode)
find_path(QRENCODE_INCLUDE_DIR qrencode.h)
if(QRENCODE_LIBRARY AND QRENCODE_INCLUDE_DIR)
  add_executable(qr_bench ${CMAKE_SOURCE_DIR}/bench/qr_bench.cpp ${CMAKE_SOURCE_DIR}/printer/qr_encode.cpp)
  target_include_directories(qr_bench PRIVATE ${CMAKE_SOURCE_DIR} ${QRENCODE_INCLUDE_DIR})
  target_link_libraries(qr_bench PRIVATE ${QRENCODE_LIBRARY})
endif()
