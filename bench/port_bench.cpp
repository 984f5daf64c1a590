// The port layer over a fake driver that takes everything at once:
//  - 10 MB through port_send, in the output-file mode's 1024-byte calls and
//    in one call;
//  - the delay between a reply byte arriving and port_recv_reply returning it;
//  - the processor time of a reply wait of 5 seconds.
// Prints the figures; it asserts nothing.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "base/port_ops.h"
#include "ports/driver/fake_driver_test_util.h"
#include "ports/port_layer.h"
#include "ports/port_sets.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

double cpu_seconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

const DriverKinds fake_kinds = FakeDriver::kinds();

void send_ten_megabytes(int32_t piece) {
    constexpr int32_t total = 10 * 1024 * 1024;
    std::vector<uint8_t> data(static_cast<size_t>(total), 0x41);
    TargetSettings target;
    target.kind = PortKind::Usb;
    current_port.port_open(target);
    Clock::time_point start = Clock::now();
    for (int32_t at = 0; at < total; at += piece) current_port.port_send(data.data() + at, std::min(piece, total - at));
    current_port.port_close(1);
    double s = seconds_since(start);
    std::printf("10 MB through port_send in %d-byte calls: %.3f s (%.1f MB/s)\n", piece, s, 10 / s);
}

void reply_latency() {
    TargetSettings target;
    target.kind = PortKind::Usb;
    current_port.port_open(target);
    FakeDriver *fake = FakeDriver::latest;
    std::vector<double> delays;
    for (int i = 0; i < 200; ++i) {
        Clock::time_point sent;
        std::thread printer([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(3));
            sent = Clock::now();
            fake->feed("A");
        });
        current_port.port_recv_reply(2);
        Clock::time_point got = Clock::now();
        printer.join();
        delays.push_back(std::chrono::duration<double, std::milli>(got - sent).count());
    }
    std::sort(delays.begin(), delays.end());
    std::printf("reply latency over 200 bytes: median %.3f ms, 95%% %.3f ms, max %.3f ms\n", delays[100],
                delays[190], delays.back());
    current_port.port_close(0);
}

void idle_wait() {
    TargetSettings target;
    target.kind = PortKind::Usb;
    current_port.port_open(target);
    FakeDriver *fake = FakeDriver::latest;
    std::thread printer([&] {
        std::this_thread::sleep_for(std::chrono::seconds(5));
        fake->feed("A");
    });
    double cpu = cpu_seconds();
    Clock::time_point start = Clock::now();
    current_port.port_recv_reply(2);
    double wall = seconds_since(start);
    cpu = cpu_seconds() - cpu;
    printer.join();
    std::printf("reply wait of %.2f s: %.3f s processor time (%.2f %% of one core)\n", wall, cpu, 100 * cpu / wall);
    current_port.port_close(0);
}

}  // namespace

int main() {
    setenv("XDG_CONFIG_HOME", "/nonexistent", 1);
    port_driver_kinds = &fake_kinds;
    current_port = device_port_ops;
    send_ten_megabytes(1024);
    send_ten_megabytes(10 * 1024 * 1024);
    reply_latency();
    idle_wait();
}
