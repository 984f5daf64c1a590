// The device drivers by kind: serial, parallel, USB, Ethernet, printer class.
// A kind without a driver fails to open with "Can't open port".
#include "ports/port_layer.h"
#include "ports/serial/serial_driver.h"

const DriverKinds device_driver_kinds = {make_serial_driver, nullptr, nullptr, nullptr, nullptr};
const DriverKinds *port_driver_kinds = &device_driver_kinds;
