#include <windows.h>

#include "platform/break_signals.h"
#include "platform/clock.h"

uint32_t tick_count_ms() { return GetTickCount(); }

LocalTime local_time() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
}

void sleep_ms(int32_t n) {
    // The default timer granularity (15.6 ms) would turn every 1 ms wait of
    // the port layer into sixteen; the system drops the request at exit.
    static const bool fine_timer = timeBeginPeriod(1) == TIMERR_NOERROR;
    (void)fine_timer;
    if (n <= 0) return;
    BlockingWait waiting;
    Sleep(static_cast<DWORD>(n));
}
