// Option -i: typed lines of numbers, names and quoted text are sent to the
// target at once, every byte shown in the dump, until Esc (or the end of
// piped input).
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/diag.h"
#include "base/port_ops.h"
#include "base/settings.h"
#include "interactive/history.h"
#include "interactive/line_editor.h"
#include "interactive/token_scanner.h"
#include "platform/console.h"
#include "ports/file/dump.h"
#include "startup/break_handler.h"
#include "startup/run_modes.h"
#include "startup/target.h"
#include "startup/usage.h"

int run_interactive(int argc, char **argv) {
    if (argc != 1) usage();
    select_target(argv[0]);
    std::string history_path = history_file();
    History history = history_load(history_path);
    run_options.terminal_mode = 1;
    register_break_handler();
    std::fputs(dump_separator, stderr);
    if (!current_port.port_open(run_options.target)) std::exit(1);
    if (run_options.write_block_size) current_port.port_set_block_size(run_options.write_block_size);

    auto read_line = console_input_is_terminal() ? edit_line : read_piped_line;
    ScanState scanner;
    std::string line;
    while (read_line(line, history) == LINE_ACCEPTED) {
        line += '\n';
        scan_text(scanner, line);
        std::fflush(stdout);
    }
    scan_end(scanner);

    if (!current_port.port_close(1) && run_options.target.kind == PortKind::File)
        fatal("Can't write file <%s>", run_options.target.name.c_str());
    std::fputs(dump_separator, stderr);
    history_save(history, history_path);
    return 0;
}
