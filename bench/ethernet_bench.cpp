// The status round trip over the Ethernet driver, as DLE EOT 1 makes it:
// the request in one port_send_now, then port_recv_reply in mode 2. Needs a
// printer (vordel-sim --net) at ADDRESS.
//   ethernet_bench ADDRESS N    prints the seconds per round trip
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "base/port_ops.h"
#include "platform/sockets.h"
#include "ports/port_sets.h"

int main(int argc, char **argv) {
    Ipv4 address;
    if (argc != 3 || !ipv4_from_text(argv[1], &address)) {
        std::fprintf(stderr, "usage: ethernet_bench ADDRESS N\n");
        return 2;
    }
    long trips = std::atol(argv[2]);
    const uint8_t request[] = {0x10, 0x04, 0x01};
    TargetSettings target;
    target.kind = PortKind::Ethernet;
    target.ip = address;
    current_port = device_port_ops;
    if (current_port.port_open(target) != 1) return 1;
    auto start = std::chrono::steady_clock::now();
    for (long i = 0; i < trips; ++i) {
        if (current_port.port_send_now(request, 3) != 1 || current_port.port_recv_reply(2) < 0) return 1;
    }
    std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    current_port.port_close(1);
    std::printf("%.9f\n", took.count() / static_cast<double>(trips));
    return 0;
}
