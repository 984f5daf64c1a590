// The operation sets behind the target table, and the trivial answers that
// the sets without a device share (1 = done, -1 = the target cannot do it,
// 0 = nothing waiting).
//
// The device sets (serial, parallel, and the one for USB, printer-class and
// Ethernet targets) are defined by the port layer; until it provides them, a
// weak stand-in answers every open with "Can't open port".
#pragma once

#include <cstdint>

#include "ports/port_ops.h"

extern const PortOps no_target_port_ops;
extern const PortOps file_port_ops;
extern const PortOps serial_port_ops;
extern const PortOps parallel_port_ops;
extern const PortOps device_port_ops;

int32_t ops_ok();
int32_t ops_ok_arg(int32_t);
int32_t ops_poll_ok(const char *message);
int32_t ops_none();
int32_t ops_none_arg(int32_t);
int32_t ops_zero();
// Writes " Reset()" to the error stream; -1.
int32_t ops_reset_message();
