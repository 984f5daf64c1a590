// lognow (text): writes the text as a time-stamped line into the
// communication log (nothing without an open log) and returns 0. It sits with
// the log; the start-up code installs it beside the printer builtins.
#pragma once

#include <span>

#include "core/builtins.h"

NODE *do_lognow(NODE *args);

std::span<const BuiltinEntry> log_builtins();
