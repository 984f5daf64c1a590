// Entry point: banner, VORDEL environment, options, log, one run mode.
#include <cstdint>
#include <cstdlib>

#include "base/diag.h"
#include "base/settings.h"
#include "platform/break_signals.h"
#include "platform/console.h"
#include "platform/files.h"
#include "ports/file/comm_log.h"
#include "ports/file/log_builtin.h"
#include "ports/port_builtins.h"
#include "ports/port_sets.h"
#include "printer/builtin_table.h"
#include "startup/break_handler.h"
#include "startup/options.h"
#include "startup/run_modes.h"

namespace {

// A fatal error ends the run: a break arriving now is ignored, the printer
// target is closed without waiting and the script's files are flushed and
// closed; the log stream is closed by the process exit.
void end_on_fatal() {
    claim_exit();
    current_port.port_close(0);
    close_script_files_reporting();
}

void print_banner() {
    console_set_title("VORDEL Interpreter");
    message("VORDEL Interpreter Ver.7.90");
}

}  // namespace

int main(int argc, char **argv) {
    current_port = no_target_port_ops;
    set_fatal_hook(end_on_fatal);
    install_builtins(printer_builtins());
    install_builtins(log_builtins());
    install_builtins(port_builtins());
    fill_standard_streams();
    start_break_handling();
    print_banner();
    if (const char *env = std::getenv("VORDEL"); env && !parse_serial_env(env))
        fatal("Environment VORDEL is invalid");
    parse_options(argc, argv);
    int first = option_scanner.index;
    argc -= first;
    argv += first;

    log_start();
    if (run_options.output_file_mode) run_options.exit_status = run_output_file(argc, argv);
    else if (run_options.interactive_mode) run_options.exit_status = run_interactive(argc, argv);
    else run_options.exit_status = run_script(argc, argv);
    claim_exit();
    log_end();
    return run_options.exit_status;
}
