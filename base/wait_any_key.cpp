#include "base/wait_any_key.h"

#include <cstdio>

#include "base/port_ops.h"
#include "platform/clock.h"
#include "platform/console.h"

int32_t wait_any_key(const char *message) {
    if (message == nullptr || *message == '\0') message = "Hit any key";
    std::fflush(stdout);
    cursor_save();
    std::fputs(message, stderr);
    std::fflush(stderr);
    cursor_restore();
    while (!console_kbhit() && !console_input_ended()) {
        current_port.port_poll(message);
        sleep_ms(1);
    }
    clear_line();
    return console_getch();
}
