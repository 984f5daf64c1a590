// Processor scheduling and stack headroom of the calling thread.
//  - yield_processor: gives up the rest of the time slice when the caller has
//    run for a few milliseconds since it last did; otherwise returns at once
//    (never fails). Meant to be called often, from one thread.
//  - stack_headroom: bytes left between the caller's frame and the end of the
//    calling thread's stack; SIZE_MAX when the bounds cannot be learned.
//  - stack_short: whether fewer than `reserve` bytes are left, as
//    stack_headroom() < reserve but cheap enough for every evaluation step.
#pragma once

#include <cstddef>
#include <cstdint>

void yield_processor();
size_t stack_headroom();

namespace sched_detail {
// The lowest usable address of this thread's stack; 0 until learned, 1 when
// it cannot be.
extern constinit thread_local uintptr_t stack_low;
uintptr_t learn_stack_low();
}  // namespace sched_detail

inline bool stack_short(size_t reserve) {
    uintptr_t low = sched_detail::stack_low;
    if (low == 0) low = sched_detail::learn_stack_low();
    auto at = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
    return at - low < reserve;
}
