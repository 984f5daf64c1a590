// The operator's console. Standard input is the keyboard; the screen is
// standard output when it is a terminal, else standard error when that is.
// On Windows a console is read as key events (Ctrl+C stays a break) and
// drawn through the Console API; pipes and files behave as on Linux.
//
// Keys
//  - On a terminal, input is switched to non-canonical, no-echo mode from the
//    first key poll or key wait until a line is read, a child process starts
//    or the program ends (normal end, fatal, signal): the terminal is always
//    handed back as it was found. Ctrl+C still raises SIGINT.
//  - On a pipe or file every byte is a key; at end of input no key is ever
//    waiting, and the waits that only a key can end return 27 (Esc) at once.
//  - Key codes: a byte 0..255, or for an extended key (arrows, Home, End,
//    PgUp, PgDn, Insert, Delete, F1..F10) the pair of a first code (224, or 0
//    for function keys) and a scan code. A lone Esc is 27 when nothing follows
//    within 50 ms.
//  - Discarding pending input applies to a terminal only: piped bytes are
//    keys typed ahead on purpose.
//
// Screen
//  - ANSI sequences, written only when the screen is a terminal; otherwise
//    every cursor, colour and clear operation does nothing.
//  - Colours are console attributes 0..7 (bit 0 blue, bit 1 green, bit 2 red);
//    the reverse flag puts the colour in the background. Once a colour has
//    been set, the terminal's own colours are put back at exit.
//  - Rows and columns are 0-based, within the visible window (80x25 when the
//    terminal does not say).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// ---- keys ------------------------------------------------------------------

constexpr int32_t KEY_ESC = 27;
constexpr int32_t KEY_EXTENDED = 0xFF00;  // read_key: KEY_EXTENDED | scan code

// Non-zero when a key is waiting.
int console_kbhit();

// Waits for a key and returns its first code, then discards pending input.
// At end of input: 27 at once.
int32_t console_getch();

// -1 when no key is waiting; else the key's code, an extended key as
// KEY_EXTENDED | scan (0xFF48 Up, 0xFF50 Down, 0xFF4B Left, 0xFF4D Right,
// 0xFF47 Home, 0xFF4F End, 0xFF49 PgUp, 0xFF51 PgDn, 0xFF52 Ins, 0xFF53 Del).
int32_t read_key();

// The next byte of standard input as it came, with no key decoding; -1 when
// none is waiting (also at end of input).
int32_t read_input_byte();

// True when standard input is a terminal (keys are typed, not piped).
bool console_input_is_terminal();

// While on, Ctrl+C typed at the terminal is the key 3 instead of a break.
void console_break_key_as_key(bool on);

// Drops keys typed ahead on a terminal.
void console_flush_input();

// Reads one line (echoed, edited by the terminal) of at most max_chars bytes
// without its line end; the rest of a longer line is dropped. End of input
// gives what was read so far.
std::string console_read_line(size_t max_chars);

// True once standard input has reached its end (never for a terminal).
bool console_input_ended();

// Hands the keyboard back in its normal mode (before a child process runs).
void console_leave_raw();

// Puts the terminal back in the mode it was found in; safe to call at any
// time and from any thread, and again later.
void console_restore();

// The same, for the last time: the process is ending, and raw mode is never
// switched on again, even by a thread that is still running.
void console_restore_for_exit();

// ---- screen ----------------------------------------------------------------

bool console_is_terminal();  // the screen is a terminal
// Window title (OSC 0), on the error stream when that is a terminal.
void console_set_title(const char *title);
void console_window_size(int *columns, int *rows);

void cursor_left(int n);   // not before column 0
void cursor_right(int n);  // not beyond the last column
void cursor_save();
void cursor_restore();
void cursor_locate(int32_t column, int32_t row);  // clipped into the window

void clear_line();         // the cursor's whole line; cursor to its start
void clear_to_line_end();  // from the cursor to the end of its line
void clear_window();       // the visible window; cursor to the top left

// Attribute 0..7 (other values are taken as 7).
void console_set_colour(int32_t attribute);
int32_t console_colour();
void console_set_reverse(bool on);
