#include "platform/sched.h"

#include <pthread.h>
#include <sched.h>
#include <time.h>

#include <cstdint>

void yield_processor() {
    // The scheduler shares the processor anyway: one yield per few
    // milliseconds of running is polite enough, and the coarse clock is read
    // without entering the kernel, unlike the yield itself.
    constexpr int64_t kEveryNs = 4'000'000;
    thread_local int64_t last_ns = 0;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
    int64_t ns = int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
    if (ns - last_ns < kEveryNs) return;
    last_ns = ns;
    sched_yield();
}

namespace {

struct StackBounds {
    uintptr_t low = 0;
    uintptr_t high = 0;
};

// This thread's stack, learned once per thread; zeros when unknown.
const StackBounds &stack_bounds() {
    thread_local StackBounds bounds;
    thread_local bool known = false;
    if (!known) {
        known = true;
        pthread_attr_t attr;
        if (pthread_getattr_np(pthread_self(), &attr) == 0) {
            void *addr = nullptr;
            size_t size = 0;
            if (pthread_attr_getstack(&attr, &addr, &size) == 0) {
                bounds.low = reinterpret_cast<uintptr_t>(addr);
                bounds.high = bounds.low + size;
            }
            pthread_attr_destroy(&attr);
        }
    }
    return bounds;
}

}  // namespace

namespace sched_detail {

constinit thread_local uintptr_t stack_low = 0;

uintptr_t learn_stack_low() {
    const StackBounds &b = stack_bounds();
    stack_low = b.low != 0 ? b.low : 1;
    return stack_low;
}

}  // namespace sched_detail

size_t stack_headroom() {
    const StackBounds &b = stack_bounds();
    // The frame address, not a local's: instrumented builds may keep locals elsewhere.
    auto at = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
    if (b.low == 0 || at <= b.low || at > b.high) return SIZE_MAX;
    return at - b.low;
}
