#include "printer/status_texts.h"

// No customisation can be applied until the status texts are built.
int load_custom_file(const char *) { return -1; }
