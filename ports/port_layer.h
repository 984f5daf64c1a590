// The port layer over the driver framework: the serial, parallel and device
// operation sets (port_sets.h), their shared state, the reply receiver and
// the port layer's console texts.
//  - One driver is open at a time; its handle and the handshake and busy
//    states are the layer's own. Only on_write_done runs on a driver thread.
//  - Every wait sleeps about 1 ms per pass (or less, when the driver reports
//    a change) and a receive wait ends on Esc.
//  - Time-outs come from the profile section [ZQPRTAPI] at every open; a
//    constant below 11 becomes 10.
#pragma once

#include <cstdint>
#include <cstdio>

#include "ports/driver/driver_table.h"

// The drivers port_open makes, by kind; tests point this at fakes.
extern const DriverKinds device_driver_kinds;
extern const DriverKinds *port_driver_kinds;

// Writes the text of an error code to the error stream ("Busy", "Can't open
// port", ... "Unknown error").
void port_error(int32_t code);

// The send thread's report after each write attempt: "Busy" once per period
// in which the printer holds data off.
void on_write_done(int32_t handle, int32_t tag, int32_t bytes, int32_t ok);

// Once per outage of the device: "Printer disconnected: <device> (<reason>);
// waiting for it, Esc cancels".
void on_device_waiting(int32_t handle, const char *device, const char *reason);
// Called by every wait of the interpreter thread: while the driver waits for
// its vanished device, Esc ends the run (status 1, through fatal).
void port_check_device_wait();

// The settings a serial open shows with -v.
void show_port_settings(std::FILE *out, int32_t port_number);
// CTS, DSR, RI, DCD of the open serial device with -v ("ON" when they cannot
// be read), then the separator line.
void show_modem_lines();

// The reply receiver behind every set's port_recv_reply (see reply.cpp).
int32_t recv_reply(int32_t mode);

// The automatic status messages the receiver sorts out.
enum class StatusKind { Asb, Ink, Extended };
// The changed bits of the last message of kind (all of them, with the byte
// titles, for the first one).
void show_status_changes(std::FILE *out, StatusKind kind);
// The -a screen: the changed ASB bits drawn at their places.
void show_asb_screen();
// Forgets every status message and partly collected reply (tests; a new run).
void reset_reply_state();

// The open driver, -1 when none.
int32_t port_handle();
