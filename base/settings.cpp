#include "base/settings.h"

RunOptions run_options;
