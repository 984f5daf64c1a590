// Command-line options and the VORDEL environment variable.
//  - get_option scans one option at a time (letters may share a word, an
//    argument may follow its letter or be the next word; "--" ends the
//    options); its state is module-level, as the rest of start-up expects.
//  - The serial value parsers store one code into run_options.target.serial;
//    a missing or unaccepted value ends the program through fatal (status 1).
//  - Numbers are read by the leading-decimal-digits rule (none counts as 0).
#pragma once

#include <cstdint>

struct OptionScanner {
    int index = 1;                     // next command-line word
    int position = 1;                  // character inside that word
    const char *argument = nullptr;    // argument of the last option, or none
    int last = 0;                      // the last option character
};

extern OptionScanner option_scanner;

inline constexpr char option_letters[] = "b:c:d:f:p:q:s:z:D:V:ahilotv";

// The option character, or -1 at the end of the options.
int get_option(int argc, char **argv, const char *options);
// Runs the scanner to the end and acts on every option; afterwards
// option_scanner.index is the first word left for the run mode.
void parse_options(int argc, char **argv);

// Blanks, sign, digits; no digits gives 0; out-of-range values saturate.
int32_t leading_number(const char *text);

void set_baud_rate(const char *text);
void set_data_length(const char *text);
void set_parity(const char *text);
void set_stop_bits(const char *text);
void set_flow_control(const char *text);
void set_irq(const char *text);

// Comma-separated baud, data length, parity, stop bits, (skipped), IRQ;
// stops at the first missing field. 1 when at least one field was there.
int parse_serial_env(const char *text);

// -V var=value: installs a string variable before the script is parsed.
void assign_variable(const char *text);
