#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "platform/char_device.h"
#include "platform/device_interfaces_win32.h"

namespace {

HANDLE handle_of(int fd) {
    return fd < 0 ? INVALID_HANDLE_VALUE : reinterpret_cast<HANDLE>(_get_osfhandle(fd));
}

// The errno the shared driver code understands for a system error.
int errno_of(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_NETPATH:
    case ERROR_INVALID_NAME:
        return ENOENT;
    case ERROR_ACCESS_DENIED:  // what a port another program holds answers
    case ERROR_SHARING_VIOLATION:
    case ERROR_BUSY:
        return EBUSY;
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_DEV_NOT_EXIST:
        return ENODEV;
    case ERROR_GEN_FAILURE:
    case ERROR_IO_DEVICE:
    case ERROR_NOT_READY:
    case ERROR_BAD_COMMAND:
    case ERROR_DEVICE_REMOVED:
    case ERROR_OPERATION_ABORTED:
        return EIO;
    case ERROR_INVALID_HANDLE:
        return EBADF;
    case ERROR_BROKEN_PIPE:  // a hung-up line
        return EIO;
    case ERROR_NO_DATA:
        return EPIPE;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return ENOMEM;
    default:
        return EINVAL;
    }
}

// Reads return at once with what the line holds, even nothing: bytes are
// waited for on the input queue (wait_readable), not in a read that must
// then be cancelled. Writes never time out by themselves: the caller's own
// wait (and cancel) bounds them.
void set_line_timeouts(HANDLE h) {
    COMMTIMEOUTS t{};
    t.ReadIntervalTimeout = MAXDWORD;
    SetCommTimeouts(h, &t);
    SetupComm(h, 4096, 4096);
}

DWORD wait_ms(int timeout_ms) { return timeout_ms < 0 ? INFINITE : static_cast<DWORD>(timeout_ms); }

// Waits for an overlapped transfer, the time-out or the wake event; true
// once it has finished (done and error filled in).
bool finish(HANDLE h, OVERLAPPED &ov, HANDLE wake, int timeout_ms, DWORD *done, DWORD *error) {
    HANDLE waits[2] = {ov.hEvent, wake};
    WaitForMultipleObjects(2, waits, FALSE, wait_ms(timeout_ms));
    *error = 0;
    if (GetOverlappedResult(h, &ov, done, FALSE)) return true;
    *error = GetLastError();
    return *error != ERROR_IO_INCOMPLETE;
}

// Cancels a transfer and waits for its end (done and the error filled in).
// A cancel can miss a transfer that is just then taking data and then waits
// on for more (Wine does that), so it is repeated until the transfer ends.
void cancel_transfer(HANDLE h, OVERLAPPED &ov, DWORD *done, DWORD *error) {
    constexpr DWORD RETRY_MS = 10;
    do {
        CancelIoEx(h, &ov);
    } while (WaitForSingleObject(ov.hEvent, RETRY_MS) == WAIT_TIMEOUT);
    *error = GetOverlappedResult(h, &ov, done, TRUE) ? 0 : GetLastError();
}

}  // namespace

struct CharDevice::Flight {
    OVERLAPPED ov{};
    std::vector<uint8_t> bytes;
    bool active = false;
};

// Ends a write in flight before its handle goes: cancelled, then awaited.
void CharDevice::land_flight() {
    if (!flight_ || !flight_->active) return;
    DWORD done = 0, error = 0;
    cancel_transfer(handle_of(fd_), flight_->ov, &done, &error);
    flight_->active = false;
}

CharDevice::~CharDevice() {
    close();
    if (wake_) CloseHandle(static_cast<HANDLE>(wake_));
    if (flight_) {
        CloseHandle(flight_->ov.hEvent);
        delete flight_;
    }
}

int CharDevice::open_locked(const std::string &path, bool *terminal) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        errno = errno_of(GetLastError());
        return -1;
    }
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    *terminal = GetCommState(h, &dcb) != 0;
    if (*terminal) set_line_timeouts(h);
    int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_BINARY | _O_NOINHERIT);
    if (fd < 0) {
        CloseHandle(h);
        errno = EMFILE;
    }
    return fd;
}

bool CharDevice::open(const std::string &path) {
    close();
    if (!wake_) wake_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!flight_) {
        flight_ = new Flight;
        flight_->ov.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    }
    if (!wake_ || !flight_->ov.hEvent) {
        errno = ENOMEM;
        return false;
    }
    ResetEvent(static_cast<HANDLE>(wake_));
    interrupted_.store(false, std::memory_order_release);
    bool terminal = false;
    int fd = open_locked(path, &terminal);
    if (fd < 0) return false;
    terminal_ = terminal;
    fd_ = fd;
    path_ = path;
    return true;
}

bool CharDevice::reopen() {
    if (fd_ < 0) {
        errno = EBADF;
        return false;
    }
    land_flight();
    bool terminal = false;
    int fresh = open_locked(path_, &terminal);
    if (fresh < 0 && errno == EBUSY) {
        // Our own dead handle still holds the port. It makes way for a
        // stand-in whose every transfer fails (an event is no file), so the
        // number fd() answers stays ours and nothing reads as written.
        HANDLE stand_in = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        int placeholder = stand_in ? _open_osfhandle(reinterpret_cast<intptr_t>(stand_in), _O_BINARY) : -1;
        if (placeholder < 0) {
            if (stand_in) CloseHandle(stand_in);
            errno = EBUSY;
            return false;
        }
        _dup2(placeholder, fd_);
        _close(placeholder);
        fresh = open_locked(path_, &terminal);
    }
    if (fresh < 0) return false;
    // _dup2 keeps the number fd() answers valid across the reconnect.
    if (_dup2(fresh, fd_) != 0) {
        int saved = errno;
        _close(fresh);
        errno = saved;
        return false;
    }
    _close(fresh);
    terminal_ = terminal;
    return true;
}

void CharDevice::close() {
    if (fd_ < 0) return;
    land_flight();
    _close(fd_);
    fd_ = -1;
    terminal_ = false;
}

void CharDevice::interrupt() {
    interrupted_.store(true, std::memory_order_release);
    if (wake_) SetEvent(static_cast<HANDLE>(wake_));
}

bool CharDevice::rest(int ms) {
    if (interrupted_.load(std::memory_order_acquire)) return false;
    WaitForSingleObject(static_cast<HANDLE>(wake_), static_cast<DWORD>(ms < 0 ? 0 : ms));
    return !interrupted_.load(std::memory_order_acquire);
}

long CharDevice::write_some(const uint8_t *data, size_t size, int timeout_ms) {
    HANDLE h = handle_of(fd_);
    HANDLE wake = static_cast<HANDLE>(wake_);
    Flight &f = *flight_;
    DWORD done = 0, error = 0;
    if (f.active) {
        if (!finish(h, f.ov, wake, timeout_ms, &done, &error)) return 0;
        f.active = false;
        if (error && error != ERROR_OPERATION_ABORTED) {
            errno = errno_of(error);
            return -1;
        }
        // A retry presents the same bytes again: they are the ones that went.
        if (done > 0 && done <= size && std::memcmp(f.bytes.data(), data, done) == 0) return static_cast<long>(done);
    }
    if (interrupted_.load(std::memory_order_acquire)) return 0;
    size_t n = size < (1u << 20) ? size : (1u << 20);
    f.bytes.assign(data, data + n);
    ResetEvent(f.ov.hEvent);
    f.ov.Offset = f.ov.OffsetHigh = 0;
    if (WriteFile(h, f.bytes.data(), static_cast<DWORD>(n), &done, &f.ov)) {
        GetOverlappedResult(h, &f.ov, &done, FALSE);
        return static_cast<long>(done);
    }
    if (GetLastError() != ERROR_IO_PENDING) {
        errno = errno_of(GetLastError());
        return -1;
    }
    f.active = true;
    if (!finish(h, f.ov, wake, timeout_ms, &done, &error)) return 0;
    f.active = false;
    if (error && error != ERROR_OPERATION_ABORTED) {
        errno = errno_of(error);
        return -1;
    }
    return static_cast<long>(done);
}

// A line's read takes what it holds at once (see set_line_timeouts), so on a
// line the wait comes first. Other devices' reads end with the first bytes,
// so one cancelled at the time-out has taken nothing.
long CharDevice::read_some(uint8_t *buffer, size_t size, int timeout_ms) {
    if (interrupted_.load(std::memory_order_acquire)) return 0;
    if (terminal_) {
        if (wait_readable(timeout_ms) <= 0) return 0;
        timeout_ms = 0;
    }
    HANDLE h = handle_of(fd_);
    OVERLAPPED ov{};
    ov.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!ov.hEvent) {
        errno = ENOMEM;
        return -1;
    }
    DWORD done = 0, error = 0;
    DWORD n = static_cast<DWORD>(size < (1u << 20) ? size : (1u << 20));
    long result;
    if (::ReadFile(h, buffer, n, &done, &ov)) {
        GetOverlappedResult(h, &ov, &done, FALSE);
        result = static_cast<long>(done);
    } else if ((error = GetLastError()) == ERROR_IO_PENDING) {
        if (!finish(h, ov, static_cast<HANDLE>(wake_), timeout_ms, &done, &error))
            cancel_transfer(h, ov, &done, &error);
        result = static_cast<long>(done);
        if (error && error != ERROR_OPERATION_ABORTED) result = -1;
    } else {
        result = -1;
    }
    if (result < 0) errno = errno_of(error);
    CloseHandle(ov.hEvent);
    return result;
}

// What the device holds now, or its failure.
long CharDevice::read_now(uint8_t *buffer, size_t size) { return read_some(buffer, size, 0); }

// Lines report their input queue; for other devices the read itself waits.
int CharDevice::wait_readable(int timeout_ms) {
    HANDLE h = handle_of(fd_);
    ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(timeout_ms < 0 ? 0 : timeout_ms);
    for (;;) {
        if (interrupted_.load(std::memory_order_acquire)) return -1;
        if (!terminal_) return 1;
        DWORD errors = 0;
        COMSTAT status{};
        if (!ClearCommError(h, &errors, &status) || status.cbInQue > 0) return 1;
        if (GetTickCount64() >= end) return 0;
        if (!rest(1)) return -1;
    }
}

bool device_gone_error(int error) {
    switch (error) {
    case EIO:
    case ENODEV:
    case ENXIO:
    case EBADF:
    case EPIPE:
    case ENOENT:
        return true;
    default:
        return false;
    }
}

std::string device_group(const std::string &) { return ""; }

std::string default_device_path(DeviceKind kind, int32_t number) {
    switch (kind) {
    case DeviceKind::Serial: return "\\\\.\\COM" + std::to_string(number);
    case DeviceKind::Parallel: return "\\\\.\\LPT" + std::to_string(number);
    case DeviceKind::Usb: return device_interface_path(system_device_setup(), MAKER_USB_INTERFACE, number);
    case DeviceKind::PrinterClass: return device_interface_path(system_device_setup(), USB_PRINTER_INTERFACE, number);
    }
    return "";
}

const char *example_device_path(DeviceKind kind) {
    switch (kind) {
    case DeviceKind::Serial: return "\\\\.\\COM3";
    case DeviceKind::Parallel: return "\\\\.\\LPT1";
    default: return "\\\\?\\usb#vid_0000&pid_0000#...";
    }
}
