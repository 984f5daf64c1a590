# The raw-socket references for bench/ethernet.py: a one-byte TCP ping-pong
# and a plain sender of a file to port 9100.
add_executable(net_raw ${CMAKE_SOURCE_DIR}/bench/net_raw.cpp)
target_link_libraries(net_raw PRIVATE vordel_platform)

# The status round trip through the port layer and the Ethernet driver.
add_executable(ethernet_bench ${CMAKE_SOURCE_DIR}/bench/ethernet_bench.cpp)
target_link_libraries(ethernet_bench PRIVATE vordel_ports)
