// The script run mode: preprocess, parse, set up the built-in variables, open
// the target, run the BEGIN blocks once, close the target.
//
// Exit statuses: 0 normal end (or the script's exit value), 1 for a failed
// preprocessing, an unreadable temporary file, a syntax error or a port that
// will not open, 255 when the break handler cannot be installed. Fatal errors
// while running end the process through fatal (status 1).
//
// The preprocessed script goes to a private temporary file made for this run
// and removed as soon as the parser has read it, so concurrent runs never
// share one.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "base/port_ops.h"
#include "base/settings.h"
#include "core/eval.h"
#include "core/fields.h"
#include "core/node.h"
#include "core/regex.h"
#include "frontend/lexer.h"
#include "frontend/parser.h"
#include "frontend/preprocessor.h"
#include "platform/break_signals.h"
#include "platform/console.h"
#include "platform/temp_file.h"
#include "startup/break_handler.h"
#include "startup/run_modes.h"
#include "startup/target.h"
#include "startup/usage.h"

namespace {

constexpr const char *SEPARATOR = " -----------------------------------------------------------\n";
constexpr int REGEX_SYNTAX = 0x63;
constexpr int STATUS_SCREEN_ROW = 20;

// A built-in variable keeps a value given with -V; `make` runs only when the
// name is still free.
template <typename Make>
void install_builtin(const char *name, Make make) {
    if (lookup(global_table, name) != nullptr) return;
    variable(name)->left = make();
}

void install_number(const char *name, int32_t n) {
    install_builtin(name, [n] { return make_number(n); });
}

void install_text(const char *name, std::string_view text) {
    install_builtin(name, [text] { return make_str_node(text.data(), text.size(), 0); });
}

void install_serial_texts() {
    install_text("BAUDRATE", baud_texts[run_options.target.serial.baud_index]);
    install_text("DATALEN", data_length_texts[run_options.target.serial.data_length]);
    install_text("PARITY", parity_texts[run_options.target.serial.parity]);
    install_text("STOPBIT", stop_bits_texts[run_options.target.serial.stop_bits]);
    install_text("FLOW", flow_texts[run_options.target.serial.flow]);
}

void install_builtin_variables() {
    install_text("FS", " ");
    install_number("NF", -1);
    install_text("RS", "\n");
    install_number("NR", 0);
    install_number("FNR", 0);
    install_text("OFS", " ");
    install_text("ORS", "\n");
    install_text("OFMT", "%ld");
    install_number("RLENGTH", 0);
    install_number("RSTART", 0);
    install_text("SUBSEP", "\x1c");
    install_number("IGNORECASE", 0);
    install_serial_texts();
    install_text("DUTYSTR", "");
    install_number("EOF", -1);
    install_number("VERSION", 790);
    install_number("SEEK_SET", 0);
    install_number("SEEK_CUR", 1);
    install_number("SEEK_END", 2);
    install_number("RECV", 0);
}

// Stores `value` (kept, not temporary) as array[key].
void set_element(NODE *array, std::string_view key, NODE *value) {
    NODE **slot = assoc_lookup(array, make_temp_string(key.data(), key.size()));
    NODE *old = *slot;
    *slot = value;
    unref(old);
}

void install_environ() {
    if (lookup(global_table, "ENVIRON") != nullptr) return;
    NODE *array = variable("ENVIRON");
    for (const char *const *entry = environment_entries(); *entry != nullptr; ++entry) {
        std::string_view text(*entry);
        size_t equals = text.find('=');
        std::string_view value = equals == std::string_view::npos ? "" : text.substr(equals + 1);
        set_element(array, text.substr(0, equals), make_str_node(value.data(), value.size(), 0));
    }
}

// ARGV[0] is the program's name as scripts know it; then every word after
// the script file name, the target first, each with its number view.
void install_argv(int argc, char **argv) {
    if (lookup(global_table, "ARGV") == nullptr) {
        NODE *array = variable("ARGV");
        set_element(array, "0", make_str_node("vordel.exe", 10, 0));
        for (int i = 1; i < argc; ++i) {
            NODE *word = make_str_node(argv[i], std::strlen(argv[i]), 0);
            force_number(word);
            set_element(array, std::to_string(i), word);
        }
    }
    install_number("ARGC", argc);
}

// The -a screen: cleared in the normal colour, the script's own output
// starting below the rows the port layer draws the status bits in.
void prepare_status_screen() {
    console_set_colour(7);
    clear_window();
    int columns = 0;
    int rows = 0;
    console_window_size(&columns, &rows);
    cursor_locate(1, std::min(STATUS_SCREEN_ROW, rows - 1));
}

// Preprocesses and parses the script; false after a reported failure.
bool load_script(const char *script, TempFile &temp) {
    if (!temp.create("vordelw")) {
        std::fprintf(stderr, "can't create temporary file: %s\n", std::strerror(errno));
        return false;
    }
    const char *path = temp.path().c_str();
    PreprocessOptions options;
    options.output_exists = true;
    if (preprocess(script, path, options) != 0) return false;
    std::FILE *check = std::fopen(path, "r");
    if (check == nullptr) {
        std::fprintf(stderr, "can't open file <%s>\n", path);
        return false;
    }
    std::fclose(check);
    return true;
}

// Parses the preprocessed script; false after a reported error.
bool parse_script(const std::string &path) {
    std::FILE *input = std::fopen(path.c_str(), "r");
    if (input == nullptr) return false;
    lexer_open(input, path.c_str());
    int result = yyparse();
    std::fclose(input);
    return result == 0 && error_count == 0;
}

}  // namespace

int run_script(int argc, char **argv) {
    if (argc < 1) usage();
    TempFile temp;
    if (!load_script(argv[0], temp)) return 1;
    if (argc >= 2) select_target(argv[1]);
    re_set_syntax(REGEX_SYNTAX);
    init_null_string();
    install_builtin_variables();
    install_environ();
    install_argv(argc, argv);
    if (!parse_script(temp.path())) return 1;
    temp.remove();
    init_fields();
    register_break_handler();
    std::fputs(SEPARATOR, stderr);
    if (!current_port.port_open(run_options.target)) return 1;
    if (run_options.write_block_size != 0) current_port.port_set_block_size(run_options.write_block_size);
    if (run_options.asb_watch_mode) prepare_status_screen();
    // From here on a break waits for the interpreter to stop between two
    // statements (or in a wait), so the script's files and the terminal are
    // never handled by two threads at once.
    defer_breaks();
    if (begin_block != nullptr) interpret(begin_block);
    if (interp.exiting) run_options.exit_status = interp.exit_code;
    std::fflush(stdout);
    if (!close_script_files_reporting()) run_options.exit_status = 1;
    current_port.port_close(1);
    console_set_reverse(false);
    console_set_colour(7);
    std::fputs(SEPARATOR, stderr);
    return run_options.exit_status;
}
