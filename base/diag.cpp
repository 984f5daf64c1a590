#include "base/diag.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace {

void (*fatal_hook)() = nullptr;

void vreport(const char *prefix, const char *format, va_list ap) {
    std::fputs(prefix, stderr);
    std::vfprintf(stderr, format, ap);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

}  // namespace

void fatal(const char *format, ...) {
    va_list ap;
    va_start(ap, format);
    vreport("Fatal error: ", format, ap);
    va_end(ap);
    std::fflush(stdout);
    if (fatal_hook) fatal_hook();
    std::exit(1);
}

void set_fatal_hook(void (*hook)()) { fatal_hook = hook; }

void warning(const char *format, ...) {
    va_list ap;
    va_start(ap, format);
    vreport("Warning: ", format, ap);
    va_end(ap);
}

void message(const char *format, ...) {
    va_list ap;
    va_start(ap, format);
    vreport("", format, ap);
    va_end(ap);
}

void bail_out(const char *module, int line) {
    fatal("line %d, file: %s; bailing out", line, module);
}

void out_of_memory(const char *operation) {
    fatal("%s: %s: can't allocate memory", operation, "var");
}

void out_of_memory_realloc(const char *operation) {
    fatal("%s: %s: can't reallocate memory", operation, "var");
}
