// STAND-IN until the status texts land: no customisation can be applied yet.
#include "printer/status_texts.h"

__attribute__((weak)) int load_custom_file(const char *) { return -1; }
