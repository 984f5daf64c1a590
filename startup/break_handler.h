// The console break handler: Ctrl+C (event 0) and the other console events
// close the port without waiting, flush and close the files the script
// opened, remove the temporary file, put the terminal back (last) and end
// the program with status 1.
#pragma once

// Never returns.
[[noreturn]] void console_break_handler(int event);

// Starts break handling at the very beginning of main, so that a break at
// any later moment takes the handler's way out.
void start_break_handling();

// Registers console_break_handler; a failure ends the program with 255.
void register_break_handler();

// Flushes and closes the files the script left open; names each one whose
// data could not all be written ("Fatal error: Can't write file <name>").
// False when there was one.
bool close_script_files_reporting();
