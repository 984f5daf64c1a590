# The port layer over a fake driver: send throughput, reply latency, the
# processor time of an idle reply wait.
add_executable(port_bench ${CMAKE_SOURCE_DIR}/bench/port_bench.cpp)
target_link_libraries(port_bench PRIVATE vordel_ports)
