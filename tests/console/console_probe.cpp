// Drives the console layer from the command line so that tests can watch it
// in a real terminal or over a pipe. Each word is one step:
//   getch kbhit waitkey line print:TEXT color:N locate:X,Y cls clearline
//   save restore left:N right:N eol
//   b:NAME[:ARG,ARG...]  calls builtin NAME (numbers as numbers, other
//                        words as strings; no ":" means no argument list)
//   B:NAME[:ARG,...]     the same without printing the result
// Results go to standard output as "name=value" lines.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/builtin_test_util.h"
#include "core/builtins.h"
#include "platform/clock.h"
#include "platform/console.h"

namespace {

int number_after(const char *word, int index) {
    const char *p = std::strchr(word, ':');
    for (int i = 0; p != nullptr && i < index; ++i) p = std::strchr(p + 1, ',');
    return p == nullptr ? 0 : std::atoi(p + 1);
}

using Builtin = NODE *(*)(NODE *);

struct NamedBuiltin {
    const char *name;
    Builtin fn;
};

constexpr NamedBuiltin builtins[] = {
    {"getch", do_getch}, {"kbhit", do_kbhit}, {"pause", do_pause}, {"gets", do_gets}, {"getn", do_getn},
    {"cls", do_cls},     {"color", do_color}, {"locate", do_locate},
};

NODE *argument(const std::string &word) {
    bool numeric = !word.empty() && word.find_first_not_of("-0123456789") == std::string::npos;
    return numeric ? builtin_test::N(std::atoi(word.c_str())) : builtin_test::S(word);
}

bool call_builtin(const std::string &spec, bool show) {
    size_t colon = spec.find(':');
    std::string name = spec.substr(0, colon);
    for (const NamedBuiltin &b : builtins) {
        if (name != b.name) continue;
        NODE *list = nullptr, **link = &list;
        for (size_t at = colon; at != std::string::npos && at < spec.size();) {
            size_t end = spec.find(',', at + 1);
            *link = builtin_test::args({argument(spec.substr(at + 1, end - at - 1))});
            link = &(*link)->right;
            at = end;
        }
        std::string result = builtin_test::text(b.fn(list));
        if (show) std::printf("%s=%s\n", name.c_str(), result.c_str());
        return true;
    }
    return false;
}

bool step(const std::string &w) {
    if (w.rfind("b:", 0) == 0 || w.rfind("B:", 0) == 0) {
        bool ok = call_builtin(w.substr(2), w[0] == 'b');
        std::fflush(stdout);
        return ok;
    }
    const char *s = w.c_str();
    if (w == "getch") std::printf("getch=%d\n", console_getch());
    else if (w == "kbhit") std::printf("kbhit=%d\n", console_kbhit());
    else if (w == "waitkey") {
        int32_t k;
        while ((k = read_key()) < 0 && !console_input_ended()) sleep_ms(1);
        std::printf("key=%X\n", static_cast<unsigned>(k));
    } else if (w == "line") {
        std::string line = console_read_line(254);
        std::printf("line=%zu:%s\n", line.size(), line.c_str());
    } else if (w.rfind("print:", 0) == 0) std::printf("%s", s + 6);
    else if (w.rfind("color:", 0) == 0) console_set_colour(number_after(s, 0));
    else if (w.rfind("locate:", 0) == 0) cursor_locate(number_after(s, 0), number_after(s, 1));
    else if (w == "cls") clear_window();
    else if (w == "clearline") clear_line();
    else if (w == "save") cursor_save();
    else if (w == "restore") cursor_restore();
    else if (w.rfind("left:", 0) == 0) cursor_left(number_after(s, 0));
    else if (w.rfind("right:", 0) == 0) cursor_right(number_after(s, 0));
    else if (w == "eol") clear_to_line_end();
    else return false;
    std::fflush(stdout);
    return true;
}

}  // namespace

int main(int argc, char **argv) {
    init_null_string();
    for (int i = 1; i < argc; ++i) {
        if (!step(argv[i])) {
            std::fprintf(stderr, "console_probe: unknown step %s\n", argv[i]);
            return 2;
        }
    }
    return 0;
}
