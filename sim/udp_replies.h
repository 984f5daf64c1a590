// The printer's UDP control side (port 3289): answers the status query
// (ready, or not ready while the printer is off line), the handshake off and
// on requests (echoing the mode) and the reset request. Other datagrams get
// no answer.
//  - silent: answer nothing; refuse: answer every handshake request with
//    data byte 00; split: send each answer as two datagrams, with junk in
//    front of the first (the host must read across datagrams).
//  - *what gets the trace text ("status query -> ready", ...).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "sim/model.h"

struct UdpOptions {
    bool silent = false;
    bool refuse = false;
    bool split = false;
};

std::vector<std::vector<uint8_t>> answer_control(std::span<const uint8_t> request, const PrinterState &state,
                                                 const UdpOptions &options, std::string *what);
