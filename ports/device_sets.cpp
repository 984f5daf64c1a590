// The device sets of the target table. A driver kind that is not built yet
// answers every open with "Can't open port"; its real set replaces the line.
#include "ports/port_sets.h"

constinit const PortOps serial_port_ops = unavailable_port_ops;
constinit const PortOps parallel_port_ops = unavailable_port_ops;
constinit const PortOps device_port_ops = unavailable_port_ops;
