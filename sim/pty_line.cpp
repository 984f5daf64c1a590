#include "sim/pty_line.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/break_signals.h"
#include "platform/clock.h"

namespace {

constexpr size_t read_size = 64 * 1024;
constexpr size_t pending_limit = 1 << 20;
constexpr int idle_ms = 100;  // quiet time that decides a held-back request

std::atomic<const WakePipe *> stop_pipe{nullptr};

void on_stop_signal(int) {
    if (const WakePipe *pipe = stop_pipe.load()) pipe->notify();
}

}  // namespace

bool PtyLine::open() {
    if (!wake_.open()) {
        std::fprintf(stderr, "vordel-sim: can't make a pipe: %s\n", std::strerror(errno));
        return false;
    }
    return open_pair();
}

bool PtyLine::open_pair() {
    if (!pty_.open()) {
        std::fprintf(stderr, "vordel-sim: can't open a pseudo-terminal: %s\n", std::strerror(errno));
        return false;
    }
    if (!link_path_.empty() && !pty_.link(link_path_)) {
        std::fprintf(stderr, "vordel-sim: can't link %s: %s\n", link_path_.c_str(), std::strerror(errno));
        return false;
    }
    std::printf("serial %s\n", pty_.slave_path().c_str());
    std::fflush(stdout);
    return true;
}

void PtyLine::send(std::span<const uint8_t> bytes) {
    if (pending_.empty() && pty_.master_fd() >= 0) {
        long n = write_descriptor(pty_.master_fd(), bytes.data(), bytes.size());
        if (n > 0) bytes = bytes.subspan(static_cast<size_t>(n));
    }
    if (bytes.empty()) return;
    if (pending_.size() + bytes.size() > pending_limit) {
        if (!overflow_reported_)
            std::fprintf(stderr, "vordel-sim: the host takes no replies; dropping them\n");
        overflow_reported_ = true;
        return;
    }
    pending_.insert(pending_.end(), bytes.begin(), bytes.end());
}

void PtyLine::flush_output() {
    long n = write_descriptor(pty_.master_fd(), pending_.data(), pending_.size());
    if (n <= 0) return;
    pending_.erase(pending_.begin(), pending_.begin() + n);
    if (pending_.empty()) overflow_reported_ = false;
}

void PtyLine::hold(int ms) {
    holding_ = ms > 0;
    hold_until_ = tick_count_ms() + static_cast<uint32_t>(std::max(ms, 0));
}

// One piece of standard input: every complete line is a control command.
// False when a command asks to end.
bool PtyLine::read_controls(Session &session) {
    char buffer[4096];
    long n = read_descriptor(0, buffer, sizeof buffer);
    if (n < 0 && n != -2) return true;
    if (n <= 0) {  // end of input: a last line without its newline still counts
        stdin_open_ = false;
        control_input_ += '\n';
    } else {
        control_input_.append(buffer, static_cast<size_t>(n));
    }
    size_t newline;
    while ((newline = control_input_.find('\n')) != std::string::npos) {
        std::string line = control_input_.substr(0, newline);
        control_input_.erase(0, newline + 1);
        if (!session.control(line)) return false;
        if (drop_requested_) {
            drop_requested_ = false;
            pending_.clear();
            pty_.close();
            if (!open_pair()) {
                failed_ = true;
                return false;
            }
            session.line_reset();
        }
    }
    return true;
}

int PtyLine::serve(Session &session) {
    stop_pipe = &wake_;
    if (!install_break_handler(on_stop_signal)) {
        std::fprintf(stderr, "vordel-sim: can't watch for stop signals\n");
        return 1;
    }
    std::vector<uint8_t> buffer(read_size);
    int status = 0;
    for (;;) {
        int32_t hold_left = holding_ ? static_cast<int32_t>(hold_until_ - tick_count_ms()) : 0;
        if (hold_left <= 0) holding_ = false;
        int timeout = holding_ ? hold_left : -1;
        if (session.holding_bytes()) timeout = timeout < 0 ? idle_ms : std::min(timeout, idle_ms);

        WaitItem items[3];
        items[0] = {wake_.read_fd(), true};
        items[1] = {stdin_open_ ? 0 : -1, true};
        items[2] = {pty_.master_fd(), !holding_, !pending_.empty()};
        int ready = wait_descriptors(items, timeout);
        if (ready < 0) {
            std::fprintf(stderr, "vordel-sim: wait failed: %s\n", std::strerror(errno));
            status = 1;
            break;
        }
        if (items[0].readable) break;
        if ((items[1].readable || items[1].failed) && !read_controls(session)) {
            status = failed_ ? 1 : 0;
            break;
        }
        if (items[2].writable && pty_.master_fd() == items[2].fd) flush_output();
        if (items[2].readable && pty_.master_fd() == items[2].fd && !holding_) {
            long n = read_descriptor(pty_.master_fd(), buffer.data(), buffer.size());
            if (n > 0) session.receive(std::span(buffer).first(static_cast<size_t>(n)));
        }
        if (ready == 0 && session.holding_bytes()) session.idle();
    }
    stop_pipe = nullptr;
    pty_.close();
    return status;
}
