// Output statements and the format engine.
//
// print/printf write to the console (standard output); output/outputf send
// bytes through current_port.port_send_byte, direct/directf through
// port_send_byte_now. output and direct evaluate in character mode: a number
// without a string view becomes the one byte number mod 256, strings send
// their bytes; nothing is sent between or after the items.
//
// Each handler takes the statement node (T_PRINT .. T_DIRECTF), whose left
// word is the T_EXPRESSION_LIST or null (null means the record $0).
//
// do_sprintf is the format engine and the `sprintf` builtin: first list
// element the format, the rest the values; an empty list formats $0. Invalid
// specifications are copied as text; too few values end the run through
// fatal with a caret under the conversion that ran out. The result has no
// length limit.
#pragma once

#include "core/node.h"

void do_print(NODE *statement);
void do_printf(NODE *statement);
void do_output(NODE *statement);
void do_outputf(NODE *statement);
void do_direct(NODE *statement);
void do_directf(NODE *statement);

NODE *do_sprintf(NODE *args);
