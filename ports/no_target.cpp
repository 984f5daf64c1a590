// No target: every sent byte is shown as a dump line on standard output.
#include <cstdio>

#include "ports/file/dump.h"
#include "ports/port_sets.h"
#include "ports/port_state.h"

PortState::~PortState() = default;
PortState port_state;

namespace {

int32_t no_target_open(const TargetSettings &) {
    std::fputs(dump_header, stdout);
    port_state.sent_count = 0;
    port_state.received_count = 0;
    run_options.terminal_mode = 1;
    return 1;
}

int32_t no_target_send_byte(int32_t b) {
    dump_sent_byte(b);
    return 1;
}

int32_t no_target_send(const uint8_t *buffer, int32_t length) {
    for (int32_t i = 0; i < length; ++i) dump_sent_byte(buffer[i]);
    return 1;
}

}  // namespace

constinit const PortOps no_target_port_ops = {
    no_target_open, ops_ok_arg,   no_target_send_byte, no_target_send_byte,
    ops_poll_ok,    ops_ok,       ops_none,            ops_none_arg,
    ops_ok_arg,     ops_zero,     ops_none,            ops_none,
    no_target_send, ops_none_arg, ops_none_arg,        ops_reset_message,
    no_target_send,
};
