// The console's run state in one place, shared by platform/console_*_posix.cpp
// only: typed bytes read ahead, the saved terminal mode and the colours in
// use. One instance, console_state; nothing outside platform/ includes this.
#pragma once

#include <termios.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>

struct ConsoleState {
    // Keys (console_keys.cpp).
    std::deque<unsigned char> pending;  // bytes read ahead of the caller
    bool input_ended = false;
    int input_tty = -1;  // -1 not yet asked, 0 no, 1 yes
    termios saved_mode{};
    bool have_saved = false;
    std::atomic<bool> raw_on{false};
    std::once_flag keys_restore_registered;
    // Once the process is ending raw mode stays off, whatever another thread
    // still does; the lock makes the last restore and a late switch exclusive.
    std::mutex raw_lock;
    bool raw_forbidden = false;
    bool break_as_key = false;  // raw mode leaves VINTR off
    // Screen (console_screen.cpp).
    int32_t text_attribute = 7;
    bool reverse_colour = false;
    std::atomic<bool> colour_used{false};
    std::once_flag screen_restore_registered;

    ~ConsoleState();
};

extern ConsoleState console_state;
