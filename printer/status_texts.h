// Status bit texts and their customisation.
#pragma once

// Applies the lines of an ASB customisation file (option -c) to the status
// texts; -1 when the file cannot be opened.
int load_custom_file(const char *path);
