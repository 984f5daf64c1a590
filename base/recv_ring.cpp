#include "base/recv_ring.h"

#include "base/port_ops.h"
#include "platform/clock.h"
#include "platform/console.h"

namespace {
uint8_t ring[RECV_RING_SIZE];
int32_t read_index = 0;
int32_t write_index = 0;
int32_t count = 0;
}  // namespace

void recv_ring_push(uint8_t byte) {
    if (count == RECV_RING_SIZE) return;
    ring[write_index] = byte;
    write_index = (write_index + 1) % RECV_RING_SIZE;
    ++count;
}

int32_t recv_ring_pop() {
    while (count == 0) {
        current_port.port_poll("");
        if (count > 0) break;
        sleep_ms(1);
        console_flush_input();
    }
    uint8_t b = ring[read_index];
    read_index = (read_index + 1) % RECV_RING_SIZE;
    --count;
    return b;
}

int32_t recv_ring_count() { return count; }

void recv_ring_clear() { read_index = write_index = count = 0; }
