// Drives the console layer from the command line so that tests can watch it
// in a real terminal or over a pipe. Each word is one step:
//   getch kbhit waitkey line print:TEXT color:N locate:X,Y cls clearline
//   save restore left:N right:N eol
// Results go to standard output as "name=value" lines.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/clock.h"
#include "platform/console.h"

namespace {

int number_after(const char *word, int index) {
    const char *p = std::strchr(word, ':');
    for (int i = 0; p != nullptr && i < index; ++i) p = std::strchr(p + 1, ',');
    return p == nullptr ? 0 : std::atoi(p + 1);
}

bool step(const std::string &w) {
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
    for (int i = 1; i < argc; ++i) {
        if (!step(argv[i])) {
            std::fprintf(stderr, "console_probe: unknown step %s\n", argv[i]);
            return 2;
        }
    }
    return 0;
}
