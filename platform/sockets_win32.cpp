// Winsock 2 under the same numbers the POSIX half uses: fd() is a slot
// (socket_slots_win32.h), so the shared waits and replace_with work alike.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <mswsock.h>

#include <cerrno>
#include <climits>

#include "platform/descriptors.h"
#include "platform/socket_address.h"
#include "platform/socket_slots_win32.h"
#include "platform/sockets.h"

namespace {

int failed_with_last_error() {
    errno = errno_of_socket_error(WSAGetLastError());
    return -1;
}

// Not inherited by programs `system` starts, non-blocking, under a slot.
int adopt(SOCKET s) {
    u_long on = 1;
    if (s == INVALID_SOCKET) return failed_with_last_error();
    if (ioctlsocket(s, FIONBIO, &on) != 0) {
        failed_with_last_error();
        closesocket(s);
        return -1;
    }
    int fd = take_socket_slot(s);
    if (fd < 0) closesocket(s);
    return fd;
}

int open_socket(int type, int protocol) {
    if (!start_winsock()) return -1;
    SOCKET s = WSASocketW(AF_INET, type, protocol, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
    if (s != INVALID_SOCKET && type == SOCK_DGRAM) {
        // A datagram to a closed port must not fail the next receive.
        BOOL report = FALSE;
        DWORD ignored = 0;
        WSAIoctl(s, SIO_UDP_CONNRESET, &report, sizeof report, nullptr, 0, &ignored, nullptr, nullptr);
    }
    return adopt(s);
}

int size_for_call(size_t size) { return size > INT_MAX ? INT_MAX : static_cast<int>(size); }

}  // namespace

Socket Socket::tcp() { return Socket(open_socket(SOCK_STREAM, IPPROTO_TCP)); }
Socket Socket::udp() { return Socket(open_socket(SOCK_DGRAM, IPPROTO_UDP)); }

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
    SOCKET incoming = swap_socket_slot(fresh.fd_, INVALID_SOCKET);
    fresh.fd_ = -1;
    if (incoming == INVALID_SOCKET) {
        errno = EBADF;
        return false;
    }
    SOCKET old = swap_socket_slot(fd_, incoming);
    if (old != INVALID_SOCKET) closesocket(old);
    return true;
}

void Socket::close() {
    if (fd_ < 0) return;
    SOCKET s = swap_socket_slot(fd_, INVALID_SOCKET);
    if (s != INVALID_SOCKET) closesocket(s);
    fd_ = -1;
}

void Socket::shutdown_both() {
    if (fd_ >= 0) ::shutdown(socket_in_slot(fd_), SD_BOTH);
}

void Socket::shutdown_send() {
    if (fd_ >= 0) ::shutdown(socket_in_slot(fd_), SD_SEND);
}

void Socket::send_at_once() {
    BOOL on = TRUE;
    setsockopt(socket_in_slot(fd_), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char *>(&on), sizeof on);
}

// Windows has no corking; pieces leave as they come.
void Socket::cork(bool) {}

bool Socket::bind_to(const Ipv4 &address, uint16_t port) {
    sockaddr_in a = socket_address::make(address, port);
    if (::bind(socket_in_slot(fd_), reinterpret_cast<sockaddr *>(&a), sizeof a) == 0) return true;
    failed_with_last_error();
    return false;
}

bool Socket::listen_for(int backlog) {
    if (::listen(socket_in_slot(fd_), backlog) == 0) return true;
    failed_with_last_error();
    return false;
}

Socket Socket::accept_one(Ipv4 *peer) {
    sockaddr_in a{};
    int size = sizeof a;
    SOCKET s = ::accept(socket_in_slot(fd_), reinterpret_cast<sockaddr *>(&a), &size);
    if (s == INVALID_SOCKET) {
        failed_with_last_error();
        return Socket();
    }
    SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
    int fd = adopt(s);
    if (fd >= 0 && peer) *peer = socket_address::of(a);
    return Socket(fd);
}

// A failed connect shows as a failure of the wait, not as writable.
int Socket::connect_to(const Ipv4 &address, uint16_t port, int timeout_ms, int cancel_fd) {
    SOCKET s = socket_in_slot(fd_);
    sockaddr_in a = socket_address::make(address, port);
    if (::connect(s, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0) return 1;
    if (WSAGetLastError() != WSAEWOULDBLOCK) {
        failed_with_last_error();
        return 0;
    }
    WaitItem items[2] = {{fd_, false, true}, {cancel_fd, true}};
    int n = wait_descriptors(items, timeout_ms);
    if (items[1].readable || n <= 0 || (!items[0].writable && !items[0].failed)) {
        errno = items[1].readable ? ECANCELED : ETIMEDOUT;
        return 0;
    }
    int error = 0;
    int size = sizeof error;
    if (getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char *>(&error), &size) != 0) {
        failed_with_last_error();
        return 0;
    }
    if (error == 0 && items[0].writable) return 1;
    errno = error ? errno_of_socket_error(error) : ECONNREFUSED;
    return 0;
}

long Socket::send_some(const void *data, size_t size) {
    int n = ::send(socket_in_slot(fd_), static_cast<const char *>(data), size_for_call(size), 0);
    if (n >= 0) return n;
    if (WSAGetLastError() == WSAEWOULDBLOCK) return 0;
    failed_with_last_error();
    return -2;
}

long Socket::receive_some(void *buffer, size_t size) {
    int n = ::recv(socket_in_slot(fd_), static_cast<char *>(buffer), size_for_call(size), 0);
    if (n >= 0) return n;
    if (WSAGetLastError() == WSAEWOULDBLOCK) return -1;
    failed_with_last_error();
    return -2;
}

long Socket::send_datagram(const Ipv4 &address, uint16_t port, const void *data, size_t size) {
    sockaddr_in a = socket_address::make(address, port);
    int n = ::sendto(socket_in_slot(fd_), static_cast<const char *>(data), size_for_call(size), 0,
                     reinterpret_cast<sockaddr *>(&a), sizeof a);
    if (n >= 0) return n;
    failed_with_last_error();
    return -2;
}

long Socket::receive_datagram(void *buffer, size_t size, Ipv4 *from, uint16_t *from_port) {
    for (;;) {
        sockaddr_in a{};
        int length = sizeof a;
        int n = ::recvfrom(socket_in_slot(fd_), static_cast<char *>(buffer), size_for_call(size), 0,
                           reinterpret_cast<sockaddr *>(&a), &length);
        int error = n >= 0 ? 0 : WSAGetLastError();
        if (error == WSAEMSGSIZE) n = size_for_call(size);  // the first size bytes are in; the rest is gone
        if (n >= 0) {
            if (from) *from = socket_address::of(a);
            if (from_port) *from_port = ntohs(a.sin_port);
            return n;
        }
        if (error == WSAECONNRESET) continue;  // a report about an earlier datagram
        if (error == WSAEWOULDBLOCK) return -1;
        failed_with_last_error();
        return -2;
    }
}
