// The device drivers by kind: serial, parallel, USB, Ethernet, printer class.
// A kind without a driver fails to open with "Can't open port".
#include "ports/ethernet/ethernet_driver.h"
#include "ports/parallel/parallel_driver.h"
#include "ports/port_layer.h"
#include "ports/serial/serial_driver.h"
#include "ports/usb/usb_drivers.h"

const DriverKinds device_driver_kinds = {make_serial_driver, make_parallel_driver, make_usb_driver, EthernetDriver::make,
                                         make_usb_printer_driver};
const DriverKinds *port_driver_kinds = &device_driver_kinds;
