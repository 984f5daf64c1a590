// Raw socket references for the Ethernet benchmarks.
//   net_raw pingpong ADDRESS N   N one-byte round trips over TCP on ADDRESS
//                                (its own echo side on port 9101); prints
//                                the seconds per round trip
//   net_raw echo ADDRESS -       the echo side alone, for
//   net_raw pingpong-to ADDRESS N  a ping-pong between two processes
//   net_raw status ADDRESS N     N requests DLE EOT 1 to ADDRESS:9100, each
//                                waiting for its reply byte; seconds per trip
//   net_raw send ADDRESS FILE    writes FILE to ADDRESS:9100 and closes, as
//                                vordel -o does: once the system has it all
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/descriptors.h"
#include "platform/sockets.h"

namespace {

bool wait_for(const Socket &s, bool write) {
    WaitItem item{s.fd(), !write, write};
    return wait_descriptors({&item, 1}, 10000) > 0;
}

bool send_all(Socket &s, const uint8_t *data, size_t size) {
    while (size > 0) {
        long n = s.send_some(data, size);
        if (n < 0) return false;
        data += n;
        size -= static_cast<size_t>(n);
        if (size > 0 && !wait_for(s, true)) return false;
    }
    return true;
}

bool receive_byte(Socket &s, uint8_t *b) {
    for (;;) {
        long n = s.receive_some(b, 1);
        if (n == 1) return true;
        if (n != -1 || !wait_for(s, false)) return false;
    }
}

void echo_one(Socket &listener) {
    while (!wait_for(listener, false)) {
    }
    Socket peer = listener.accept_one();
    uint8_t b;
    while (receive_byte(peer, &b) && send_all(peer, &b, 1)) {
    }
}

int client_trips(const Ipv4 &address, long trips) {
    Socket client = Socket::tcp();
    if (client.connect_to(address, 9101, 10000) != 1) return 1;
    auto start = std::chrono::steady_clock::now();
    uint8_t b = 0x10;
    for (long i = 0; i < trips; ++i)
        if (!send_all(client, &b, 1) || !receive_byte(client, &b)) return 1;
    std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf("%.9f\n", took.count() / static_cast<double>(trips));
    return 0;
}

int pingpong(const Ipv4 &address, long trips) {
    Socket listener = Socket::tcp();
    if (!listener.bind_to(address, 9101) || !listener.listen_for(1)) return 1;
    std::thread echo([&] { echo_one(listener); });
    if (client_trips(address, trips) != 0) std::exit(1);  // the echo may never be reached
    echo.join();
    return 0;
}

// The echo side as a process of its own, as the printer is to vordel: says
// "ready" once it listens, serves one connection.
int echo_process(const Ipv4 &address) {
    Socket listener = Socket::tcp();
    if (!listener.bind_to(address, 9101) || !listener.listen_for(1)) return 1;
    std::printf("ready\n");
    std::fflush(stdout);
    echo_one(listener);
    return 0;
}

int status_trips(const Ipv4 &address, long trips) {
    Socket s = Socket::tcp();
    if (s.connect_to(address, 9100, 10000) != 1) return 1;
    s.send_at_once();
    const uint8_t request[] = {0x10, 0x04, 0x01};
    auto start = std::chrono::steady_clock::now();
    uint8_t b;
    for (long i = 0; i < trips; ++i)
        if (!send_all(s, request, sizeof request) || !receive_byte(s, &b)) return 1;
    std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf("%.9f\n", took.count() / static_cast<double>(trips));
    return 0;
}

int send_file(const Ipv4 &address, const char *path) {
    std::FILE *in = std::fopen(path, "rb");
    if (!in) return 1;
    Socket s = Socket::tcp();
    if (s.connect_to(address, 9100, 10000) != 1) return 1;
    std::vector<uint8_t> buffer(16 * 1024);  // nc's writes
    size_t got;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), in)) > 0)
        if (!send_all(s, buffer.data(), got)) return 1;
    std::fclose(in);
    s.shutdown_send();
    return 0;
}

}  // namespace

int main(int argc, char **argv) {
    Ipv4 address;
    if (argc != 4 || !ipv4_from_text(argv[2], &address)) {
        std::fprintf(stderr, "usage: net_raw pingpong|pingpong-to|status ADDRESS N | echo ADDRESS - | send ADDRESS FILE\n");
        return 2;
    }
    std::string mode = argv[1];
    if (mode == "pingpong") return pingpong(address, std::atol(argv[3]));
    if (mode == "pingpong-to") return client_trips(address, std::atol(argv[3]));
    if (mode == "echo") return echo_process(address);
    if (mode == "status") return status_trips(address, std::atol(argv[3]));
    if (mode == "send") return send_file(address, argv[3]);
    return 2;
}
