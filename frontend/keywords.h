// Token codes and the keyword table of the script language.
//
// Token codes are fixed numbers: the grammar declares its terminals with the
// same numbers (checked there), and the keyword table's token column uses
// them. Single characters are their own codes (below 256).
//
// The keyword table maps every reserved word to what the lexer returns:
//  - Token::YNUMBER: a named control-code constant, `value` is its number;
//  - Token::LEX_BUILTIN / LEX_LENGTH: a builtin, `builtin` is its id;
//  - any other token: a keyword, `node_type` is the token's value.
// Lookup is an exact, case-sensitive match of the whole word.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "core/builtins.h"

enum class Token : int32_t {
    END_OF_INPUT = 0,
    FUNC_CALL = 257,  // name directly followed by '('
    NAME = 258,
    REGEXP = 259,
    ERROR = 260,  // never accepted by the grammar
    YNUMBER = 261,
    YSTRING = 262,
    RELOP = 263,
    ASSIGNOP = 264,
    MATCHOP = 265,
    NEWLINE = 266,
    LEX_BEGIN = 268,
    LEX_IF = 269,
    LEX_ELSE = 270,
    LEX_RETURN = 271,
    LEX_DELETE = 272,
    LEX_WHILE = 273,
    LEX_DO = 274,
    LEX_FOR = 275,
    LEX_BREAK = 276,
    LEX_CONTINUE = 277,
    LEX_PRINT = 278,
    LEX_PRINTF = 279,
    LEX_NEXT = 280,
    LEX_EXIT = 281,
    LEX_FUNCTION = 282,
    LEX_OUTPUT = 283,
    LEX_OUTPUTF = 284,
    LEX_DIRECT = 285,
    LEX_DIRECTF = 286,
    LEX_IN = 289,
    LEX_AND = 290,
    LEX_OR = 291,
    SHIFT_LEFT = 292,
    SHIFT_RIGHT = 293,
    INCREMENT = 294,
    DECREMENT = 295,
    LEX_BUILTIN = 296,
    LEX_LENGTH = 297,  // builtin that may be called without parentheses
};

constexpr int32_t token_code(Token t) { return static_cast<int32_t>(t); }

struct Keyword {
    std::string_view name;
    int32_t node_type;  // keywords: the token's value; 0 when none
    Token token;
    int32_t value;      // named constants: their number
    BuiltinId builtin;  // builtins only
};

constexpr int KEYWORD_COUNT = 182;

// The whole table, in ascending byte order of the name.
std::span<const Keyword> keyword_table();

// The entry named exactly `word`, or null.
const Keyword *find_keyword(std::string_view word);
