// Builtins that need the open driver itself, not only current_port; the
// start-up code installs them beside the printer builtins.
//  - wait (ms): first lets the driver's send queue drain (a key other than
//    code 0 ends that early and is dropped), then for ms milliseconds takes in
//    what the printer sends through port_poll, whose message is the text the
//    time builtin built last. Returns 0, or the code of a key pressed during
//    the timed part.
#pragma once

#include <span>

#include "core/builtins.h"

NODE *do_wait(NODE *args);

std::span<const BuiltinEntry> port_builtins();
