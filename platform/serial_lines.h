// Modem lines and host-side flow signals of a serial device, by descriptor.
// Every call answers false / -1 when the device has no such lines (a
// pseudo-terminal, a closed descriptor) or the call fails.
#pragma once

#include <cstdint>

// Line states in the bit layout the port layer shows: CTS 0x10, DSR 0x20,
// RI 0x40, DCD 0x80. -1 when they cannot be read.
constexpr int32_t MODEM_CTS = 0x10;
constexpr int32_t MODEM_DSR = 0x20;
constexpr int32_t MODEM_RI = 0x40;
constexpr int32_t MODEM_DCD = 0x80;
int32_t serial_modem_status(int fd);

bool serial_set_rts(int fd, bool high);
bool serial_set_dtr(int fd, bool high);
// Sends the stop (XOFF) or start (XON) character to the device.
bool serial_send_flow_char(int fd, bool stop);
