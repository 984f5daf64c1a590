// The usage text, with its "more..." pause between the options and the
// targets (a closed input passes the pause at once). Ends the program with
// status 0.
#pragma once

[[noreturn]] void usage();
