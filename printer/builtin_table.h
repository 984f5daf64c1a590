// The printer builtins' entries for the builtin table (core/builtins.h).
// The start-up code installs them before a script runs.
#pragma once

#include <span>

#include "core/builtins.h"

std::span<const BuiltinEntry> printer_builtins();
