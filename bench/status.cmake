# A raw one-byte ping-pong over a pseudo-terminal, the floor that
# bench/status_roundtrip.py compares vordel's DLE_EOT round trips with.
add_executable(pty_pingpong ${CMAKE_SOURCE_DIR}/bench/pty_pingpong.cpp)
target_link_libraries(pty_pingpong PRIVATE vordel_platform)
