// Clocks and sleeping.
//  - tick_count_ms: milliseconds of the monotonic clock as a 32-bit count that
//    wraps (about every 49.7 days); only differences are meaningful.
//  - local_time: the wall clock in the local time zone, to the millisecond.
//  - sleep_ms: at least n milliseconds (n <= 0 returns at once).
#pragma once

#include <cstdint>

struct LocalTime {
    int year, month, day;  // month 1..12
    int hour, minute, second, millisecond;
};

uint32_t tick_count_ms();
LocalTime local_time();
void sleep_ms(int32_t n);
