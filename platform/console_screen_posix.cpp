// Screen side of the console: ANSI cursor, clear and colour sequences.
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "platform/console.h"
#include "platform/console_state_posix.h"

namespace {

// SGR colour offset of each console attribute (bit 0 blue, bit 1 green, bit 2 red).
constexpr int sgr_of_attribute[8] = {0, 4, 2, 6, 1, 5, 3, 7};

FILE *screen() {
    static FILE *const s = isatty(STDOUT_FILENO) ? stdout : isatty(STDERR_FILENO) ? stderr : nullptr;
    return s;
}

void emit(const char *sequence) {
    FILE *s = screen();
    if (s == nullptr) return;
    if (s != stdout) std::fflush(stdout);
    std::fputs(sequence, s);
    std::fflush(s);
}

// The current colour again after a sequence that reset the attributes.
void emit_colour() {
    if (!console_state.colour_used) return;
    char seq[16];
    std::snprintf(seq, sizeof seq, "\x1b[%dm",
                  (console_state.reverse_colour ? 40 : 30) + sgr_of_attribute[console_state.text_attribute]);
    emit(seq);
}

}  // namespace

bool console_is_terminal() { return screen() != nullptr; }

void console_window_size(int *columns, int *rows) {
    *columns = 80;
    *rows = 25;
    winsize ws{};
    FILE *s = screen();
    if (s != nullptr && ioctl(fileno(s), TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0 && ws.ws_row > 0) {
        *columns = ws.ws_col;
        *rows = ws.ws_row;
    }
}

void cursor_left(int n) {
    if (n <= 0) return;
    char seq[24];
    std::snprintf(seq, sizeof seq, "\x1b[%dD", n);
    emit(seq);
}

void cursor_right(int n) {
    if (n <= 0) return;
    char seq[24];
    std::snprintf(seq, sizeof seq, "\x1b[%dC", n);
    emit(seq);
}

void cursor_save() { emit("\x1b" "7"); }
void cursor_restore() { emit("\x1b" "8"); }

void cursor_locate(int32_t column, int32_t row) {
    int columns, rows;
    console_window_size(&columns, &rows);
    column = std::clamp(column, 0, columns - 1);
    row = std::clamp(row, 0, rows - 1);
    char seq[32];
    std::snprintf(seq, sizeof seq, "\x1b[%d;%dH", row + 1, column + 1);
    emit(seq);
}

void clear_line() {
    emit("\x1b[0m\r\x1b[2K");
    emit_colour();
}

void clear_to_line_end() { emit("\x1b[K"); }

void clear_window() {
    emit("\x1b[0m\x1b[H\x1b[2J");
    emit_colour();
}

void console_set_colour(int32_t attribute) {
    console_state.text_attribute = (attribute >= 0 && attribute <= 7) ? attribute : 7;
    if (!console_state.colour_used.exchange(true))
        std::call_once(console_state.screen_restore_registered, [] { std::atexit(console_restore); });
    emit_colour();
}

int32_t console_colour() { return console_state.text_attribute; }

void console_set_reverse(bool on) { console_state.reverse_colour = on; }

void console_restore() {
    console_leave_raw();
    if (console_state.colour_used.exchange(false)) emit("\x1b[0m");
}
