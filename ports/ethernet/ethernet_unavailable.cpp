// Builds without a socket layer (Windows, for now): an Ethernet target has
// no driver, so it fails to open with "Can't open port".
#include "ports/ethernet/ethernet_driver.h"

std::unique_ptr<PortDriver> EthernetDriver::make(int32_t, PortKind) { return nullptr; }
