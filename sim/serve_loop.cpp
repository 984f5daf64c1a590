#include "sim/serve_loop.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/break_signals.h"
#include "platform/clock.h"

namespace {

constexpr size_t pending_limit = 1 << 20;
constexpr int idle_ms = 100;  // quiet time that decides a held-back request

std::atomic<const WakePipe *> stop_pipe{nullptr};

void on_stop_signal(int) {
    if (const WakePipe *pipe = stop_pipe.load()) pipe->notify();
}

// Standard input, split into control command lines.
class ControlInput {
public:
    bool open() const { return open_; }
    // Runs every complete line read; false when one asks to end.
    bool read(Session &session, Transport &transport, bool &drop_requested, bool &failed);

private:
    std::string partial_;
    bool open_ = true;
};

bool ControlInput::read(Session &session, Transport &transport, bool &drop_requested, bool &failed) {
    char buffer[4096];
    long n = read_descriptor(0, buffer, sizeof buffer);
    if (n == -1) return true;
    if (n <= 0) {  // the end (or a background job's terminal): a last line still counts
        open_ = false;
        partial_ += '\n';
    } else {
        partial_.append(buffer, static_cast<size_t>(n));
    }
    size_t newline;
    while ((newline = partial_.find('\n')) != std::string::npos) {
        std::string line = partial_.substr(0, newline);
        partial_.erase(0, newline + 1);
        if (!session.control(line)) return false;
        if (drop_requested) {
            drop_requested = false;
            if (!transport.replace_line(session)) {
                failed = true;
                return false;
            }
        }
    }
    return true;
}

}  // namespace

void Transport::hold(int ms) {
    holding_ = ms > 0;
    hold_until_ = tick_count_ms() + static_cast<uint32_t>(std::max(ms, 0));
}

int serve(Transport &transport, Session &session) {
    WakePipe wake;
    if (!wake.open()) {
        std::fprintf(stderr, "vordel-sim: can't make a pipe: %s\n", std::strerror(errno));
        return 1;
    }
    stop_pipe = &wake;
    if (!install_break_handler(on_stop_signal)) {
        std::fprintf(stderr, "vordel-sim: can't watch for stop signals\n");
        return 1;
    }
    ControlInput controls;
    std::vector<WaitItem> items;
    bool failed = false;
    for (;;) {
        int32_t hold_left = static_cast<int32_t>(transport.hold_until_ - tick_count_ms());
        if (hold_left <= 0) transport.holding_ = false;
        int timeout = transport.holding_ ? hold_left : -1;
        if (session.holding_bytes()) timeout = timeout < 0 ? idle_ms : std::min(timeout, idle_ms);

        items.assign(2, WaitItem{});
        items[0] = {wake.read_fd(), true};
        items[1] = {controls.open() ? 0 : -1, true};
        transport.add_waits(items, !transport.holding_);
        int ready = wait_descriptors(items, timeout);
        if (ready < 0) {
            std::fprintf(stderr, "vordel-sim: wait failed: %s\n", std::strerror(errno));
            failed = true;
            break;
        }
        if (items[0].readable) break;
        if ((items[1].readable || items[1].failed) &&
            !controls.read(session, transport, transport.drop_requested_, failed))
            break;
        // A hold or a drop just asked for applies before anything more is read.
        std::span<WaitItem> own = std::span(items).subspan(2);
        if (transport.holding_) transport.hold_reads(own);
        if (!transport.handle(own, session)) {
            failed = true;
            break;
        }
        if (ready == 0 && session.holding_bytes()) session.idle();
    }
    stop_pipe = nullptr;
    return failed ? 1 : 0;
}

void OutputQueue::send(int fd, std::span<const uint8_t> bytes) {
    if (pending_.empty() && fd >= 0) {
        long n = write_descriptor(fd, bytes.data(), bytes.size());
        if (n > 0) bytes = bytes.subspan(static_cast<size_t>(n));
    }
    if (bytes.empty()) return;
    if (pending_.size() + bytes.size() > pending_limit) {
        if (!overflow_reported_) std::fprintf(stderr, "vordel-sim: the host takes no replies; dropping them\n");
        overflow_reported_ = true;
        return;
    }
    pending_.insert(pending_.end(), bytes.begin(), bytes.end());
}

void OutputQueue::flush(int fd) {
    long n = write_descriptor(fd, pending_.data(), pending_.size());
    if (n <= 0) return;
    pending_.erase(pending_.begin(), pending_.begin() + n);
    if (pending_.empty()) overflow_reported_ = false;
}
