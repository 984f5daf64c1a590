#include "base/port_ops.h"

#include <cstdio>

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

int32_t ops_open_unavailable(const TargetSettings &) {
    std::fputs("Can't open port\n", stderr);
    return 0;
}

int32_t ops_send_none(const uint8_t *, int32_t) { return 0; }

int32_t ops_send_now_bytewise(const uint8_t *buffer, int32_t length) {
    for (int32_t i = 0; i < length; ++i)
        if (current_port.port_send_byte_now(buffer[i]) == 0) return 0;
    return 1;
}

constinit PortOps current_port = unavailable_port_ops;
