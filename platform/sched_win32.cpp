#include <windows.h>

#include <cstdint>

#include "platform/sched.h"

void yield_processor() {
    // As on Linux: one yield per few milliseconds of running is polite enough.
    constexpr ULONGLONG kEveryMs = 4;
    thread_local ULONGLONG last_ms = 0;
    ULONGLONG now = GetTickCount64();
    if (now - last_ms < kEveryMs) return;
    last_ms = now;
    SwitchToThread();
}

namespace {

// The guard pages at the low end are not usable stack.
constexpr uintptr_t kGuard = 64 * 1024;

}  // namespace

namespace sched_detail {

constinit thread_local uintptr_t stack_low = 0;

uintptr_t learn_stack_low() {
    ULONG_PTR low = 0, high = 0;
    GetCurrentThreadStackLimits(&low, &high);
    stack_low = low != 0 ? low + kGuard : 1;
    return stack_low;
}

}  // namespace sched_detail

size_t stack_headroom() {
    ULONG_PTR low = 0, high = 0;
    GetCurrentThreadStackLimits(&low, &high);
    // The frame address, not a local's: instrumented builds may keep locals elsewhere.
    auto at = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
    if (low == 0 || at <= low + kGuard || at > high) return SIZE_MAX;
    return at - low - kGuard;
}
