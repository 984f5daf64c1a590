// The window title: OSC 0 on the error stream, only when it is a terminal.
#include <unistd.h>

#include <cstdio>

#include "platform/console.h"

void console_set_title(const char *title) {
    if (!isatty(STDERR_FILENO)) return;
    std::fprintf(stderr, "\x1b]0;%s\x07", title);
    std::fflush(stderr);
}
