// The receive buffer behind the `recv` and `recvlen` builtins: 4096 bytes the
// reply receiver collects while the script variable RECV is non-zero.
//  - push drops the byte when the ring is full.
//  - pop waits while the ring is empty, letting the port layer take in data
//    (port_poll with an empty message, 1 ms sleep, typed keys dropped), then
//    returns the oldest byte 0..255.
//  - Only the interpreter thread touches it.
#pragma once

#include <cstdint>

constexpr int32_t RECV_RING_SIZE = 4096;

void recv_ring_push(uint8_t byte);
int32_t recv_ring_pop();
int32_t recv_ring_count();
void recv_ring_clear();
