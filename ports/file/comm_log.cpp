#include "ports/file/comm_log.h"

#include <cstdio>

#include "platform/clock.h"
#include "ports/file/dump.h"
#include "startup/globals.h"

uint32_t run_start_ticks = 0;
uint32_t run_end_ticks = 0;

void log_start() {
    run_start_ticks = tick_count_ms();
    if (!log_file) return;
    std::fputs(dump_separator, log_file);
    std::fputs(dump_header, log_file);
    log_stamp("log start");
}

void log_stamp(const char *text) {
    if (!log_file) return;
    LocalTime t = local_time();
    std::fprintf(log_file, " %04d/%02d/%02d %02d:%02d:%02d.%03d %s\n", t.year, t.month, t.day, t.hour,
                 t.minute, t.second, t.millisecond, text);
}

void log_end() {
    if (log_file) {
        log_stamp("log end");
        std::fputs(dump_header, log_file);
        std::fputs(dump_separator, log_file);
        std::fclose(log_file);
        log_file = nullptr;
    }
    run_end_ticks = tick_count_ms();
    print_total_time(run_start_ticks, run_end_ticks);
}

void print_total_time(uint32_t start_ticks, uint32_t end_ticks) {
    uint32_t elapsed = end_ticks - start_ticks;
    std::fprintf(stderr, " Total Time = %ld.%03ld seconds\n", static_cast<long>(elapsed / 1000),
                 static_cast<long>(elapsed % 1000));
}
