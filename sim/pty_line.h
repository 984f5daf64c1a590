// The pseudo-terminal transport: serves one session on a pty pair until a
// stop signal (SIGINT, SIGTERM, SIGHUP, SIGQUIT) or a "quit" control command.
//  - Standard output gets "serial <slave path>" first, and again after every
//    drop, when a fresh pair replaces the dropped one (the link follows).
//  - Standard input carries control commands, one a line; at its end the
//    simulator goes on serving.
//  - Replies the host does not take are kept up to a limit, then dropped
//    with a complaint.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/descriptors.h"
#include "platform/pty.h"
#include "sim/session.h"

class PtyLine : public Line {
public:
    explicit PtyLine(std::string link_path) : link_path_(std::move(link_path)) {}

    // Opens the first pair and announces it; false after a message.
    bool open();
    // Serves until stopped; the exit status (0, or 1 after a failure).
    int serve(Session &session);

    void send(std::span<const uint8_t> bytes) override;
    void hold(int ms) override;
    void drop() override { drop_requested_ = true; }

private:
    bool open_pair();
    bool read_controls(Session &session);
    void flush_output();

    std::string link_path_;
    PtyPair pty_;
    WakePipe wake_;
    std::vector<uint8_t> pending_;  // replies not yet written
    bool overflow_reported_ = false;
    std::string control_input_;     // an unfinished control line
    bool stdin_open_ = true;
    bool holding_ = false;
    uint32_t hold_until_ = 0;
    bool drop_requested_ = false;
    bool failed_ = false;
};
