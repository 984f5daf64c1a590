// Keyboard side of the console on Windows. A console is read as input
// events (no echo, no line editing, Ctrl+C still a break); a pipe or file
// as bytes with the same decoding as on Linux.
#include <windows.h>

#include <algorithm>
#include <deque>
#include <optional>

#include "platform/break_signals.h"
#include "platform/console.h"
#include "platform/console_decode.h"

namespace {

constexpr int kEscWaitMs = 50;

enum class Input { Unknown, Console, Pipe, File };

struct Keys {
    Input kind = Input::Unknown;
    HANDLE handle = INVALID_HANDLE_VALUE;
    std::deque<unsigned char> pending;  // bytes read ahead of the caller
    std::optional<Key> ahead;           // a console key taken by a poll
    bool ended = false;
};
Keys keys;

Input input_kind() {
    if (keys.kind == Input::Unknown) {
        keys.handle = GetStdHandle(STD_INPUT_HANDLE);
        DWORD mode;
        if (GetConsoleMode(keys.handle, &mode)) keys.kind = Input::Console;
        else if (GetFileType(keys.handle) == FILE_TYPE_PIPE) keys.kind = Input::Pipe;
        else keys.kind = Input::File;
    }
    return keys.kind;
}

enum class Fill { Got, Nothing, End };

Fill read_bytes(DWORD most) {
    unsigned char buffer[256];
    DWORD n = 0;
    BOOL ok;
    {
        BlockingWait waiting;
        ok = ::ReadFile(keys.handle, buffer, std::min<DWORD>(most, sizeof buffer), &n, nullptr);
    }
    if (ok && n > 0) {
        keys.pending.insert(keys.pending.end(), buffer, buffer + n);
        return Fill::Got;
    }
    // A console's end of line input (Ctrl+Z) is not the end of the console.
    if (input_kind() == Input::Console) return Fill::End;
    keys.ended = true;
    return Fill::End;
}

// One read of whatever standard input has within timeout_ms (-1: no limit).
Fill fill(int timeout_ms) {
    if (keys.ended) return Fill::End;
    if (input_kind() == Input::Console && timeout_ms >= 0) return Fill::Nothing;  // lines only
    if (input_kind() != Input::Pipe || timeout_ms < 0) return read_bytes(sizeof(unsigned char[256]));
    DWORD start = GetTickCount();
    for (;;) {
        DWORD available = 0;
        if (!PeekNamedPipe(keys.handle, nullptr, 0, nullptr, &available, nullptr)) {
            DWORD error = GetLastError();
            if (error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_FUNCTION) {
                // A pipe that cannot be peeked (Wine's for a Unix pipe) is read
                // like a file: a poll waits for the next byte or the end.
                keys.kind = Input::File;
                return read_bytes(sizeof(unsigned char[256]));
            }
            keys.ended = true;  // the writer is gone and nothing is left
            return Fill::End;
        }
        if (available > 0) return read_bytes(available);
        if (GetTickCount() - start >= static_cast<DWORD>(timeout_ms)) return Fill::Nothing;
        BlockingWait waiting;
        Sleep(1);
    }
}

bool more_bytes() { return fill(kEscWaitMs) == Fill::Got; }
bool more_line_bytes() { return fill(-1) != Fill::End; }

struct ExtendedKey {
    WORD virtual_key;
    uint8_t first;
    uint8_t scan;
};

constexpr ExtendedKey extended_keys[] = {
    {VK_UP, 224, 0x48},   {VK_DOWN, 224, 0x50}, {VK_LEFT, 224, 0x4B},  {VK_RIGHT, 224, 0x4D},
    {VK_HOME, 224, 0x47}, {VK_END, 224, 0x4F},  {VK_PRIOR, 224, 0x49}, {VK_NEXT, 224, 0x51},
    {VK_INSERT, 224, 0x52}, {VK_DELETE, 224, 0x53}, {VK_F1, 0, 0x3B}, {VK_F2, 0, 0x3C},
    {VK_F3, 0, 0x3D},     {VK_F4, 0, 0x3E},     {VK_F5, 0, 0x3F},      {VK_F6, 0, 0x40},
    {VK_F7, 0, 0x41},     {VK_F8, 0, 0x42},     {VK_F9, 0, 0x43},      {VK_F10, 0, 0x44},
};

bool translate(const KEY_EVENT_RECORD &event, Key &key) {
    if (!event.bKeyDown) return false;
    for (const ExtendedKey &k : extended_keys) {
        if (k.virtual_key == event.wVirtualKeyCode) {
            key = {k.first, k.scan};
            return true;
        }
    }
    auto c = static_cast<unsigned char>(event.uChar.AsciiChar);
    if (c == 0) return false;  // a shift key alone, and the like
    key = {c, -1};
    return true;
}

// The next key among the console's input events; waits for one when asked.
bool console_event_key(bool wait, Key &key) {
    if (keys.ahead) {
        key = *keys.ahead;
        keys.ahead.reset();
        return true;
    }
    for (;;) {
        DWORD count = 0;
        if (!wait && (!GetNumberOfConsoleInputEvents(keys.handle, &count) || count == 0)) return false;
        INPUT_RECORD record;
        DWORD got = 0;
        BOOL ok;
        {
            BlockingWait waiting;
            ok = ReadConsoleInputA(keys.handle, &record, 1, &got);
        }
        if (!ok || got == 0) return false;
        if (record.EventType == KEY_EVENT && translate(record.Event.KeyEvent, key)) return true;
    }
}

bool take_key(Key &key) {
    if (!keys.pending.empty()) return take_key(keys.pending, more_bytes, key);
    if (input_kind() == Input::Console) return console_event_key(false, key);
    return false;
}

Key wait_key() {
    Key key;
    if (!keys.pending.empty() && take_key(keys.pending, more_bytes, key)) return key;
    if (input_kind() == Input::Console) {
        if (console_event_key(true, key)) return key;
        return {KEY_ESC, -1};
    }
    while (!take_key(key)) {
        if (fill(-1) == Fill::End) return {KEY_ESC, -1};
    }
    return key;
}

}  // namespace

int console_kbhit() {
    if (!keys.pending.empty() || keys.ahead) return 1;
    if (input_kind() == Input::Console) {
        Key key;
        if (!console_event_key(false, key)) return 0;
        keys.ahead = key;
        return 1;
    }
    fill(0);
    return keys.pending.empty() ? 0 : 1;
}

int32_t read_input_byte() {
    if (input_kind() == Input::Console) return -1;  // a console gives keys, not bytes
    if (keys.pending.empty()) fill(0);
    if (keys.pending.empty()) return -1;
    unsigned char b = keys.pending.front();
    keys.pending.pop_front();
    return b;
}

bool console_input_is_terminal() { return input_kind() == Input::Console; }

// Without processed input the console hands Ctrl+C over as a key.
void console_break_key_as_key(bool on) {
    DWORD mode;
    if (input_kind() != Input::Console || !GetConsoleMode(keys.handle, &mode)) return;
    SetConsoleMode(keys.handle, on ? mode & ~DWORD{ENABLE_PROCESSED_INPUT} : mode | ENABLE_PROCESSED_INPUT);
}

int32_t console_getch() {
    Key key = wait_key();
    console_flush_input();
    return key.code;
}

int32_t read_key() {
    if (!console_kbhit()) return -1;
    Key key;
    if (!take_key(key)) return -1;
    return key.scan < 0 ? key.code : KEY_EXTENDED | key.scan;
}

void console_flush_input() {
    if (input_kind() != Input::Console) return;
    keys.pending.clear();
    keys.ahead.reset();
    FlushConsoleInputBuffer(keys.handle);
}

std::string console_read_line(size_t max_chars) {
    input_kind();
    return take_line(keys.pending, max_chars, more_line_bytes);
}

bool console_input_ended() { return keys.ended; }

// Input events need no mode of their own: nothing to hand back.
void console_leave_raw() {}

void console_restore_for_exit() { console_restore(); }
