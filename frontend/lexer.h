// The lexer: turns the preprocessed script into tokens for the grammar.
//
// It reads its input one line at a time into a growing line buffer, keeps
// `line_number` and `input_file_name` in step with the preprocessor's line
// markers, and makes value nodes (NODE_PERM) for number, character and string
// literals and for the named control codes. Token codes are those of
// frontend/keywords.h; single characters are their own codes.
//
// Every lexical error goes through yyerror (frontend/parser.h), which reports
// the file, line and caret and ends the program with status 1.
//
// One script is lexed at a time; lexer_open resets all state.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "core/builtins.h"
#include "core/node.h"

// The value carried by a token (yylval).
union TokenValue {
    int32_t node_type;  // operators and statement keywords
    NODE *node;         // literals and named constants
    char *text;         // NAME, FUNC_CALL, REGEXP (owned by the lexer, kept for the run)
    BuiltinId builtin;  // LEX_BUILTIN, LEX_LENGTH
};

extern TokenValue yylval;  // defined by the generated parser

extern int line_number;
extern std::string input_file_name;

// Set by the grammar right after the '/' that opens a regular expression.
extern int want_regexp;
// Set when a NAME is returned or a variable was just reduced: "/=" is then
// the divide-assign operator rather than the start of a regular expression.
extern int want_assign;

// Starts lexing `input` (not owned, read to its end) at line 1; `name` is
// shown in error reports until a line marker replaces it.
void lexer_open(FILE *input, const char *name);

int yylex();

// What the error report shows: the buffered line (its newline removed), the
// offset where the last token started, and whether the input has ended.
struct LexerPosition {
    std::string_view line;
    size_t token_start;
    bool at_end;
};
LexerPosition lexer_position();
