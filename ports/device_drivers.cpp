// The device drivers by kind: serial, parallel, USB, Ethernet, printer class.
// A kind without a driver fails to open with "Can't open port".
#include "ports/port_layer.h"

const DriverKinds device_driver_kinds = {nullptr, nullptr, nullptr, nullptr, nullptr};
const DriverKinds *port_driver_kinds = &device_driver_kinds;
