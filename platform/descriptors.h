// Serving several file descriptors from one thread.
//  - wait_descriptors: waits until one of the items is ready or timeout_ms
//    passes (-1: no limit) and fills in each item's result flags. Returns the
//    number of ready items, 0 after the time-out or an interrupted wait, -1 on
//    an error (errno set).
//  - read_descriptor: > 0 bytes read, 0 at end of input, -1 when nothing is
//    there now (non-blocking descriptor), -2 on an error (errno set; a pty
//    master whose line is gone reports EIO).
//  - write_descriptor: bytes written (0 when the descriptor cannot take any
//    now), -2 on an error (errno set).
//  - ignore_stray_signals: a write to a pipe nobody reads fails with EPIPE,
//    and a read of the terminal from a background job with EIO, instead of
//    ending or stopping the process.
//  - WakePipe: a pipe whose notify() may be called from a signal handler or
//    another thread to end a wait on read_fd(); drain() empties it.
// On Windows only sockets (sockets.h) and WakePipe can be waited on, and
// read_descriptor, write_descriptor and ignore_stray_signals do not exist.
#pragma once

#include <cstddef>
#include <span>

struct WaitItem {
    int fd = -1;  // negative: ignored
    bool want_read = false;
    bool want_write = false;
    bool readable = false;  // results
    bool writable = false;
    bool failed = false;  // hang-up or error on the descriptor
};

int wait_descriptors(std::span<WaitItem> items, int timeout_ms);
long read_descriptor(int fd, void *buffer, size_t size);
long write_descriptor(int fd, const void *buffer, size_t size);
void ignore_stray_signals();

class WakePipe {
public:
    WakePipe() = default;
    ~WakePipe();
    WakePipe(const WakePipe &) = delete;
    WakePipe &operator=(const WakePipe &) = delete;

    bool open();  // false (errno set) when the pipe cannot be made
    void notify() const;
    void drain() const;
    int read_fd() const { return fds_[0]; }

private:
    int fds_[2] = {-1, -1};
};
