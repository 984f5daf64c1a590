#include "platform/char_device.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

int ms_left(Clock::time_point end) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

}  // namespace

CharDevice::~CharDevice() { close(); }

int CharDevice::open_locked(const std::string &path, bool *terminal) {
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return -1;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        int saved = errno == EWOULDBLOCK ? EBUSY : errno;
        ::close(fd);
        errno = saved;
        return -1;
    }
    *terminal = isatty(fd) != 0;
    if (*terminal) ioctl(fd, TIOCEXCL);
    return fd;
}

bool CharDevice::open(const std::string &path) {
    close();
    if (wake_.read_fd() < 0 && !wake_.open()) return false;
    wake_.drain();
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
    bool terminal = false;
    int fresh = open_locked(path_, &terminal);
    if (fresh < 0) return false;
    if (terminal_) ioctl(fd_, TIOCNXCL);
    // dup3 replaces the old file in one step: the number is never free.
    if (dup3(fresh, fd_, O_CLOEXEC) < 0) {
        int saved = errno;
        ::close(fresh);
        errno = saved;
        return false;
    }
    ::close(fresh);
    terminal_ = terminal;
    return true;
}

void CharDevice::close() {
    if (fd_ < 0) return;
    if (terminal_) ioctl(fd_, TIOCNXCL);
    ::close(fd_);  // releases the flock with the last reference
    fd_ = -1;
    terminal_ = false;
}

void CharDevice::interrupt() {
    interrupted_.store(true, std::memory_order_release);
    if (wake_.read_fd() >= 0) wake_.notify();
}

bool CharDevice::wait_for(bool write, int timeout_ms, bool *failed) {
    WaitItem items[2];
    items[0].fd = fd_;
    items[0].want_read = !write;
    items[0].want_write = write;
    items[1].fd = wake_.read_fd();
    items[1].want_read = true;
    wait_descriptors(items, timeout_ms);
    *failed = items[0].failed;
    return !items[1].readable && !interrupted_.load(std::memory_order_acquire);
}

bool CharDevice::rest(int ms) {
    if (interrupted_.load(std::memory_order_acquire)) return false;
    WaitItem wake;
    wake.fd = wake_.read_fd();
    wake.want_read = true;
    wait_descriptors({&wake, 1}, ms);
    return !wake.readable && !interrupted_.load(std::memory_order_acquire);
}

long CharDevice::write_some(const uint8_t *data, size_t size, int timeout_ms) {
    Clock::time_point end = Clock::now() + std::chrono::milliseconds(timeout_ms);
    size_t done = 0;
    bool after_wait = false;
    while (done < size) {
        long n = write_descriptor(fd_, data + done, size - done);
        if (n < 0) return -1;
        done += static_cast<size_t>(n);
        if (done == size) break;
        // A device without poll support says "ready" at once: pace the retry.
        if (n == 0 && after_wait && !rest(1)) break;
        int left = ms_left(end);
        if (left == 0 || interrupted_.load(std::memory_order_acquire)) break;
        after_wait = false;
        if (n > 0) continue;
        bool failed = false;
        if (!wait_for(true, left, &failed)) break;
        after_wait = true;
    }
    return static_cast<long>(done);
}

long CharDevice::read_some(uint8_t *buffer, size_t size, int timeout_ms) {
    bool failed = false;
    long n = read_descriptor(fd_, buffer, size);
    if (n == -1) {
        if (!wait_for(false, timeout_ms, &failed)) return 0;
        n = read_descriptor(fd_, buffer, size);
    }
    if (n == -2) return -1;
    if (n == -1) return 0;
    if (n == 0 && (terminal_ || failed)) {
        errno = EIO;  // end of file on a line is its hang-up
        return -1;
    }
    return n;
}

long CharDevice::read_now(uint8_t *buffer, size_t size) {
    long n = read_descriptor(fd_, buffer, size);
    if (n == -2) return -1;
    if (n == -1) return 0;
    if (n == 0 && terminal_) {
        errno = EIO;
        return -1;
    }
    return n;
}

int CharDevice::wait_readable(int timeout_ms) {
    bool failed = false;
    WaitItem items[2];
    items[0].fd = fd_;
    items[0].want_read = true;
    items[1].fd = wake_.read_fd();
    items[1].want_read = true;
    wait_descriptors(items, timeout_ms);
    failed = items[0].failed;
    if (items[1].readable || interrupted_.load(std::memory_order_acquire)) return -1;
    return items[0].readable || failed ? 1 : 0;
}

bool device_gone_error(int error) {
    switch (error) {
    case EIO:
    case ENODEV:
    case ENXIO:
    case EBADF:
    case EPIPE:
    case ENOENT:
    case ECONNRESET:
    case ESHUTDOWN:
        return true;
    default:
        return false;
    }
}

std::string device_group(const std::string &path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return "";
    std::vector<char> buffer(4096);
    struct group entry;
    struct group *found = nullptr;
    if (getgrgid_r(st.st_gid, &entry, buffer.data(), buffer.size(), &found) != 0 || !found) return "";
    return found->gr_name;
}

std::string default_device_path(DeviceKind kind, int32_t number) {
    switch (kind) {
    case DeviceKind::Serial: return "/dev/ttyS" + std::to_string(number - 1);
    case DeviceKind::Parallel: return "/dev/lp" + std::to_string(number - 1);
    case DeviceKind::Usb:
    case DeviceKind::PrinterClass: return "/dev/usb/lp" + std::to_string(number);
    }
    return "";
}

const char *example_device_path(DeviceKind kind) {
    switch (kind) {
    case DeviceKind::Serial: return "/dev/ttyUSB0";
    case DeviceKind::Parallel: return "/dev/lp0";
    default: return "/dev/usb/lp0";
    }
}
