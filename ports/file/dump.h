// Byte dump: one line per byte sent or received, on standard output while
// run_options.terminal_mode is on and in the communication log while it is open.
// Sent bytes fill the left column, received bytes the right one; each side
// is numbered by its own counter (port_state), which only the no-target open resets.
#pragma once

#include <cstddef>
#include <cstdint>

// The framing lines shared by the dump, the log and the output-file mode.
inline constexpr char dump_separator[] = " -----------------------------------------------------------\n";
inline constexpr char dump_header[] = " offset: DEC  HEX  CHR   offset: DEC  HEX  CHR\n";

void dump_sent_byte(int32_t b);
void dump_received_byte(int32_t b);

// The byte field of a dump line (no newline): "%3u  %02Xh" and, below 0x80,
// the byte's name column. Returns the length written; out holds 16 bytes.
size_t format_dump_field(char *out, uint8_t b);
