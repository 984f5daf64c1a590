// Helpers shared by the grammar's actions (frontend/grammar.y) and defined in
// frontend/parser.cpp. Each builds one piece of tree or updates the parser
// state the way one production needs it.
#pragma once

#include "core/builtins.h"
#include "core/node.h"

extern int can_return;     // 1 inside a function body
extern int next_allowed;   // 0 while a BEGIN block is parsed
extern int param_counter;  // next parameter slot of the function being read

// Statement and rule sequences: one element stands alone; from the second
// on, the first is wrapped into a `list_type` chain (unless it already is
// one) and the new element appended.
NODE *append_sequence(NODE *first, NODE *item, int32_t list_type);
// Expression lists are always chains; `list` null starts one.
NODE *append_list(NODE *list, NODE *item);

void add_begin_block(NODE *action);
void begin_without_action();

NODE *make_for_loop(NODE *init, NODE *cond, NODE *incr);
NODE *name_variable(char *name);  // variable(name)
NODE *builtin_call(BuiltinId id, NODE *args);
NODE *function_call(char *name, NODE *args);
NODE *regexp_node(char *source);

NODE *make_param(char *name);
NODE *append_param(NODE *chain, NODE *param);
NODE *function_head(char *name, NODE *params);
void define_function(NODE *head, NODE *body);

// Runs at a syntax error just before the exit with status 1 (none by
// default): the fuzz target jumps back to its next input from there.
void set_syntax_error_hook(void (*hook)());
