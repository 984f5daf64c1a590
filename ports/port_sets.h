// The operation sets behind the target table (ports/target_table.h).
//
// The device sets (serial, parallel, and the one for USB, printer-class and
// Ethernet targets) are defined in ports/device_sets.cpp; a set whose driver
// is not built yet is a copy of unavailable_port_ops (base/port_ops.h).
#pragma once

#include "base/port_ops.h"

extern const PortOps no_target_port_ops;
extern const PortOps file_port_ops;
extern const PortOps serial_port_ops;
extern const PortOps parallel_port_ops;
extern const PortOps device_port_ops;
