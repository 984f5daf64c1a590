#include "startup/break_handler.h"

#include <cstdio>
#include <string>

#include "base/port_ops.h"
#include "base/settings.h"
#include "core/script_files.h"
#include "platform/break_signals.h"
#include "platform/files.h"

void console_break_handler(int event) {
    char text[48];
    if (event == 0) std::snprintf(text, sizeof text, "CTRL-C BREAK\n");
    else std::snprintf(text, sizeof text, "\r\nCONSOLE HANDLER %d\r\n", event);
    write_unlocked_text(stderr, text);
    current_port.port_close(0);
    close_script_files_reporting();
    if (run_options.log_file && try_lock_stream(run_options.log_file)) std::fflush(run_options.log_file);
    quick_exit_process(1);
}

void start_break_handling() {
    if (!install_break_handler(console_break_handler)) keep_terminal_on_default_break();
}

void register_break_handler() {
    if (!install_break_handler(console_break_handler)) quick_exit_process(255);
}

bool close_script_files_reporting() {
    bool all_written = true;
    for (const std::string &name : close_script_files()) {
        write_unlocked_text(stderr, ("Fatal error: Can't write file <" + name + ">\n").c_str());
        all_written = false;
    }
    return all_written;
}
