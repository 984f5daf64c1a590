// STAND-IN until the port layer lands its serial, parallel and device sets:
// every device target fails to open with the port layer's message, so a run
// mode ends with status 1 instead of pretending to print. Weak, so the real
// sets replace these wherever they are defined.
#include <cstdio>

#include "ports/port_sets.h"

namespace {

int32_t device_open_unavailable() {
    std::fputs("Can't open port\n", stderr);
    return 0;
}

int32_t send_none(const uint8_t *, int32_t) { return 0; }

constexpr PortOps unavailable_ops = {
    device_open_unavailable, ops_ok_arg,   ops_none_arg, ops_none_arg,
    ops_poll_ok,             ops_ok,       ops_none,     ops_none_arg,
    ops_ok_arg,              ops_zero,     ops_none,     ops_none,
    send_none,               ops_none_arg, ops_none_arg, ops_none,
};

}  // namespace

__attribute__((weak)) extern const PortOps serial_port_ops;
__attribute__((weak)) extern const PortOps parallel_port_ops;
__attribute__((weak)) extern const PortOps device_port_ops;
const PortOps serial_port_ops = unavailable_ops;
const PortOps parallel_port_ops = unavailable_ops;
const PortOps device_port_ops = unavailable_ops;
