// Target selection: turns the target argument into the selected target
// (run_options.target: kind, number, name, address) and the operation set in
// current_port. A word that names no port and is no dotted IPv4 address is
// an output file name.
#pragma once

#include <array>
#include <cstdint>

// Fills run_options.target and copies the chosen row's operations into
// current_port. Runs once per run, before port_open.
void select_target(const char *text);

// True when text names a port (a table row, or a dotted address).
bool is_port_target(const char *text);

// True for a dotted address of four values 0..255 (runs of dots count as one,
// a piece without digits as 0, at most 15 characters). The bytes go to out
// when it is given.
bool parse_ipv4(const char *text, std::array<uint8_t, 4> *out);
