// Entry point: banner, VORDEL environment, options, log, one run mode.
#include <cstdint>
#include <cstdlib>

#include "platform/break_signals.h"
#include "platform/console.h"
#include "platform/files.h"
#include "ports/file/comm_log.h"
#include "startup/diag.h"
#include "startup/globals.h"
#include "startup/options.h"
#include "startup/run_modes.h"

namespace {

void print_banner() {
    console_set_title("VORDEL Interpreter");
    message("VORDEL Interpreter Ver.7.90");
}

}  // namespace

int main(int argc, char **argv) {
    fill_standard_streams();
    keep_terminal_on_default_break();
    print_banner();
    if (const char *env = std::getenv("VORDEL"); env && !parse_serial_env(env))
        fatal("Environment VORDEL is invalid");
    parse_options(argc, argv);
    int first = option_scanner.index;
    argc -= first;
    argv += first;

    log_start();
    if (output_file_mode) exit_status = run_output_file(argc, argv);
    else if (interactive_mode) exit_status = run_interactive(argc, argv);
    else exit_status = run_script(argc, argv);
    log_end();
    return exit_status;
}
