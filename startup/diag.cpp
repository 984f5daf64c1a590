#include "startup/diag.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "ports/port_ops.h"

namespace {

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
    current_port.port_close(0);
    std::exit(1);
}

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
