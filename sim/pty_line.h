// The pseudo-terminal transport: one pty pair, whose device end the host
// opens as a serial port. Standard output gets "serial <device path>" when
// the pair opens, and again after every drop, when a fresh pair replaces the
// dropped one (the link, when asked for, follows).
#pragma once

#include <string>

#include "platform/pty.h"
#include "sim/serve_loop.h"

class PtyLine : public Transport {
public:
    explicit PtyLine(std::string link_path) : link_path_(std::move(link_path)) {}

    bool open();  // false after a message

    void send(std::span<const uint8_t> bytes) override { output_.send(pty_.master_fd(), bytes); }
    void add_waits(std::vector<WaitItem> &items, bool reading) override;
    bool handle(std::span<const WaitItem> items, Session &session) override;
    bool replace_line(Session &session) override;

private:
    std::string link_path_;
    PtyPair pty_;
    OutputQueue output_;
    std::vector<uint8_t> buffer_;
};
