#include "ports/port_ops.h"

#include <cstdio>

#include "ports/file/dump.h"
#include "ports/port_sets.h"
#include "startup/globals.h"

int32_t ops_ok() { return 1; }
int32_t ops_ok_arg(int32_t) { return 1; }
int32_t ops_poll_ok(const char *) { return 1; }
int32_t ops_none() { return -1; }
int32_t ops_none_arg(int32_t) { return -1; }
int32_t ops_zero() { return 0; }

int32_t ops_reset_message() {
    std::fputs(" Reset()\n", stderr);
    return -1;
}

// No target: every sent byte is shown as a dump line on standard output.
namespace {

int32_t no_target_open() {
    std::fputs(dump_header, stdout);
    sent_count = 0;
    received_count = 0;
    terminal_mode = 1;
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
};

constinit PortOps current_port = no_target_port_ops;
