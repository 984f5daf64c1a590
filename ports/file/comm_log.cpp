#include "ports/file/comm_log.h"

#include <cstdio>

#include "base/settings.h"
#include "platform/clock.h"
#include "ports/file/dump.h"
#include "ports/port_state.h"

void log_start() {
    port_state.run_start_ticks = tick_count_ms();
    if (!run_options.log_file) return;
    std::fputs(dump_separator, run_options.log_file);
    std::fputs(dump_header, run_options.log_file);
    log_stamp("log start");
}

void log_stamp(const char *text) {
    if (!run_options.log_file) return;
    LocalTime t = local_time();
    std::fprintf(run_options.log_file, " %04d/%02d/%02d %02d:%02d:%02d.%03d %s\n", t.year, t.month, t.day, t.hour,
                 t.minute, t.second, t.millisecond, text);
}

void log_end() {
    if (run_options.log_file) {
        log_stamp("log end");
        std::fputs(dump_header, run_options.log_file);
        std::fputs(dump_separator, run_options.log_file);
        std::fclose(run_options.log_file);
        run_options.log_file = nullptr;
    }
    port_state.run_end_ticks = tick_count_ms();
    print_total_time(port_state.run_start_ticks, port_state.run_end_ticks);
}

void print_total_time(uint32_t start_ticks, uint32_t end_ticks) {
    uint32_t elapsed = end_ticks - start_ticks;
    std::fprintf(stderr, " Total Time = %ld.%03ld seconds\n", static_cast<long>(elapsed / 1000),
                 static_cast<long>(elapsed % 1000));
}
