#include "startup/break_handler.h"

#include <cstdio>

#include "base/port_ops.h"
#include "base/settings.h"
#include "platform/break_signals.h"

void console_break_handler(int event) {
    if (event == 0) std::fputs("CTRL-C BREAK\n", stderr);
    else std::fprintf(stderr, "\r\nCONSOLE HANDLER %d\r\n", event);
    current_port.port_close(0);
    if (run_options.log_file) std::fflush(run_options.log_file);
    quick_exit_process(1);
}

void register_break_handler() {
    if (!install_break_handler(console_break_handler)) quick_exit_process(255);
}
