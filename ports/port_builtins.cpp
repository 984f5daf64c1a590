#include "ports/port_builtins.h"

#include "base/port_ops.h"
#include "core/builtin_args.h"
#include "platform/clock.h"
#include "platform/console.h"
#include "ports/port_layer.h"

namespace {

int32_t wait_with_poll(int32_t ms) {
    while (drv_pending_output(port_handle()) > 0) {
        if (console_kbhit()) {
            if (console_getch() != 0) break;
            continue;
        }
        sleep_ms(1);
    }
    if (ms <= 0) return 0;
    uint32_t start = tick_count_ms();
    for (;;) {
        if (tick_count_ms() - start >= static_cast<uint32_t>(ms)) return 0;
        current_port.port_poll(last_time_text());
        sleep_ms(1);
        if (console_kbhit()) return console_getch();
    }
}

constexpr BuiltinEntry entries[] = {{BuiltinId::do_wait, do_wait}};

}  // namespace

NODE *do_wait(NODE *list) {
    BuiltinArgs args(list);
    int32_t ms = arg_number(args);
    if (unwinding()) return null_string;
    return number_result(wait_with_poll(ms));
}

std::span<const BuiltinEntry> port_builtins() { return entries; }
