// Weak stand-ins so the evaluator links before the output statements land;
// core/output.cpp replaces them.
#include "core/output.h"

__attribute__((weak)) void do_print(NODE *) {}
__attribute__((weak)) void do_printf(NODE *) {}
__attribute__((weak)) void do_output(NODE *) {}
__attribute__((weak)) void do_outputf(NODE *) {}
__attribute__((weak)) void do_direct(NODE *) {}
__attribute__((weak)) void do_directf(NODE *) {}
