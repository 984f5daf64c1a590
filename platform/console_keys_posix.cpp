// Keyboard side of the console: raw mode, read-ahead buffer, key decoding.
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <string_view>

#include "platform/break_signals.h"
#include "platform/console.h"
#include "platform/console_decode.h"
#include "platform/console_state_posix.h"

ConsoleState::~ConsoleState() = default;
ConsoleState console_state;

namespace {

constexpr int kEscWaitMs = 50;

enum class Fill { Got, Nothing, End };

bool input_is_tty() {
    if (console_state.input_tty < 0) console_state.input_tty = isatty(STDIN_FILENO) ? 1 : 0;
    return console_state.input_tty == 1;
}

bool apply_raw_mode() {
    termios t = console_state.saved_mode;
    t.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    if (console_state.break_as_key) t.c_cc[VINTR] = _POSIX_VDISABLE;
    return tcsetattr(STDIN_FILENO, TCSANOW, &t) == 0;
}

void enter_raw() {
    if (!input_is_tty() || console_state.raw_on) return;
    std::lock_guard<std::mutex> hold(console_state.raw_lock);
    if (console_state.raw_forbidden || console_state.raw_on) return;
    if (!console_state.have_saved) {
        if (tcgetattr(STDIN_FILENO, &console_state.saved_mode) != 0) return;
        console_state.have_saved = true;
        std::call_once(console_state.keys_restore_registered, [] { std::atexit(console_restore); });
    }
    if (apply_raw_mode()) console_state.raw_on = true;
}

void leave_raw() {
    if (console_state.raw_on.exchange(false))
        tcsetattr(STDIN_FILENO, TCSANOW, &console_state.saved_mode);
}

// One read of whatever standard input has within timeout_ms (-1: no limit).
Fill fill(int timeout_ms) {
    if (console_state.input_ended) return Fill::End;
    pollfd p{STDIN_FILENO, POLLIN, 0};
    if (timeout_ms != 0) {
        BlockingWait waiting;
        if (poll(&p, 1, timeout_ms) <= 0) return Fill::Nothing;
    } else if (poll(&p, 1, 0) <= 0) {
        return Fill::Nothing;
    }
    unsigned char buffer[256];
    ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
    if (n > 0) {
        console_state.pending.insert(console_state.pending.end(), buffer, buffer + n);
        return Fill::Got;
    }
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) return Fill::Nothing;
    // A terminal's end of line input (Ctrl+D) is not the end of the console.
    if (n == 0 && input_is_tty() && !console_state.raw_on) return Fill::End;
    console_state.input_ended = true;
    return Fill::End;
}

bool more_bytes() { return fill(kEscWaitMs) == Fill::Got; }
bool more_line_bytes() { return fill(-1) != Fill::End; }

bool take_key(Key &key) { return take_key(console_state.pending, more_bytes, key); }

Key wait_key() {
    enter_raw();
    Key key;
    while (!take_key(key)) {
        if (fill(-1) == Fill::End) return {KEY_ESC, -1};
    }
    return key;
}

}  // namespace

int console_kbhit() {
    enter_raw();
    if (console_state.pending.empty()) fill(0);
    return console_state.pending.empty() ? 0 : 1;
}

int32_t console_getch() {
    Key key = wait_key();
    console_flush_input();
    leave_raw();
    return key.code;
}

int32_t read_key() {
    if (!console_kbhit()) return -1;
    Key key;
    if (!take_key(key)) return -1;
    return key.scan < 0 ? key.code : KEY_EXTENDED | key.scan;
}

int32_t read_input_byte() {
    if (!console_kbhit()) return -1;
    unsigned char b = console_state.pending.front();
    console_state.pending.pop_front();
    return b;
}

bool console_input_is_terminal() { return input_is_tty(); }

void console_break_key_as_key(bool on) {
    std::lock_guard<std::mutex> hold(console_state.raw_lock);
    console_state.break_as_key = on;
    if (console_state.raw_on && !console_state.raw_forbidden) apply_raw_mode();
}

void console_flush_input() {
    if (!input_is_tty()) return;
    console_state.pending.clear();
    tcflush(STDIN_FILENO, TCIFLUSH);
}

std::string console_read_line(size_t max_chars) {
    leave_raw();
    return take_line(console_state.pending, max_chars, more_line_bytes);
}

bool console_input_ended() { return console_state.input_ended; }

void console_leave_raw() { leave_raw(); }

void console_restore_for_exit() {
    {
        std::lock_guard<std::mutex> hold(console_state.raw_lock);
        console_state.raw_forbidden = true;
        leave_raw();
    }
    console_restore();
}
