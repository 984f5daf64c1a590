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

// Line settings a serial driver programs.
struct SerialLine {
    int32_t bits_per_second = 19200;  // 600 .. 115200; another rate gives 19200
    int32_t data_bits = 8;            // 5 .. 8
    int32_t parity = 0;               // 0 none, 1 odd, 2 even, 3 mark, 4 space
    int32_t stop_bits = 0;            // 0 one, 1 one and a half (as two), 2 two
    bool rts_cts = false;             // output held while CTS is off, RTS raised
    bool xon_xoff = false;            // both directions
};

// Raw mode, the settings, output flow as configured; false when the device
// refuses (not a terminal, for example).
bool serial_configure(int fd, const SerialLine &line);
// Switches exactly the configured output flow control off (on = false) or
// back on.
bool serial_set_output_flow(int fd, const SerialLine &line, bool on);
// Drops what the line has received and, with output, what it has not yet
// sent (on a pseudo-terminal also what the far end has not yet read).
bool serial_purge(int fd, bool output);
// Bytes written but not yet sent by the line; 0 when unknown.
int32_t serial_output_pending(int fd);
