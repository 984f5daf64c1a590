// The termios image of a SerialLine (POSIX builds only; the tests check the
// whole mapping here because a pseudo-terminal keeps only part of it).
#pragma once

#include <termios.h>

#include "platform/serial_lines.h"

// Raw mode with the line's settings; flow_on = false leaves the output flow
// flags (CRTSCTS, IXON) off, the input side (IXOFF) untouched.
void serial_line_termios(const SerialLine &line, bool flow_on, struct termios &t);
speed_t serial_speed(int32_t bits_per_second);
