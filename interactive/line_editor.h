// Reading the interactive mode's lines.
//  - edit_line: a terminal's line editor. Keys as in the table of edit_key;
//    the line is echoed on the error stream and redrawn with the console
//    cursor. While it waits, the port is polled (received bytes are dumped)
//    and the line is shown again after them. Ctrl+C is a key here, not a break.
//  - read_piped_line: standard input that is no terminal. LF and CR end a
//    line, empty lines are skipped, every byte else is kept as it came; the
//    accepted line is echoed and stored in the history like a typed one.
// Both answer LINE_ACCEPTED with the line in `line`, or LINE_ENDED (Esc,
// Ctrl+C, or the end of the input).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "interactive/history.h"

constexpr int32_t LINE_ACCEPTED = 13;
constexpr int32_t LINE_ENDED = 27;
// Typed lines stop taking characters here (the editor draws on one row).
constexpr size_t MAX_TYPED_LINE = 255;

// Where the editor draws; the console's by default, a recorder in tests.
struct EditorScreen {
    void (*write)(std::string_view text);
    void (*left)(int n);
    void (*right)(int n);
    void (*clear_line)();    // the whole line, cursor to its start
    void (*clear_to_end)();  // from the cursor
};
extern const EditorScreen console_editor_screen;

struct LineEditor {
    std::string line;
    size_t cursor = 0;
};

enum class KeyResult { Editing, Accepted, Ended };

// One key (read_key codes). Printable characters insert; Ctrl-A/Home,
// Ctrl-E/End, Ctrl-B/Left, Ctrl-F/Right move; Ctrl-H/Backspace (8, 127) and
// Ctrl-D/Del delete; Ctrl-K cuts to the end; Ctrl-P/Up/PgUp and
// Ctrl-N/Down/PgDn browse the history; Enter (13 or 10) accepts a non-empty
// line (stored in the history); Esc and Ctrl+C end; other keys are ignored.
KeyResult edit_key(LineEditor &e, History &h, int32_t key, const EditorScreen &screen);

int32_t edit_line(std::string &line, History &h);
int32_t read_piped_line(std::string &line, History &h);
