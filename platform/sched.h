// Processor scheduling and stack headroom of the calling thread.
//  - yield_processor: gives up the rest of the time slice when the caller has
//    run for a few milliseconds since it last did; otherwise returns at once
//    (never fails). Meant to be called often, from one thread.
//  - stack_headroom: bytes left between the caller's frame and the end of the
//    calling thread's stack; SIZE_MAX when the bounds cannot be learned.
#pragma once

#include <cstddef>

void yield_processor();
size_t stack_headroom();
