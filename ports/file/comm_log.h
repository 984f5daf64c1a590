// Communication log (option -l, "VORDEL.LOG" opened by the start-up code):
// each run appends a section framed by a start and an end banner, with the
// byte dump, status texts and time-stamped notes in between. Write errors
// on the log are ignored. log_end also reports the run time on the error
// stream, with or without a log.
#pragma once

#include <cstdint>

void log_start();
// One line " yyyy/mm/dd hh:mm:ss.mmm text"; nothing without an open log.
void log_stamp(const char *text);
void log_end();

// The run-time line for an elapsed tick interval (wrap-safe).
void print_total_time(uint32_t start_ticks, uint32_t end_ticks);
