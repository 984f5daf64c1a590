// Option -i. The interactive mode is not built yet: the run stops at once.
#include "base/diag.h"
#include "startup/run_modes.h"

int run_interactive(int, char **) { fatal("interactive mode is not available yet"); }
