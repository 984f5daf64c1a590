// Screen side of the console on Windows: the Console API, whose window and
// attributes are what the operations name. VT processing is switched on
// where the console has it, for sequences a script prints itself.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "platform/console.h"

namespace {

struct Screen {
    HANDLE handle = INVALID_HANDLE_VALUE;  // invalid: not a console
    WORD initial_attributes = 7;
    DWORD initial_mode = 0;
    bool mode_changed = false;
    COORD saved{0, 0};
    int32_t text_attribute = 7;
    bool reverse_colour = false;
    std::atomic<bool> colour_used{false};
};

Screen &screen() {
    static Screen *const s = [] {
        static Screen made;
        for (DWORD which : {STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
            HANDLE h = GetStdHandle(which);
            CONSOLE_SCREEN_BUFFER_INFO info;
            if (h == nullptr || h == INVALID_HANDLE_VALUE || !GetConsoleScreenBufferInfo(h, &info)) continue;
            made.handle = h;
            made.initial_attributes = info.wAttributes;
            if (GetConsoleMode(h, &made.initial_mode) &&
                SetConsoleMode(h, made.initial_mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING))
                made.mode_changed = true;
            std::atexit(console_restore);
            break;
        }
        return &made;
    }();
    return *s;
}

// The screen's state with what stdout buffered already on it; false when
// there is no console.
bool current(CONSOLE_SCREEN_BUFFER_INFO &info) {
    Screen &s = screen();
    if (s.handle == INVALID_HANDLE_VALUE) return false;
    std::fflush(stdout);
    return GetConsoleScreenBufferInfo(s.handle, &info) != 0;
}

void fill_cells(COORD from, DWORD count, WORD attributes) {
    DWORD done;
    FillConsoleOutputCharacterA(screen().handle, ' ', count, from, &done);
    FillConsoleOutputAttribute(screen().handle, attributes, count, from, &done);
}

WORD colour_attributes() {
    Screen &s = screen();
    WORD base = s.initial_attributes;
    auto colour = static_cast<WORD>(s.text_attribute);
    if (s.reverse_colour) return static_cast<WORD>((base & 0x0F) | (colour << 4));
    return static_cast<WORD>((base & 0xF0) | colour);
}

void move_to(SHORT x, SHORT y) { SetConsoleCursorPosition(screen().handle, COORD{x, y}); }

}  // namespace

bool console_is_terminal() { return screen().handle != INVALID_HANDLE_VALUE; }

void console_window_size(int *columns, int *rows) {
    *columns = 80;
    *rows = 25;
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!current(info)) return;
    *columns = info.srWindow.Right - info.srWindow.Left + 1;
    *rows = info.srWindow.Bottom - info.srWindow.Top + 1;
}

void cursor_left(int n) {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (n <= 0 || !current(info)) return;
    move_to(static_cast<SHORT>(std::max(0, info.dwCursorPosition.X - n)), info.dwCursorPosition.Y);
}

void cursor_right(int n) {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (n <= 0 || !current(info)) return;
    int last = info.dwSize.X - 1;
    move_to(static_cast<SHORT>(std::min(last, info.dwCursorPosition.X + n)), info.dwCursorPosition.Y);
}

void cursor_save() {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (current(info)) screen().saved = info.dwCursorPosition;
}

void cursor_restore() {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (current(info)) move_to(screen().saved.X, screen().saved.Y);
}

void cursor_locate(int32_t column, int32_t row) {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!current(info)) return;
    int columns = info.srWindow.Right - info.srWindow.Left + 1;
    int rows = info.srWindow.Bottom - info.srWindow.Top + 1;
    column = std::clamp(column, 0, columns - 1);
    row = std::clamp(row, 0, rows - 1);
    move_to(static_cast<SHORT>(info.srWindow.Left + column), static_cast<SHORT>(info.srWindow.Top + row));
}

void clear_line() {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!current(info)) return;
    COORD start{0, info.dwCursorPosition.Y};
    fill_cells(start, static_cast<DWORD>(info.dwSize.X), screen().initial_attributes);
    move_to(start.X, start.Y);
}

void clear_to_line_end() {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!current(info)) return;
    fill_cells(info.dwCursorPosition, static_cast<DWORD>(info.dwSize.X - info.dwCursorPosition.X),
               info.wAttributes);
}

void clear_window() {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!current(info)) return;
    for (SHORT y = info.srWindow.Top; y <= info.srWindow.Bottom; ++y)
        fill_cells(COORD{0, y}, static_cast<DWORD>(info.dwSize.X), screen().initial_attributes);
    move_to(info.srWindow.Left, info.srWindow.Top);
}

void console_set_colour(int32_t attribute) {
    Screen &s = screen();
    s.text_attribute = (attribute >= 0 && attribute <= 7) ? attribute : 7;
    s.colour_used = true;
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (current(info)) SetConsoleTextAttribute(s.handle, colour_attributes());
}

int32_t console_colour() { return screen().text_attribute; }

void console_set_reverse(bool on) { screen().reverse_colour = on; }

void console_restore() {
    Screen &s = screen();
    if (s.handle == INVALID_HANDLE_VALUE) return;
    std::fflush(stdout);
    if (s.colour_used.exchange(false)) SetConsoleTextAttribute(s.handle, s.initial_attributes);
    if (s.mode_changed) SetConsoleMode(s.handle, s.initial_mode);
}
