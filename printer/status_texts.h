// The vocabulary for printer status bits.
//
// Decoders: each writes one fixed line per listed bit of a one-byte status
// reply to `out`, in a fixed order; bits not listed print nothing. They keep
// no state, so the status builtins run them once on stdout and once more on
// the communication log (show_status_everywhere does both).
//
// Bit-name tables: 32 entries for each four-byte automatic status message,
// index = (byte number - 1) * 8 + bit number, byte 1 first as it arrives, bit
// 0 least significant. Entries start on the built-in texts; customisation
// copies new texts into storage owned by the entry (63 characters at most)
// and repoints it, so the pointers always stay valid for the whole run. Read
// an entry's texts again at each display: a script may change them.
//
// Layouts: one row per message byte with the screen column and row of the
// byte's group of eight bits, its eight table entries (bits[0] is bit 0) and
// a title.
//
// Customisation: apply_custom_line applies one line and returns 0 (applied,
// or a comment or empty line), 1 (no field) or 4 (malformed key; nothing
// changes). load_custom_file applies each line of a file (-1 when it cannot
// be opened, tables untouched; else 0). Both run on the main thread only.
// The builtin bitcustomize applies its argument as one line and returns the
// result as a number.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "core/node.h"

struct BitName {
    const char *label;  // begins with the entry's key, e.g. "ASB-1-2:"
    const char *text0;  // shown when the bit is 0
    const char *text1;  // shown when the bit is 1
};

using BitNameTable = std::array<BitName, 32>;

extern BitNameTable asb_bit_names;
extern BitNameTable ink_bit_names;
extern BitNameTable ext_bit_names;

struct LayoutRow {
    int column;
    int row;
    const BitName *bits;  // the byte's eight entries
    const char *title;
};

using StatusLayout = std::array<LayoutRow, 4>;

extern const StatusLayout asb_layout;
extern const StatusLayout ink_layout;
extern const StatusLayout ext_layout;

// Decoders, named after what they decode; the reply byte in, lines out.
void show_printer_status(std::FILE *out, uint8_t reply);       // DLE EOT 1
void show_offline_status(std::FILE *out, uint8_t reply);       // DLE EOT 2
void show_error_status(std::FILE *out, uint8_t reply);         // DLE EOT 3
void show_roll_paper_status(std::FILE *out, uint8_t reply);    // DLE EOT 4
void show_slip_status(std::FILE *out, uint8_t reply);          // DLE EOT 5
void show_validation_status(std::FILE *out, uint8_t reply);    // DLE EOT 6
void show_drawer_status(std::FILE *out, uint8_t reply);        // ESC u 0, GS r 2
void show_paper_sensor_status(std::FILE *out, uint8_t reply);  // ESC v, GS r 1
void show_slip_paper_code(std::FILE *out, uint8_t reply);      // GS r 3
void show_ink_status(std::FILE *out, uint8_t reply);           // GS r 4
void show_scan_sensor_status(std::FILE *out, uint8_t reply);   // GS r 5
void show_gs_enq_status(std::FILE *out, uint8_t reply);        // GS ENQ
// GS r 80: `block` is the whole block reply text (header byte first, up to
// its NUL); the line shows it from the third byte.
void show_slip_rest_dots(std::FILE *out, std::string_view block);

using StatusDecoder = void (*)(std::FILE *out, uint8_t reply);

// Runs `decode` on stdout, then on the communication log when it is open.
void show_status_everywhere(StatusDecoder decode, uint8_t reply);
void show_slip_rest_dots_everywhere(std::string_view block);

int apply_custom_line(std::string_view line);
int load_custom_file(const char *path);

NODE *do_bitcustomize(NODE *args);
