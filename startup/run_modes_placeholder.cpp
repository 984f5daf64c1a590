// STAND-INS until the script run mode and the interactive mode land. Weak, so
// the real run modes replace them wherever they are defined.
#include "startup/diag.h"
#include "startup/run_modes.h"
#include "startup/usage.h"

__attribute__((weak)) int run_script(int argc, char **) {
    if (argc < 1) usage();
    fatal("script run mode is not available yet");
}

__attribute__((weak)) int run_interactive(int, char **) {
    fatal("interactive mode is not available yet");
}
