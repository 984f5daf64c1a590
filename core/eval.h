// Statement executor and expression evaluator.
//  - tree_eval returns either a node owned elsewhere (a variable's value, a
//    constant: never release it) or a NODE_TEMP temporary (release with unref).
//  - char_mode 1 (output and direct statements) makes concatenation turn
//    numbers into single bytes.
//  - Arithmetic is 32-bit two's complement with wrap-around.
//  - `exit` or `next` run inside a user function unwind without jumps: the
//    call returns null_string and eval_unwinding() stays non-zero until the
//    rule list has been left. Code that evaluates arguments and then does
//    visible work (output, printer commands) checks it and stops.
#pragma once

#include <cstdint>

#include "core/interp_state.h"
#include "core/node.h"

int interpret(NODE *tree);
NODE *tree_eval(NODE *tree, int char_mode);
int eval_condition(NODE *tree);
int cmp_nodes(NODE *a, NODE *b);
int cmp_strings(NODE *a, NODE *b);
NODE **get_lhs(NODE *target, int assign);
void assign_number(NODE **slot, int32_t n);
NODE *func_call(NODE *name, NODE *arguments);

inline int eval_unwinding() { return interp.eval_unwind; }
