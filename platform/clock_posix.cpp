#include "platform/clock.h"

#include <cerrno>
#include <ctime>

#include "platform/break_signals.h"

uint32_t tick_count_ms() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    uint64_t ms = static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec / 1000000);
    return static_cast<uint32_t>(ms);
}

LocalTime local_time() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    tm parts{};
    localtime_r(&ts.tv_sec, &parts);
    return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour,
            parts.tm_min,         parts.tm_sec,     static_cast<int>(ts.tv_nsec / 1000000)};
}

void sleep_ms(int32_t n) {
    if (n <= 0) return;
    timespec left{n / 1000, static_cast<long>(n % 1000) * 1000000L};
    BlockingWait waiting;
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}
