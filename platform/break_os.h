// Between the shared break state (break_state.cpp) and each system's way of
// receiving console breaks (break_signals_*.cpp); platform/ only.
#pragma once

#include "platform/break_signals.h"

void set_break_handler(BreakHandler handler);

// On the break thread: runs the handler as soon as nobody is in the middle of
// work the clean-up must not race, or once patience runs out.
void deliver_break(int event);
