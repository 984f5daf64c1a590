// What a run is told before it starts: the serial line settings, the mode
// switches set by the options, and the selected target. Start-up fills
// run_options (the VORDEL variable, the options, select_target) before a run
// mode starts; every layer may read it afterwards. Ports do not read the
// target from here: they receive it when opened (PortOps::port_open).
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <string>

enum class PortKind : int32_t {
    File = -1,
    Serial = 0,
    Parallel = 1,
    Usb = 2,
    Ethernet = 3,
    PrinterClass = 4,
};

// Serial line settings as codes (index into the text tables below).
struct SerialSettings {
    int32_t baud_index = 7;   // 0..11
    int32_t data_length = 3;  // 0..3 = 5..8 data bits
    int32_t parity = 0;       // 0 none, 1 odd, 2 even, 3 mark, 4 space
    int32_t stop_bits = 0;    // 0 one, 1 one and a half, 2 two
    int32_t flow = 4;         // 0 none, 1 XON/XOFF, 2 RTS/CTS, 4 DTR/DSR
    int32_t irq = -1;         // -1 none; validated and kept, never used
};

inline constexpr const char *baud_texts[] = {"75",   "150",  "300",   "600",   "1200",  "2400",
                                             "4800", "9600", "19200", "38400", "57600", "115200"};
inline constexpr const char *data_length_texts[] = {"5", "6", "7", "8"};
inline constexpr const char *parity_texts[] = {"NONE", "ODD", "EVEN", "ALL1", "ALL0"};
inline constexpr const char *stop_bits_texts[] = {"1", "1.5", "2"};
// Code 3 is not used and has no text.
inline constexpr const char *flow_texts[] = {"NONE", "XON/XOFF", "RTS/CTS", "", "DTR/DSR"};
static_assert(std::size(baud_texts) == 12 && std::size(flow_texts) == 5);

// The target a port is opened with (select_target fills it).
struct TargetSettings {
    PortKind kind = PortKind::File;  // File until a port is selected
    int32_t number = -1;             // COM2 -> 2; -1 for file and Ethernet
    std::string name;                // the target argument unchanged
    std::array<uint8_t, 4> ip{};     // Ethernet address, most significant first
    SerialSettings serial;           // VORDEL, then the options
};

struct RunOptions {
    // Mode switches, 0 unless the option is given.
    int32_t asb_watch_mode = 0;       // -a
    int32_t terminal_mode = 0;        // -t, also set by the no-target open
    int32_t interactive_mode = 0;     // -i
    int32_t status_analyze_mode = 0;  // -v
    int32_t output_file_mode = 0;     // -o
    int32_t write_block_size = 0;     // -z, 0 = the run mode's default
    std::FILE *log_file = nullptr;    // -l: the open communication log, or null
    int32_t exit_status = 0;          // returned by main
    TargetSettings target;

    ~RunOptions();
};

extern RunOptions run_options;
