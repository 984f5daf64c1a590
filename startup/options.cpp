#include "startup/options.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <span>
#include <string>

#include "base/diag.h"
#include "base/settings.h"
#include "core/node.h"
#include "printer/status_texts.h"
#include "startup/usage.h"

OptionScanner option_scanner;

int32_t leading_number(const char *text) {
    const unsigned char *p = reinterpret_cast<const unsigned char *>(text);
    while (std::isspace(*p)) ++p;
    bool negative = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    int64_t value = 0;
    for (; std::isdigit(*p); ++p)
        if (value <= INT32_MAX) value = value * 10 + (*p - '0');
    if (negative) value = -value;
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(value);
}

// ---- the scanner -----------------------------------------------------------

namespace {

void step_position(char **argv) {
    if (argv[option_scanner.index][++option_scanner.position] == '\0') {
        ++option_scanner.index;
        option_scanner.position = 1;
    }
}

}  // namespace

int get_option(int argc, char **argv, const char *options) {
    OptionScanner &s = option_scanner;
    if (s.position == 1) {
        if (s.index >= argc || argv[s.index][0] != '-' || argv[s.index][1] == '\0') return -1;
        if (std::strcmp(argv[s.index], "--") == 0) {
            ++s.index;
            return -1;
        }
    }
    const char *word = argv[s.index];
    int c = static_cast<unsigned char>(word[s.position]);
    s.last = c;
    const char *spec = c == ':' ? nullptr : std::strchr(options, c);
    if (!spec) {
        step_position(argv);
        return c;
    }
    if (spec[1] != ':') {
        step_position(argv);
        s.argument = nullptr;
        return c;
    }
    if (word[s.position + 1] != '\0') s.argument = word + s.position + 1;
    else if (s.index + 1 < argc) s.argument = argv[++s.index];
    else s.argument = nullptr;
    ++s.index;
    s.position = 1;
    return c;
}

// ---- serial value parsers ----------------------------------------------------

namespace {

struct CodeEntry {
    int32_t key;  // a number, or an upper-case letter for the letter tables
    int32_t code;
};

struct ValueTable {
    char option;
    const char *missing;  // message after "'x' option required "
    bool by_letter;
    std::span<const CodeEntry> entries;
};

constexpr CodeEntry baud_codes[] = {{6, 3},    {600, 3},  {12, 4},  {1200, 4},  {24, 5},
                                    {2400, 5}, {48, 6},   {4800, 6}, {96, 7},   {9600, 7},
                                    {192, 8},  {19200, 8}, {384, 9}, {38400, 9}, {576, 10},
                                    {1152, 11}};
constexpr CodeEntry data_length_codes[] = {{7, 2}, {8, 3}};
constexpr CodeEntry parity_codes[] = {{'E', 2}, {'N', 0}, {'O', 1}};
constexpr CodeEntry stop_bit_codes[] = {{1, 0}, {2, 2}};
constexpr CodeEntry flow_codes[] = {{'C', 2}, {'R', 2}, {'D', 4}, {'N', 0}, {'X', 1}};
constexpr CodeEntry irq_codes[] = {{3, 3}, {4, 4}, {5, 5}, {7, 7}, {10, 10}, {11, 11}, {12, 12}, {15, 15}};

int32_t parse_code(const ValueTable &table, const char *text) {
    if (!text) fatal("'%c' option required %s", table.option, table.missing);
    int32_t key = table.by_letter ? std::toupper(static_cast<unsigned char>(text[0])) : leading_number(text);
    for (const CodeEntry &e : table.entries)
        if (e.key == key) return e.code;
    fatal("'%c' option parameter is illigal", table.option);
}

}  // namespace

void set_baud_rate(const char *text) {
    run_options.target.serial.baud_index = parse_code({'b', "board rate", false, baud_codes}, text);
}
void set_data_length(const char *text) {
    run_options.target.serial.data_length = parse_code({'d', "data len", false, data_length_codes}, text);
}
void set_parity(const char *text) {
    run_options.target.serial.parity = parse_code({'p', "data len", true, parity_codes}, text);
}
void set_stop_bits(const char *text) {
    run_options.target.serial.stop_bits = parse_code({'s', "stop bits\n", false, stop_bit_codes}, text);
}
void set_flow_control(const char *text) {
    run_options.target.serial.flow = parse_code({'f', "flow", true, flow_codes}, text);
}
void set_irq(const char *text) {
    run_options.target.serial.irq = parse_code({'q', "IRQ number", false, irq_codes}, text);
}

int parse_serial_env(const char *text) {
    using Setter = void (*)(const char *);
    constexpr Setter field_setters[] = {set_baud_rate, set_data_length, set_parity, set_stop_bits,
                                        nullptr, set_irq};
    std::string value = text;
    size_t field = 0, pos = 0;
    while (field < std::size(field_setters)) {
        pos = value.find_first_not_of(',', pos);
        if (pos == std::string::npos) break;
        size_t end = value.find(',', pos);
        std::string piece = value.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
        if (field_setters[field]) field_setters[field](piece.c_str());
        ++field;
        pos = end;
        if (end == std::string::npos) break;
    }
    return field > 0 ? 1 : 0;
}

// ---- option actions ------------------------------------------------------------

namespace {

const char *required(const char *text, char option) {
    if (!text) fatal("'%c' option required parameter", option);
    return text;
}

void open_log_file() {
    constexpr const char *name = "VORDEL.LOG";
    run_options.log_file = std::fopen(name, "a+");
    if (!run_options.log_file) fatal("Can't create log file <%s>.", name);
}

using OptionAction = void (*)(const char *argument);

struct OptionEntry {
    char letter;
    OptionAction action;
};

constexpr OptionEntry option_table[] = {
    {'a', [](const char *) { run_options.asb_watch_mode = 1; }},
    {'b', set_baud_rate},
    {'c', [](const char *a) { load_custom_file(required(a, 'c')); }},
    {'d', set_data_length},
    {'D', [](const char *a) { required(a, 'D'); }},
    {'f', set_flow_control},
    {'h', [](const char *) { usage(); }},
    {'i', [](const char *) { run_options.interactive_mode = 1; }},
    {'l', [](const char *) { open_log_file(); }},
    {'o', [](const char *) { run_options.output_file_mode = 1; }},
    {'p', set_parity},
    {'q', set_irq},
    {'s', set_stop_bits},
    {'t', [](const char *) { run_options.terminal_mode = 1; }},
    {'v', [](const char *) { run_options.status_analyze_mode = 1; }},
    {'V', [](const char *a) { assign_variable(required(a, 'V')); }},
    {'z', [](const char *a) { run_options.write_block_size = leading_number(required(a, 'z')); }},
};
static_assert(std::size(option_table) == 17);

}  // namespace

void parse_options(int argc, char **argv) {
    for (int c; (c = get_option(argc, argv, option_letters)) != -1;) {
        const OptionEntry *entry = nullptr;
        for (const OptionEntry &e : option_table)
            if (e.letter == c) entry = &e;
        if (entry) entry->action(option_scanner.argument);
        else std::fprintf(stderr, "invalid option '%c'\n", c);
    }
}

void assign_variable(const char *text) {
    const char *equals = std::strchr(text, '=');
    if (!equals) {
        std::fprintf(stderr, "vordel: '%s' argument to -v not in 'var=value' form\n", text);
        usage();
    }
    std::string name(text, equals);
    const char *value = equals + 1;
    init_null_string();  // a new variable starts out holding it
    NODE *var = variable(name.c_str());
    unref(var->left);
    var->left = make_str_node(value, std::strlen(value), 0);
}
