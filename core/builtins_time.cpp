// Time, random-number and process builtins: date, time, now, timer, rand,
// srand, system.
#include <cstdio>

#include "core/builtin_args.h"
#include "core/builtins.h"
#include "core/strfuncs.h"
#include "platform/clock.h"
#include "platform/process.h"

namespace {
RandomState random_state;
char time_text[32] = "";
}  // namespace

const char *last_time_text() { return time_text; }

NODE *do_date(NODE *) {
    LocalTime t = local_time();
    char text[32];
    int n = std::snprintf(text, sizeof text, "%04d/%02d/%02d", t.year, t.month, t.day);
    return text_result(std::string_view(text, static_cast<size_t>(n)));
}

NODE *do_time(NODE *) {
    LocalTime t = local_time();
    int n = std::snprintf(time_text, sizeof time_text, "%02d:%02d:%02d.%03d", t.hour, t.minute, t.second,
                          t.millisecond);
    return text_result(std::string_view(time_text, static_cast<size_t>(n)));
}

NODE *do_now(NODE *) { return number_result(static_cast<int32_t>(tick_count_ms())); }

NODE *do_timer(NODE *) { return number_result(1); }

NODE *do_rand(NODE *) { return number_result(random_state.next()); }

NODE *do_srand(NODE *list) {
    BuiltinArgs args(list);
    int32_t seed = arg_number(args);
    if (unwinding()) return null_string;
    random_state.seed = static_cast<uint32_t>(seed);
    return number_result(1);
}

// 1 whether or not the program could be started, as scripts expect.
NODE *do_system(NODE *list) {
    BuiltinArgs args(list);
    std::string line = arg_text(args);
    if (unwinding()) return null_string;
    run_command_line(line);
    return number_result(1);
}
