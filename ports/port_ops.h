// The operations record through which everything talks to the printer.
// select_target copies one row of the target table into current_port; until
// then it holds the no-target set (every sent byte shown as a dump line).
// All operations return a signed 32-bit result (see each comment).
#pragma once

#include <cstdint>

enum class PortKind : int32_t {
    File = -1,
    Serial = 0,
    Parallel = 1,
    Usb = 2,
    Ethernet = 3,
    PrinterClass = 4,
};

struct PortOps {
    int32_t (*port_open)();                      // 1 open, 0 failed (message printed)
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
};

extern PortOps current_port;
