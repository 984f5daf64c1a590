// The grammar's side of the front end: parse a script into NODE trees.
//
// Use: lexer_open(file, name) (frontend/lexer.h), then yyparse(). The parse
// stops the program at the first syntax or lexical error (one report through
// yyerror, exit status 1). Afterwards:
//  - begin_block: none, one T_RULE, or a T_RULE_LIST chain of them, one per
//    BEGIN/main block in script order (T_RULE: left none, right the block);
//  - every function is installed in the global symbol table as T_FUNC_NAME;
//  - error_count > 0 means a BEGIN without action was reported: do not run.
//
// Tree shapes follow the evaluator's table. The for-loop header of T_FOR and
// T_FOR_IN is a type-0 node whose `table` (word 2) points at three slots:
// T_FOR: initialisation, condition, increment; T_FOR_IN: loop variable, none,
// array. A T_REGEX node holds its source text in `name` and the compiled
// pattern in `pattern`; word5 0 (no case folding).
#pragma once

#include "core/node.h"

extern NODE *begin_block;
extern NODE *action_rules;  // top-level blocks without BEGIN: parsed, never run
extern int error_count;

// 0 when the whole input was accepted; 1 when the parse stacks cannot be had
// (reported already). Every other failure ends the program.
int yyparse();

// Clears the parser's state so another script can be parsed (tests).
void parser_reset();

// The syntax-error report: "%s(%d) : syntax error" with the file and line,
// the line itself, then a caret line under the last token carrying the
// formatted message. Ends the program with status 1.
[[noreturn]] void yyerror(const char *format, ...) __attribute__((format(printf, 1, 2)));

// A tree node stamped with the current line: left, type, right.
NODE *node(NODE *left, int32_t type, NODE *right);
