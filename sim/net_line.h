// The network transport: the printer's print port (TCP 9100) and its
// control port (UDP 3289) on one IPv4 address. Standard output gets
// "net <address>" once both are open.
//  - One connection at a time; the next is accepted after a close. Its
//    bytes feed the session like the serial line's.
//  - A drop ends the connection from the printer's side: the host reads the
//    end of the connection, and what it sent before it noticed still reaches
//    the session; the connection closes when the host closes its end (a
//    second drop cuts it off at once). Only then is the next one accepted.
//  - Datagrams from anyone are answered by the session's control side.
#pragma once

#include <vector>

#include "platform/sockets.h"
#include "sim/serve_loop.h"

class NetLine : public Transport {
public:
    explicit NetLine(const Ipv4 &address) : address_(address) {}

    bool open();  // false after a message

    void send(std::span<const uint8_t> bytes) override;
    void add_waits(std::vector<WaitItem> &items, bool reading) override;
    bool handle(std::span<const WaitItem> items, Session &session) override;
    bool replace_line(Session &session) override;
    // A hold stalls the print port only; the control port still answers.
    void hold_reads(std::span<WaitItem> items) override { items[2].readable = false; }

private:
    void end_connection(Session &session, const char *why);

    Ipv4 address_;
    Socket control_;
    Socket listener_;
    Socket connection_;
    bool ending_ = false;  // dropped: our side is shut, the host's still read
    OutputQueue output_;
    std::vector<uint8_t> buffer_;
};
