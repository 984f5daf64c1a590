#include "sim/pty_line.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

constexpr size_t read_size = 64 * 1024;

}  // namespace

bool PtyLine::open() {
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

void PtyLine::add_waits(std::vector<WaitItem> &items, bool reading) {
    items.push_back({pty_.master_fd(), reading, !output_.empty()});
}

bool PtyLine::handle(std::span<const WaitItem> items, Session &session) {
    const WaitItem &line = items[0];
    if (line.writable) output_.flush(pty_.master_fd());
    if (!line.readable) return true;
    buffer_.resize(read_size);
    long n = read_descriptor(pty_.master_fd(), buffer_.data(), buffer_.size());
    if (n > 0) session.receive(std::span(buffer_).first(static_cast<size_t>(n)));
    if (n == -2) {  // cannot happen while the device end is held open here
        std::fprintf(stderr, "vordel-sim: the line failed: %s\n", std::strerror(errno));
        return false;
    }
    return true;
}

bool PtyLine::replace_line(Session &session) {
    output_.clear();
    pty_.close();
    session.line_reset();
    return open();
}
