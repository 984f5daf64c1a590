// IPv4 sockets for the Ethernet driver and the simulator's network side.
//  - Socket owns one descriptor (closed by the destructor), non-blocking and
//    close-on-exec from the start; waits go through wait_descriptors
//    (descriptors.h) so a WakePipe can end them.
//  - Addresses are four bytes, most significant first; ports in host order.
//  - connect_to: 1 connected, 0 refused, unreachable or not done within
//    timeout_ms (or woken by cancel_fd, when given), with errno saying which.
//  - send_some / receive_some: bytes moved; 0 when nothing can move now
//    (send) or at the peer's end of the connection (receive); -1 when
//    nothing is there now (receive); -2 when the connection failed.
//    Sending never raises SIGPIPE.
//  - datagrams: send_datagram answers the bytes sent or -2; receive_datagram
//    keeps at most size bytes of one datagram (the rest is dropped) and tells
//    the sender; -1 when none is waiting.
//  - ipv4_from_text: strict dotted form "a.b.c.d", each 0..255.
//  - replace_with: the fresh connection takes over this descriptor number
//    (the old connection closes), so threads holding the number follow.
//  - send_at_once and cork are hints: a system without them may ignore them.
// The interface is OS-neutral: sockets_posix.cpp and sockets_win32.cpp
// (Winsock 2, where fd() is a number of our own and cork does nothing).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

using Ipv4 = std::array<uint8_t, 4>;

bool ipv4_from_text(const std::string &text, Ipv4 *out);
std::string ipv4_text(const Ipv4 &address);

class Socket {
public:
    static Socket tcp();
    static Socket udp();

    Socket() = default;
    ~Socket() { close(); }
    Socket(Socket &&other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    Socket &operator=(Socket &&other) noexcept;
    Socket(const Socket &) = delete;
    Socket &operator=(const Socket &) = delete;

    bool valid() const { return fd_ >= 0; }
    // Takes fresh's connection under this socket's descriptor number, so a
    // thread still waiting on the number never meets a closed or reused one.
    bool replace_with(Socket &&fresh);
    int fd() const { return fd_; }
    void close();
    void shutdown_both();
    void shutdown_send();
    // Small writes leave at once instead of waiting for the previous ones' acknowledgement.
    void send_at_once();
    // While corked only full packets leave (a partial one after at most
    // 200 ms); uncorking sends what is held.
    void cork(bool on);

    // Listening and binding (the simulator): false with errno set.
    bool bind_to(const Ipv4 &address, uint16_t port);
    bool listen_for(int backlog);
    Socket accept_one(Ipv4 *peer = nullptr);  // invalid when none is waiting

    int connect_to(const Ipv4 &address, uint16_t port, int timeout_ms, int cancel_fd = -1);
    long send_some(const void *data, size_t size);
    long receive_some(void *buffer, size_t size);

    long send_datagram(const Ipv4 &address, uint16_t port, const void *data, size_t size);
    long receive_datagram(void *buffer, size_t size, Ipv4 *from, uint16_t *from_port);

private:
    explicit Socket(int fd) : fd_(fd) {}
    int fd_ = -1;
};
