#include "ports/file/dump.h"

#include <cstdio>
#include <iterator>

#include "base/settings.h"
#include "ports/port_state.h"

namespace {

// Names of the control codes 0x00..0x1F and the blank.
constexpr const char *control_names[] = {
    "NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL", "BS",  "HT",  "LF",
    "VT",  "FF",  "CR",  "SO",  "SI",  "DLE", "DC1", "DC2", "DC3", "DC4", "NAK",
    "SYN", "ETB", "CAN", "EM",  "SUB", "ESC", "FS",  "GS",  "RS",  "US",  "SP"};
static_assert(std::size(control_names) == 0x21);

void emit(const char *line, int length) {
    if (run_options.terminal_mode) std::fwrite(line, 1, static_cast<size_t>(length), stdout);
    if (run_options.log_file) std::fwrite(line, 1, static_cast<size_t>(length), run_options.log_file);
}

void dump_line(const char *prefix, int32_t count, int32_t b) {
    if (!run_options.terminal_mode && !run_options.log_file) return;
    char line[64];
    int n = std::snprintf(line, sizeof line, "%s%06ld: ", prefix, static_cast<long>(count));
    n += static_cast<int>(format_dump_field(line + n, static_cast<uint8_t>(b)));
    line[n++] = '\n';
    emit(line, n);
}

}  // namespace

size_t format_dump_field(char *out, uint8_t b) {
    if (b >= 0x80) return static_cast<size_t>(std::snprintf(out, 16, "%3u  %02Xh", b, b));
    char quoted[4] = {'\'', static_cast<char>(b), '\'', 0};
    const char *name = b <= 0x20 ? control_names[b] : b == 0x7F ? "DEL" : b == '\'' ? "''" : quoted;
    return static_cast<size_t>(std::snprintf(out, 16, "%3u  %02Xh  %-3s", b, b, name));
}

void dump_sent_byte(int32_t b) {
    dump_line(">", port_state.sent_count, b);
    ++port_state.sent_count;
}

void dump_received_byte(int32_t b) {
    dump_line("<                        ", port_state.received_count, b);
    ++port_state.received_count;
}
