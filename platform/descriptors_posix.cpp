#include "platform/descriptors.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

int wait_descriptors(std::span<WaitItem> items, int timeout_ms) {
    std::vector<pollfd> fds(items.size());
    for (size_t i = 0; i < items.size(); ++i) {
        fds[i].fd = items[i].fd;
        fds[i].events = static_cast<short>((items[i].want_read ? POLLIN : 0) |
                                           (items[i].want_write ? POLLOUT : 0));
    }
    int n = poll(fds.data(), fds.size(), timeout_ms);
    for (size_t i = 0; i < items.size(); ++i) {
        short r = n > 0 ? fds[i].revents : 0;
        items[i].readable = (r & POLLIN) != 0;
        items[i].writable = (r & POLLOUT) != 0;
        items[i].failed = (r & (POLLHUP | POLLERR | POLLNVAL)) != 0;
    }
    if (n < 0) return errno == EINTR ? 0 : -1;
    return n;
}

long read_descriptor(int fd, void *buffer, size_t size) {
    for (;;) {
        ssize_t n = read(fd, buffer, size);
        if (n >= 0) return static_cast<long>(n);
        if (errno == EINTR) continue;
        return errno == EAGAIN || errno == EWOULDBLOCK ? -1 : -2;
    }
}

long write_descriptor(int fd, const void *buffer, size_t size) {
    for (;;) {
        ssize_t n = write(fd, buffer, size);
        if (n >= 0) return static_cast<long>(n);
        if (errno == EINTR) continue;
        return errno == EAGAIN || errno == EWOULDBLOCK ? 0 : -2;
    }
}

void ignore_stray_signals() {
    signal(SIGPIPE, SIG_IGN);
    signal(SIGTTIN, SIG_IGN);
}

WakePipe::~WakePipe() {
    for (int fd : fds_)
        if (fd >= 0) close(fd);
}

bool WakePipe::open() {
    if (pipe2(fds_, O_CLOEXEC | O_NONBLOCK) != 0) return false;
    return true;
}

void WakePipe::notify() const {
    char byte = 1;
    ssize_t ignored = write(fds_[1], &byte, 1);  // a full pipe already wakes the reader
    (void)ignored;
}

void WakePipe::drain() const {
    char buffer[64];
    while (read(fds_[0], buffer, sizeof buffer) > 0) {
    }
}
