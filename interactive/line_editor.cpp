#include "interactive/line_editor.h"

#include <cstdio>

#include "base/port_ops.h"
#include "platform/clock.h"
#include "platform/console.h"

namespace {

constexpr int32_t ctrl(char letter) { return letter & 0x1F; }

constexpr int32_t KEY_HOME = KEY_EXTENDED | 0x47;
constexpr int32_t KEY_UP = KEY_EXTENDED | 0x48;
constexpr int32_t KEY_PGUP = KEY_EXTENDED | 0x49;
constexpr int32_t KEY_LEFT = KEY_EXTENDED | 0x4B;
constexpr int32_t KEY_RIGHT = KEY_EXTENDED | 0x4D;
constexpr int32_t KEY_END = KEY_EXTENDED | 0x4F;
constexpr int32_t KEY_DOWN = KEY_EXTENDED | 0x50;
constexpr int32_t KEY_PGDN = KEY_EXTENDED | 0x51;
constexpr int32_t KEY_DEL = KEY_EXTENDED | 0x53;
// Terminals send DEL for the Backspace key.
constexpr int32_t KEY_BACKSPACE = 127;

void write_echo(std::string_view text) {
    std::fflush(stdout);  // the byte dump goes first
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

void move_to(LineEditor &e, size_t to, const EditorScreen &s) {
    if (to < e.cursor) s.left(static_cast<int>(e.cursor - to));
    else s.right(static_cast<int>(to - e.cursor));
    e.cursor = to;
}

// The line from the cursor on, blanks over the characters just removed, and
// the cursor back where it was.
void redraw_rest(const LineEditor &e, size_t blanks, const EditorScreen &s) {
    std::string rest = e.line.substr(e.cursor) + std::string(blanks, ' ');
    s.write(rest);
    s.left(static_cast<int>(rest.size()));
}

void replace_line(LineEditor &e, std::string_view text, const EditorScreen &s) {
    s.clear_line();
    e.line = text;
    e.cursor = e.line.size();
    s.write(e.line);
}

void browse(LineEditor &e, History &h, int step, const EditorScreen &s) {
    if (step < 0 ? h.browse == 0 : h.browse >= h.entries.size()) return;
    h.browse += static_cast<size_t>(step);
    replace_line(e, h.browse < h.entries.size() ? std::string_view(h.entries[h.browse]) : "", s);
}

// Received bytes are dumped line by line: the typed line is taken off the
// screen first and shown again below them.
void poll_port(const LineEditor &e) {
    bool incoming = !e.line.empty() && current_port.port_rx_count() > 0;
    if (incoming) console_editor_screen.clear_line();
    current_port.port_poll(e.line.c_str());
    if (incoming) {
        console_editor_screen.write(e.line);
        console_editor_screen.left(static_cast<int>(e.line.size() - e.cursor));
    }
}

}  // namespace

const EditorScreen console_editor_screen = {
    write_echo, cursor_left, cursor_right, clear_line, clear_to_line_end,
};

KeyResult edit_key(LineEditor &e, History &h, int32_t key, const EditorScreen &s) {
    switch (key) {
    case ctrl('A'): case KEY_HOME: move_to(e, 0, s); break;
    case ctrl('E'): case KEY_END: move_to(e, e.line.size(), s); break;
    case ctrl('B'): case KEY_LEFT: if (e.cursor > 0) move_to(e, e.cursor - 1, s); break;
    case ctrl('F'): case KEY_RIGHT: if (e.cursor < e.line.size()) move_to(e, e.cursor + 1, s); break;
    case ctrl('H'): case KEY_BACKSPACE:
        if (e.cursor == 0) break;
        move_to(e, e.cursor - 1, s);
        e.line.erase(e.cursor, 1);
        redraw_rest(e, 1, s);
        break;
    case ctrl('D'): case KEY_DEL:
        if (e.cursor == e.line.size()) break;
        e.line.erase(e.cursor, 1);
        redraw_rest(e, 1, s);
        break;
    case ctrl('K'):
        s.clear_to_end();
        e.line.erase(e.cursor);
        break;
    case ctrl('P'): case KEY_UP: case KEY_PGUP: browse(e, h, -1, s); break;
    case ctrl('N'): case KEY_DOWN: case KEY_PGDN: browse(e, h, +1, s); break;
    case '\r': case '\n':
        if (e.line.empty()) break;
        history_add(h, e.line);
        s.write("\n");
        return KeyResult::Accepted;
    case KEY_ESC: case ctrl('C'):
        s.clear_line();
        return KeyResult::Ended;
    default:
        if (key < 0x20 || key > 0x7E || e.line.size() >= MAX_TYPED_LINE) break;
        e.line.insert(e.cursor, 1, static_cast<char>(key));
        s.write(std::string_view(e.line).substr(e.cursor));
        ++e.cursor;
        s.left(static_cast<int>(e.line.size() - e.cursor));
        break;
    }
    return KeyResult::Editing;
}

int32_t edit_line(std::string &line, History &h) {
    LineEditor e;
    console_break_key_as_key(true);
    KeyResult r = KeyResult::Editing;
    while (r == KeyResult::Editing) {
        poll_port(e);
        int32_t key = read_key();
        if (key < 0) sleep_ms(1);
        else r = edit_key(e, h, key, console_editor_screen);
    }
    console_break_key_as_key(false);
    line = std::move(e.line);
    return r == KeyResult::Accepted ? LINE_ACCEPTED : LINE_ENDED;
}

int32_t read_piped_line(std::string &line, History &h) {
    line.clear();
    current_port.port_poll("");
    for (;;) {
        int32_t b = read_input_byte();
        if (b == '\n' || b == '\r') {
            if (line.empty()) continue;
            break;
        }
        if (b >= 0) {
            line.push_back(static_cast<char>(b));
        } else if (console_input_ended()) {
            if (line.empty()) return LINE_ENDED;
            break;
        } else {
            current_port.port_poll(line.c_str());
            std::fflush(stdout);  // a reply shows while the next line is awaited
            sleep_ms(1);
        }
    }
    history_add(h, line);
    write_echo(line + "\n");
    return LINE_ACCEPTED;
}
