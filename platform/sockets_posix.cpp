#include "platform/sockets.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "platform/descriptors.h"
#include "platform/socket_address.h"

namespace {

int open_socket(int type) { return ::socket(AF_INET, type | SOCK_NONBLOCK | SOCK_CLOEXEC, 0); }

}  // namespace

Socket Socket::tcp() { return Socket(open_socket(SOCK_STREAM)); }
Socket Socket::udp() { return Socket(open_socket(SOCK_DGRAM)); }

Socket &Socket::operator=(Socket &&other) noexcept {
    if (this != &other) {
        close();
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

bool Socket::replace_with(Socket &&fresh) {
    if (fd_ < 0) {
        *this = std::move(fresh);
        return valid();
    }
    if (dup3(fresh.fd_, fd_, O_CLOEXEC) < 0) return false;
    fresh.close();
    return true;
}

void Socket::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

void Socket::shutdown_both() {
    if (fd_ >= 0) ::shutdown(fd_, SHUT_RDWR);
}

void Socket::shutdown_send() {
    if (fd_ >= 0) ::shutdown(fd_, SHUT_WR);
}

void Socket::send_at_once() {
    int on = 1;
    setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

void Socket::cork(bool on) {
    int value = on ? 1 : 0;
    setsockopt(fd_, IPPROTO_TCP, TCP_CORK, &value, sizeof value);
}

bool Socket::bind_to(const Ipv4 &address, uint16_t port) {
    int on = 1;
    setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);  // a restart finds its port free
    sockaddr_in a = socket_address::make(address, port);
    return ::bind(fd_, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0;
}

bool Socket::listen_for(int backlog) { return ::listen(fd_, backlog) == 0; }

Socket Socket::accept_one(Ipv4 *peer) {
    sockaddr_in a{};
    socklen_t size = sizeof a;
    int fd = ::accept4(fd_, reinterpret_cast<sockaddr *>(&a), &size, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd >= 0 && peer) *peer = socket_address::of(a);
    return Socket(fd);
}

int Socket::connect_to(const Ipv4 &address, uint16_t port, int timeout_ms, int cancel_fd) {
    sockaddr_in a = socket_address::make(address, port);
    if (::connect(fd_, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0) return 1;
    if (errno != EINPROGRESS) return 0;
    WaitItem items[2] = {{fd_, false, true}, {cancel_fd, true}};
    if (wait_descriptors(items, timeout_ms) <= 0 || !items[0].writable) {
        errno = items[1].readable ? ECANCELED : ETIMEDOUT;
        return 0;
    }
    int error = 0;
    socklen_t size = sizeof error;
    if (getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &size) != 0) return 0;
    errno = error;
    return error == 0 ? 1 : 0;
}

long Socket::send_some(const void *data, size_t size) {
    for (;;) {
        ssize_t n = ::send(fd_, data, size, MSG_NOSIGNAL);
        if (n >= 0) return static_cast<long>(n);
        if (errno == EINTR) continue;
        return errno == EAGAIN || errno == EWOULDBLOCK ? 0 : -2;
    }
}

long Socket::receive_some(void *buffer, size_t size) {
    for (;;) {
        ssize_t n = ::recv(fd_, buffer, size, 0);
        if (n >= 0) return static_cast<long>(n);
        if (errno == EINTR) continue;
        return errno == EAGAIN || errno == EWOULDBLOCK ? -1 : -2;
    }
}

long Socket::send_datagram(const Ipv4 &address, uint16_t port, const void *data, size_t size) {
    sockaddr_in a = socket_address::make(address, port);
    ssize_t n = ::sendto(fd_, data, size, MSG_NOSIGNAL, reinterpret_cast<sockaddr *>(&a), sizeof a);
    return n >= 0 ? static_cast<long>(n) : -2;
}

long Socket::receive_datagram(void *buffer, size_t size, Ipv4 *from, uint16_t *from_port) {
    for (;;) {
        sockaddr_in a{};
        socklen_t length = sizeof a;
        ssize_t n = ::recvfrom(fd_, buffer, size, 0, reinterpret_cast<sockaddr *>(&a), &length);
        if (n >= 0) {
            if (from) *from = socket_address::of(a);
            if (from_port) *from_port = ntohs(a.sin_port);
            return static_cast<long>(n);
        }
        if (errno == EINTR) continue;
        return errno == EAGAIN || errno == EWOULDBLOCK ? -1 : -2;
    }
}
