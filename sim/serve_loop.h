// The simulator's one thread. serve() waits on the stop signals (SIGINT,
// SIGTERM, SIGHUP, SIGQUIT), the control commands on standard input (one a
// line; at its end serving goes on) and the descriptors of a transport, and
// hands each what is ready, until a stop signal or "quit".
//
// A transport is a Line (session.h) that also names its descriptors. This
// base keeps the hold and drop requests of the control commands; serve()
// carries them out between reads, so they apply from the next byte.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/descriptors.h"
#include "sim/session.h"

class Transport : public Line {
public:
    void hold(int ms) override;
    void drop() override { drop_requested_ = true; }

    // Adds the descriptors to wait on now; reading is false while the line
    // is held, so nothing may be read.
    virtual void add_waits(std::vector<WaitItem> &items, bool reading) = 0;
    // Handles the items it added (the same ones, in order, with their
    // results); false after a failure that ends serving (already reported).
    virtual bool handle(std::span<const WaitItem> items, Session &session) = 0;
    // A hold that began after the wait: forget what became readable on the
    // line itself (a transport may keep serving other descriptors).
    virtual void hold_reads(std::span<WaitItem> items) {
        for (WaitItem &item : items) item.readable = false;
    }
    // Closes the line as a pulled cable would and offers a fresh one; false
    // after a failure (already reported).
    virtual bool replace_line(Session &session) = 0;

private:
    friend int serve(Transport &transport, Session &session);
    bool holding_ = false;
    uint32_t hold_until_ = 0;
    bool drop_requested_ = false;
};

// Serves until stopped; the exit status (0, or 1 after a failure).
int serve(Transport &transport, Session &session);

// Replies on their way to one descriptor: written at once when it can take
// them, else kept up to a limit (then dropped, with one complaint).
class OutputQueue {
public:
    void send(int fd, std::span<const uint8_t> bytes);
    void flush(int fd);  // when the descriptor is writable
    bool empty() const { return pending_.empty(); }
    void clear() { pending_.clear(); }

private:
    std::vector<uint8_t> pending_;
    bool overflow_reported_ = false;
};
