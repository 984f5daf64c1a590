// Waits and wake-ups over sockets only: Windows' select takes nothing else,
// and on Windows the descriptors the shared code waits on are all sockets.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <atomic>
#include <cerrno>

#include "platform/descriptors.h"
#include "platform/socket_slots_win32.h"

namespace {

constexpr int SLOTS = 256;

struct Slot {
    std::atomic<SOCKET> socket{INVALID_SOCKET};
};
Slot slots[SLOTS];

}  // namespace

bool start_winsock() {
    static const int error = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data);
    }();
    if (error != 0) errno = ENOSYS;
    return error == 0;
}

int take_socket_slot(SOCKET s) {
    for (int i = 0; i < SLOTS; ++i) {
        SOCKET free_slot = INVALID_SOCKET;
        if (slots[i].socket.compare_exchange_strong(free_slot, s)) return i;
    }
    errno = EMFILE;
    return -1;
}

SOCKET socket_in_slot(int fd) {
    if (fd < 0 || fd >= SLOTS) return INVALID_SOCKET;
    return slots[fd].socket.load();
}

SOCKET swap_socket_slot(int fd, SOCKET s) {
    if (fd < 0 || fd >= SLOTS) return INVALID_SOCKET;
    return slots[fd].socket.exchange(s);
}

int errno_of_socket_error(int error) {
    switch (error) {
    case WSAECONNREFUSED: return ECONNREFUSED;
    case WSAETIMEDOUT: return ETIMEDOUT;
    case WSAENETUNREACH:
    case WSAENETDOWN: return ENETUNREACH;
    case WSAEHOSTUNREACH:
    case WSAEHOSTDOWN: return EHOSTUNREACH;
    case WSAECONNRESET:
    case WSAENETRESET: return ECONNRESET;
    case WSAECONNABORTED: return ECONNABORTED;
    case WSAENOTCONN:
    case WSAESHUTDOWN: return ENOTCONN;
    case WSAEADDRINUSE: return EADDRINUSE;
    case WSAEADDRNOTAVAIL: return EADDRNOTAVAIL;
    case WSAEACCES: return EACCES;
    case WSAEMFILE: return EMFILE;
    case WSAENOBUFS: return ENOBUFS;
    case WSAENOTSOCK: return EBADF;
    case WSAEINTR: return EINTR;
    case WSAEWOULDBLOCK: return EWOULDBLOCK;
    default: return EIO;
    }
}

int wait_descriptors(std::span<WaitItem> items, int timeout_ms) {
    fd_set reads, writes, failures;
    FD_ZERO(&reads);
    FD_ZERO(&writes);
    FD_ZERO(&failures);
    int gone = 0, watched = 0;
    for (WaitItem &item : items) {
        item.readable = item.writable = item.failed = false;
        if (item.fd < 0) continue;
        SOCKET s = socket_in_slot(item.fd);
        if (s == INVALID_SOCKET) {  // a closed number answers at once, as poll does
            item.failed = true;
            ++gone;
            continue;
        }
        if (item.want_read) FD_SET(s, &reads);
        if (item.want_write) FD_SET(s, &writes);
        FD_SET(s, &failures);  // where a failed connect shows
        ++watched;
    }
    if (watched == 0) {
        if (gone == 0 && timeout_ms != 0) Sleep(timeout_ms < 0 ? INFINITE : static_cast<DWORD>(timeout_ms));
        return gone;
    }
    timeval limit{};
    if (gone == 0 && timeout_ms > 0) {
        limit.tv_sec = timeout_ms / 1000;
        limit.tv_usec = timeout_ms % 1000 * 1000;
    }
    int n = select(0, &reads, &writes, &failures, gone == 0 && timeout_ms < 0 ? nullptr : &limit);
    if (n == SOCKET_ERROR) {
        // A number closed by another thread during the wait ends it too.
        if (WSAGetLastError() == WSAENOTSOCK) {
            for (WaitItem &item : items)
                if (item.fd >= 0 && socket_in_slot(item.fd) == INVALID_SOCKET) item.failed = true, ++gone;
            if (gone > 0) return gone;
        }
        errno = errno_of_socket_error(WSAGetLastError());
        return -1;
    }
    int ready = gone;
    for (WaitItem &item : items) {
        if (item.fd < 0 || item.failed) continue;
        SOCKET s = socket_in_slot(item.fd);
        item.readable = item.want_read && FD_ISSET(s, &reads);
        item.writable = item.want_write && FD_ISSET(s, &writes);
        item.failed = FD_ISSET(s, &failures) != 0;
        if (item.readable || item.writable || item.failed) ++ready;
    }
    return ready;
}

// One datagram socket that sends to itself: a waiter selects on it like any
// other socket, and notify is safe from the console's break thread.
WakePipe::~WakePipe() {
    SOCKET s = swap_socket_slot(fds_[0], INVALID_SOCKET);
    if (s != INVALID_SOCKET) closesocket(s);
}

bool WakePipe::open() {
    if (fds_[0] >= 0) return true;
    if (!start_winsock()) return false;
    SOCKET s = WSASocketW(AF_INET, SOCK_DGRAM, IPPROTO_UDP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
    if (s == INVALID_SOCKET) {
        errno = errno_of_socket_error(WSAGetLastError());
        return false;
    }
    sockaddr_in self{};
    self.sin_family = AF_INET;
    self.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof self;
    u_long on = 1;
    if (bind(s, reinterpret_cast<sockaddr *>(&self), sizeof self) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr *>(&self), &length) != 0 ||
        connect(s, reinterpret_cast<sockaddr *>(&self), sizeof self) != 0 || ioctlsocket(s, FIONBIO, &on) != 0) {
        errno = errno_of_socket_error(WSAGetLastError());
        closesocket(s);
        return false;
    }
    fds_[0] = take_socket_slot(s);
    if (fds_[0] < 0) {
        closesocket(s);
        return false;
    }
    return true;
}

void WakePipe::notify() const {
    char byte = 1;
    send(socket_in_slot(fds_[0]), &byte, 1, 0);  // a full queue already wakes the reader
}

void WakePipe::drain() const {
    char buffer[64];
    while (recv(socket_in_slot(fds_[0]), buffer, sizeof buffer, 0) > 0) {
    }
}
