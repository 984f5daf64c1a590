#include "sim/net_line.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

constexpr uint16_t PRINT_PORT = 9100;
constexpr uint16_t CONTROL_PORT = 3289;
constexpr size_t read_size = 64 * 1024;

}  // namespace

bool NetLine::open() {
    control_ = Socket::udp();
    listener_ = Socket::tcp();
    const char *what = "port 3289";
    bool ok = control_.valid() && control_.bind_to(address_, CONTROL_PORT);
    if (ok) {
        what = "port 9100";
        ok = listener_.valid() && listener_.bind_to(address_, PRINT_PORT) && listener_.listen_for(8);
    }
    if (!ok) {
        std::fprintf(stderr, "vordel-sim: can't serve on %s %s: %s\n", ipv4_text(address_).c_str(), what,
                     std::strerror(errno));
        return false;
    }
    std::printf("net %s\n", ipv4_text(address_).c_str());
    std::fflush(stdout);
    return true;
}

void NetLine::send(std::span<const uint8_t> bytes) {
    if (connection_.valid() && !ending_) output_.send(connection_.fd(), bytes);
}

void NetLine::add_waits(std::vector<WaitItem> &items, bool reading) {
    items.push_back({control_.fd(), true});
    items.push_back({connection_.valid() ? -1 : listener_.fd(), true});
    items.push_back({connection_.fd(), reading, !output_.empty()});
}

bool NetLine::handle(std::span<const WaitItem> items, Session &session) {
    const WaitItem &control = items[0], &listener = items[1], &connection = items[2];
    buffer_.resize(read_size);
    if (control.readable) {
        Ipv4 from{};
        uint16_t port = 0;
        long n = control_.receive_datagram(buffer_.data(), buffer_.size(), &from, &port);
        if (n >= 0)
            for (const auto &datagram : session.control_datagram(std::span(buffer_).first(static_cast<size_t>(n))))
                control_.send_datagram(from, port, datagram.data(), datagram.size());
    }
    if (connection.writable) output_.flush(connection_.fd());
    if (connection.readable || (connection.failed && connection_.valid())) {
        long n = connection_.receive_some(buffer_.data(), buffer_.size());
        if (n > 0) session.receive(std::span(buffer_).first(static_cast<size_t>(n)));
        if (n == 0 || n == -2) end_connection(session, n == 0 ? "closed by the host" : "failed");
    }
    if (listener.readable) {
        Ipv4 peer{};
        Socket fresh = listener_.accept_one(&peer);
        if (fresh.valid()) {
            connection_ = std::move(fresh);
            connection_.send_at_once();  // a printer answers at once
            session.note("tcp connection from " + ipv4_text(peer));
        }
    }
    return true;
}

void NetLine::end_connection(Session &session, const char *why) {
    connection_.close();
    ending_ = false;
    output_.clear();
    session.line_reset();
    session.note(std::string("tcp connection ") + why);
}

bool NetLine::replace_line(Session &session) {
    if (!connection_.valid()) return true;
    if (ending_) {  // a host that keeps its end open is cut off on the second drop
        end_connection(session, "cut off");
        return true;
    }
    connection_.shutdown_send();
    ending_ = true;
    output_.clear();
    session.note("tcp connection dropped");
    return true;
}
