// The console break handler: Ctrl+C (event 0) and the other console events
// close the port without waiting and end the program with status 1.
#pragma once

// Never returns.
[[noreturn]] void console_break_handler(int event);

// Registers console_break_handler; a failure ends the program with 255.
void register_break_handler();
