// A character device (serial line, USB printer, parallel port) that one
// program holds exclusively.
//  - open: read and write, no controlling terminal, close-on-exec,
//    non-blocking; an exclusive flock (already held elsewhere: EBUSY) and,
//    on a terminal, TIOCEXCL. false with errno set.
//  - reopen: the same path again; the new file takes the old descriptor's
//    number, so fd() stays valid for other threads across a reconnect.
//  - close: TIOCNXCL first (exclusive mode outlives the descriptor while
//    another process holds the line open), then the descriptor.
//  - write_some: waits up to timeout_ms in all for the device to take the
//    bytes; the count written (short after the time-out), -1 on failure
//    (errno set; a hung-up line is EIO).
//  - read_some: waits up to timeout_ms for bytes; the count, 0 when none came,
//    -1 on failure (errno set; end of file on a terminal is a hang-up, EIO).
//  - interrupt: any thread; cuts every wait short (now and later) until the
//    next open. rest sleeps up to ms and answers false once interrupted.
// On Windows the descriptor wraps an overlapped handle opened without
// sharing (_get_osfhandle gives it back); errno carries the mapped error.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

#ifndef _WIN32
#include "platform/descriptors.h"
#endif

class CharDevice {
public:
    CharDevice() = default;
    ~CharDevice();
    CharDevice(const CharDevice &) = delete;
    CharDevice &operator=(const CharDevice &) = delete;

    bool open(const std::string &path);
    bool reopen();
    void close();

    int fd() const { return fd_; }
    bool is_terminal() const { return terminal_; }
    const std::string &path() const { return path_; }

    long write_some(const uint8_t *data, size_t size, int timeout_ms);
    long read_some(uint8_t *buffer, size_t size, int timeout_ms);
    // read_some without the wait (0 when nothing is there).
    long read_now(uint8_t *buffer, size_t size);
    // Waits up to timeout_ms for bytes (or a hang-up): 1, 0 when none came,
    // -1 once interrupted.
    int wait_readable(int timeout_ms);
    void interrupt();
    bool rest(int ms);

private:
    int open_locked(const std::string &path, bool *terminal);
    // Waits for the device (or the interrupt); false when interrupted.
    bool wait_for(bool write, int timeout_ms, bool *failed);

    int fd_ = -1;
    // Read by the receive thread while the send thread reopens the device.
    std::atomic<bool> terminal_{false};
    std::string path_;
#ifdef _WIN32
    void *wake_ = nullptr;  // manual-reset event that interrupt() sets
    // A write still in flight after its time-out: cancelling it could lose
    // bytes the line already took, so the next write_some waits for it.
    struct Flight;
    Flight *flight_ = nullptr;
    void land_flight();
#else
    WakePipe wake_;
#endif
    std::atomic<bool> interrupted_{false};
};

// Errors that mean the device itself went away (unplugged, line hung up).
bool device_gone_error(int error);
// The name of the group that owns path, "" when unknown (always on Windows).
std::string device_group(const std::string &path);

// The device a target uses when the profile's [devices] key names none ("" when
// the kind has no default), and a typical path for the hint that asks for one.
enum class DeviceKind { Serial, Parallel, Usb, PrinterClass };
std::string default_device_path(DeviceKind kind, int32_t number);
const char *example_device_path(DeviceKind kind);
