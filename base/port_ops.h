// The operations record through which everything talks to the printer.
// select_target copies one row of the target table into current_port; the
// start-up code first installs the no-target set (every sent byte shown as a
// dump line). Until then current_port holds unavailable_port_ops.
// All operations return a signed 32-bit result (see each comment).
// port_send_now takes a whole real-time request, so a driver can send it as
// one piece: the same bytes, in the same order, with the same handshake
// switch as port_send_byte_now for each; sets with nothing better use
// ops_send_now_bytewise.
#pragma once

#include <cstdint>

#include "base/settings.h"

struct PortOps {
    int32_t (*port_open)(const TargetSettings &target);  // 1 open, 0 failed (message printed)
    int32_t (*port_close)(int32_t wait);         // 1 closed, 0 refused
    int32_t (*port_send_byte)(int32_t b);        // 1 handed on
    int32_t (*port_send_byte_now)(int32_t b);    // real-time requests
    int32_t (*port_poll)(const char *message);   // 1
    int32_t (*port_wait_ready)();                // 1 once sending is allowed
    int32_t (*port_recv_byte)();                 // 0..255, -1 none
    int32_t (*port_recv_reply)(int32_t mode);    // -1 where the target cannot answer
    int32_t (*port_set_host_busy)(int32_t busy);
    int32_t (*port_rx_count)();
    int32_t (*port_get_dsr)();                   // 1 on, 0 off, <0 no such line
    int32_t (*port_get_cts)();
    int32_t (*port_send)(const uint8_t *buffer, int32_t length);
    int32_t (*port_set_block_size)(int32_t n);   // 1 accepted, 0 refused, -1 unsupported
    int32_t (*port_set_large_receive)(int32_t on);
    int32_t (*port_reset)();
    int32_t (*port_send_now)(const uint8_t *buffer, int32_t length);  // 1 all handed on, 0 refused
};

extern PortOps current_port;

// The trivial answers shared by the sets without a device (1 = done, -1 =
// the target cannot do it, 0 = nothing waiting).
int32_t ops_ok();
int32_t ops_ok_arg(int32_t);
int32_t ops_poll_ok(const char *message);
int32_t ops_none();
int32_t ops_none_arg(int32_t);
int32_t ops_zero();
// Writes " Reset()" to the error stream; -1.
int32_t ops_reset_message();

// A target whose driver is not built: every open prints "Can't open port" and
// fails, so a run ends with status 1 instead of pretending to print.
int32_t ops_open_unavailable(const TargetSettings &target);
int32_t ops_send_none(const uint8_t *buffer, int32_t length);

// current_port.port_send_byte_now for each byte; stops at the first that
// answers 0 (and answers 0), as callers sending byte by byte did.
int32_t ops_send_now_bytewise(const uint8_t *buffer, int32_t length);

inline constexpr PortOps unavailable_port_ops = {
    ops_open_unavailable, ops_ok_arg,   ops_none_arg, ops_none_arg,
    ops_poll_ok,          ops_ok,       ops_none,     ops_none_arg,
    ops_ok_arg,           ops_zero,     ops_none,     ops_none,
    ops_send_none,        ops_none_arg, ops_none_arg, ops_none,
    ops_send_now_bytewise,
};
