// Program-wide diagnostics. Everything the program says about itself goes to
// the error stream.
//  - fatal: "Fatal error: " + message + newline, flushes standard output,
//    runs the exit hook (the start-up code's: it closes the printer target
//    without waiting), exits with status 1.
//  - warning: "Warning: " + message + newline; the run goes on.
//  - message: the formatted text and a newline.
//  - bail_out: an impossible state, "line %d, file: %s; bailing out", fatal.
#pragma once

[[noreturn]] void fatal(const char *format, ...) __attribute__((format(printf, 1, 2)));
void warning(const char *format, ...) __attribute__((format(printf, 1, 2)));
void message(const char *format, ...) __attribute__((format(printf, 1, 2)));

// The clean-up fatal runs before the exit; null runs nothing.
void set_fatal_hook(void (*hook)());

// module is one of "node", "eval", "builtin", "main".
[[noreturn]] void bail_out(const char *module, int line);
#define BAIL_OUT(module) bail_out((module), __LINE__)

// Heap exhaustion in the evaluation core: "%s: %s: can't allocate memory"
// naming the allocating operation and the word "var".
[[noreturn]] void out_of_memory(const char *operation);
[[noreturn]] void out_of_memory_realloc(const char *operation);
