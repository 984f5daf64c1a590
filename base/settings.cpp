#include "base/settings.h"

// Out of line, as for every run-state record: a special member the compiler
// emits inline would be a weak symbol.
RunOptions::~RunOptions() = default;

RunOptions run_options;
