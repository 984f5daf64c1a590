// The wait behind the `pause` builtin and the port layer's key prompts.
//  - Shows message ("Hit any key" when empty) on the error stream with the
//    cursor left where it was, lets the port layer take in printer data
//    (port_poll with the message, 1 ms sleeps) until a key is waiting, then
//    clears the cursor's line and returns the key (getch rules).
//  - At the end of piped input it returns 27 (Esc) at once.
#pragma once

#include <cstdint>

int32_t wait_any_key(const char *message);
