// Console break delivery: SIGINT, SIGQUIT, SIGHUP and SIGTERM are blocked in
// the calling thread (and so in every thread started after it) and handled
// on one signal thread, which calls the handler with the console event
// number: 0 SIGINT (Ctrl+C), 1 SIGQUIT, 2 SIGHUP, 6 SIGTERM.
// The handler runs on that thread and is expected not to return.
#pragma once

using BreakHandler = void (*)(int event);

// Starts the signal thread on the first call; later calls only swap the
// handler. False when the thread cannot be started.
bool install_break_handler(BreakHandler handler);

// Until install_break_handler runs, the break signals keep their default
// action (the process ends), but the terminal is first put back into its
// normal mode. Call once at start-up.
void keep_terminal_on_default_break();

// Ends the process at once with status: flushes standard output and error,
// puts the terminal back, skips static destructors and atexit handlers
// (other threads may still be running).
[[noreturn]] void quick_exit_process(int status);
