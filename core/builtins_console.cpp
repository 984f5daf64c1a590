// Console builtins: kbhit, getch, pause, getn, gets, cls, color, locate.
#include <cstdio>

#include "base/wait_any_key.h"
#include "core/builtin_args.h"
#include "core/builtins.h"
#include "platform/console.h"

namespace {

constexpr size_t kLineChars = 254;

// Script colour number -> console attribute (bit 0 blue, bit 1 green, bit 2 red).
constexpr int32_t colour_attribute[] = {0, 4, 2, 6, 1, 5, 3, 7};
static_assert(sizeof colour_attribute / sizeof colour_attribute[0] == 8);

void write_error(std::string_view text) {
    std::fflush(stdout);
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

// Leading decimal integer after blanks, with an optional sign; 0 if none.
int32_t leading_integer(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    bool negative = i < s.size() && s[i] == '-';
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) ++i;
    uint32_t value = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) value = value * 10 + static_cast<uint32_t>(s[i] - '0');
    return static_cast<int32_t>(negative ? 0u - value : value);
}

std::string prompted_line(NODE *list) {
    BuiltinArgs args(list);
    std::string prompt = arg_text(args);
    if (unwinding()) return {};
    write_error(prompt);
    return console_read_line(kLineChars);
}

}  // namespace

NODE *do_kbhit(NODE *) { return number_result(console_kbhit()); }

NODE *do_getch(NODE *) { return number_result(console_getch()); }

NODE *do_pause(NODE *list) {
    BuiltinArgs args(list);
    std::string message = arg_text(args);
    if (unwinding()) return null_string;
    return number_result(wait_any_key(message.c_str()));
}

NODE *do_getn(NODE *list) { return number_result(leading_integer(prompted_line(list))); }

NODE *do_gets(NODE *list) { return text_result(prompted_line(list)); }

NODE *do_cls(NODE *) {
    clear_window();
    return number_result(1);
}

NODE *do_color(NODE *list) {
    BuiltinArgs args(list);
    int32_t n = arg_number(args);
    if (unwinding()) return null_string;
    console_set_colour(n >= 0 && n < 8 ? colour_attribute[n] : 7);
    return number_result(1);
}

NODE *do_locate(NODE *list) {
    BuiltinArgs args(list);
    int32_t x = arg_number(args);
    int32_t y = arg_number(args);
    if (unwinding()) return null_string;
    cursor_locate(x, y);
    return number_result(1);
}
