// Start-up state shared by the whole program: the serial line settings, the
// mode switches set by the options, and the selected target. All are set
// before a run mode starts (the target by select_target) and only read after.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>

#include "ports/port_ops.h"

// Serial line settings as codes (index into the text tables below).
struct SerialSettings {
    int32_t baud_index = 7;   // 0..11
    int32_t data_length = 3;  // 0..3 = 5..8 data bits
    int32_t parity = 0;       // 0 none, 1 odd, 2 even, 3 mark, 4 space
    int32_t stop_bits = 0;    // 0 one, 1 one and a half, 2 two
    int32_t flow = 4;         // 0 none, 1 XON/XOFF, 2 RTS/CTS, 4 DTR/DSR
    int32_t irq = -1;         // -1 none; validated and kept, never used
};

extern SerialSettings serial_settings;

inline constexpr const char *baud_texts[] = {"75",   "150",  "300",   "600",   "1200",  "2400",
                                             "4800", "9600", "19200", "38400", "57600", "115200"};
inline constexpr const char *data_length_texts[] = {"5", "6", "7", "8"};
inline constexpr const char *parity_texts[] = {"NONE", "ODD", "EVEN", "ALL1", "ALL0"};
inline constexpr const char *stop_bits_texts[] = {"1", "1.5", "2"};
// Code 3 is not used and has no text.
inline constexpr const char *flow_texts[] = {"NONE", "XON/XOFF", "RTS/CTS", "", "DTR/DSR"};
static_assert(std::size(baud_texts) == 12 && std::size(flow_texts) == 5);

// Mode switches, 0 unless the option is given.
extern int32_t asb_watch_mode;       // -a
extern int32_t terminal_mode;        // -t, also set by the no-target open
extern int32_t interactive_mode;     // -i
extern int32_t status_analyze_mode;  // -v
extern int32_t output_file_mode;     // -o
extern int32_t write_block_size;     // -z, 0 = the run mode's default
extern std::FILE *log_file;          // -l: the open communication log, or null
extern int32_t exit_status;          // returned by main

// The selected target (select_target).
extern PortKind port_kind;                // File until a port is selected
extern int32_t port_number;               // COM2 -> 2; -1 for file and Ethernet
extern std::string target_name;           // the target argument unchanged
extern std::array<uint8_t, 4> target_ip;  // Ethernet address, most significant first
