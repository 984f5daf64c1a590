#include "ports/parallel/parallel_driver.h"

#include <algorithm>

int32_t ParallelDriver::write_timeout_ms(int32_t length) const {
    return settings().send_multiplier * length + std::max(settings().send_constant, MIN_SEND_CONSTANT);
}

int32_t ParallelDriver::read_piece(uint8_t *data, int32_t max) {
    long n = device().read_some(data, static_cast<size_t>(max), READ_WAIT_MS);
    if (n >= 0) return static_cast<int32_t>(n);
    // A refused read is no sign of a lost device here; writes tell that.
    device().rest(READ_WAIT_MS);
    return 0;
}

std::unique_ptr<PortDriver> make_parallel_driver(int32_t handle, PortKind kind) {
    return std::make_unique<ParallelDriver>(handle, kind);
}
