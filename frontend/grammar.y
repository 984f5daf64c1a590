/* The grammar of the script language: an LALR(1) parser that builds the
 * NODE trees run by the evaluator. Each action builds one node or hands a
 * value on; the helpers live in frontend/parser.cpp.
 *
 * Precedence, loosest first: assignment, ?:, ||, &&, in, (calls), ~ !~,
 * comparisons, concatenation, + -, * / % & | ^, unary ! - +, ++ --, $.
 *
 * Two deliberate quirks:
 *  - << and >> have no precedence of their own: every conflict they take
 *    part in is settled by shifting, so the left operand is the nearest one
 *    and the right operand runs as far as the simple expression goes
 *    (a + b << c + d is a + (b << (c + d))). This is written as the highest
 *    token precedence together with rules of the lowest precedence, which
 *    always shifts and leaves no conflict unexplained.
 *  - A function call or builtin (with or without parentheses) ranks below
 *    the comparisons and matches, so it does not continue a concatenation on
 *    their right side: a < b f(x) is (a < b) f(x), while a < b c is
 *    a < (b c). Every other operand start ranks with concatenation or above.
 *
 * LOWEST marks the rules that must always shift: a variable followed by
 * ++ or -- (post-increment), a simple expression followed by - + or /
 * (subtraction, addition, division rather than a new concatenated operand),
 * `for (NAME in` (the loop form), `(exp)` before ')' (a parenthesised
 * expression, which the `(list) in array` form also accepts), and the if
 * without else before `else`.
 */

%code requires {
#include "frontend/lexer.h"
}

%code {
#include <cstdlib>
#include <cstring>

#include "frontend/keywords.h"
#include "frontend/parser.h"
#include "frontend/parser_internal.h"

/* The parse stacks start with room for 500 entries and grow by half, up to
 * 10000; deeper nesting is reported as a stack overflow. */
#define YYINITDEPTH 500
#define YYMAXDEPTH 10000
#define yyoverflow(message, ss, ss_bytes, vs, vs_bytes, size) grow_parse_stacks(ss, ss_bytes, vs, vs_bytes, size)

namespace {

void *grown_states = nullptr;
void *grown_values = nullptr;

// Count is bison's size type: long on Linux, long long on 64-bit Windows.
template <typename State, typename Value, typename Count>
void grow_parse_stacks(State **ss, Count ss_bytes, Value **vs, Count vs_bytes, Count *size) {
    if (*size >= YYMAXDEPTH) yyerror("yacc stack overflow");
    Count grown = *size + (*size + 1) / 2;
    if (grown > YYMAXDEPTH) grown = YYMAXDEPTH;
    auto *states = static_cast<State *>(std::malloc(grown * sizeof(State)));
    auto *values = static_cast<Value *>(std::malloc(grown * sizeof(Value)));
    if (!states || !values) yyerror("yyparse: memory exhausted");
    std::memcpy(states, *ss, ss_bytes);
    std::memcpy(values, *vs, vs_bytes);
    std::free(grown_states);
    std::free(grown_values);
    *ss = states;
    *vs = values;
    grown_states = states;
    grown_values = values;
    *size = grown;
}

}  // namespace

#define variable_reduced() \
    do {                   \
        if (yychar == YYEMPTY) want_assign = 1; \
    } while (0)
}

%define api.value.type {union TokenValue}

%token <text> FUNC_CALL 257 NAME 258 REGEXP 259
%token ERROR 260
%token <node> YNUMBER 261 YSTRING 262
%token <node_type> RELOP 263 ASSIGNOP 264 MATCHOP 265
%token NEWLINE 266
%token LEX_BEGIN 268 LEX_IF 269 LEX_ELSE 270 LEX_RETURN 271 LEX_DELETE 272
%token LEX_WHILE 273 LEX_DO 274 LEX_FOR 275 LEX_BREAK 276 LEX_CONTINUE 277
%token <node_type> LEX_PRINT 278 LEX_PRINTF 279
%token LEX_NEXT 280 LEX_EXIT 281 LEX_FUNCTION 282
%token <node_type> LEX_OUTPUT 283 LEX_OUTPUTF 284 LEX_DIRECT 285 LEX_DIRECTF 286
%token LEX_IN 289 LEX_AND 290 LEX_OR 291 SHIFT_LEFT 292 SHIFT_RIGHT 293
%token INCREMENT 294 DECREMENT 295
%token <builtin> LEX_BUILTIN 296 LEX_LENGTH 297

%precedence LOWEST
%precedence LEX_ELSE ')'
%precedence ASSIGNOP
%right '?' ':'
%left LEX_OR
%left LEX_AND
%precedence LEX_IN
%precedence FUNC_CALL LEX_BUILTIN LEX_LENGTH
%nonassoc MATCHOP
%nonassoc RELOP '<' '>'
%left CONCAT NAME YNUMBER YSTRING '('
%left '+' '-'
%left '*' '/' '%' '&' '|' '^'
%precedence '!' UNARY
%precedence INCREMENT DECREMENT
%precedence '$'
%precedence SHIFT_LEFT SHIFT_RIGHT

%type <node> rule_list rule action function_prologue function_body
%type <node> statements statement statement_term if_statement
%type <node> opt_param_list param_list opt_exp exp rexp simp_exp variable regexp
%type <node> opt_rexpression_list rexpression_list opt_expression_list expression_list
%type <node_type> print output direct assign_op
%type <text> func_name

/* The only conflicts: a run of newlines after a top-level item may end the
 * item (its trailing opt_nls) or the program (the final opt_nls). Shifting
 * keeps them in the item; newlines carry no value, so either is the same. */
%expect 4

%%

program
    : opt_nls rule_list opt_nls     { action_rules = $2; }
    ;

rule_list
    : rule                          { $$ = $1; }
    | rule_list rule                { $$ = !$2 ? $1 : $1 ? append_sequence($1, $2, T_RULE_LIST) : $2; }
    ;

rule
    : LEX_BEGIN                     { next_allowed = 0; }
      action                        { next_allowed = 1; add_begin_block($3); $$ = nullptr; }
    | LEX_BEGIN statement_term      { begin_without_action(); $$ = nullptr; }
    | action                        { $$ = node(nullptr, T_RULE, $1); }
    | function_prologue function_body
                                    { define_function($1, $2); $$ = nullptr; }
    ;

func_name
    : NAME
    | FUNC_CALL
    ;

function_prologue
    : LEX_FUNCTION                  { param_counter = 0; }
      func_name '(' opt_param_list r_paren opt_nls
                                    { $$ = function_head($3, $5); can_return = 1; }
    ;

function_body
    : l_brace statements r_brace    { $$ = $2; can_return = 0; }
    | l_brace r_brace               { $$ = nullptr; can_return = 0; }
    ;

action
    : l_brace r_brace opt_semi      { $$ = node(nullptr, 0, nullptr); }
    | l_brace statements r_brace opt_semi
                                    { $$ = $2 ? $2 : node(nullptr, 0, nullptr); }
    ;

statements
    : statement                     { $$ = $1; }
    | statements statement          { $$ = append_sequence($1, $2, T_STATEMENT_LIST); }
    ;

statement_term
    : nls                           { $$ = nullptr; }
    | semi opt_nls                  { $$ = nullptr; }
    ;

statement
    : semi opt_nls                  { $$ = nullptr; }
    | l_brace r_brace               { $$ = nullptr; }
    | l_brace statements r_brace    { $$ = $2; }
    | if_statement
    | LEX_WHILE '(' exp r_paren opt_nls statement
                                    { $$ = node($3, T_WHILE, $6); }
    | LEX_DO opt_nls statement LEX_WHILE '(' exp r_paren opt_nls
                                    { $$ = node($6, T_DO, $3); }
    | LEX_FOR '(' NAME LEX_IN NAME r_paren opt_nls statement
                                    { $$ = node($8, T_FOR_IN, make_for_loop(name_variable($3), nullptr,
                                                                             name_variable($5))); }
    | LEX_FOR '(' opt_exp semi exp semi opt_exp r_paren opt_nls statement
                                    { $$ = node($10, T_FOR, make_for_loop($3, $5, $7)); }
    | LEX_FOR '(' opt_exp semi semi opt_exp r_paren opt_nls statement
                                    { $$ = node($9, T_FOR, make_for_loop($3, nullptr, $6)); }
    | LEX_BREAK statement_term      { $$ = node(nullptr, T_BREAK, nullptr); }
    | LEX_CONTINUE statement_term   { $$ = node(nullptr, T_CONTINUE, nullptr); }
    | print '(' expression_list r_paren statement_term
                                    { $$ = node($3, $1, nullptr); }
    | print opt_rexpression_list statement_term
                                    { $$ = node($2, $1, nullptr); }
    | output '(' expression_list r_paren statement_term
                                    { $$ = node($3, $1, nullptr); }
    | output opt_rexpression_list statement_term
                                    { $$ = node($2, $1, nullptr); }
    | direct '(' expression_list r_paren statement_term
                                    { $$ = node($3, $1, nullptr); }
    | direct opt_rexpression_list statement_term
                                    { $$ = node($2, $1, nullptr); }
    | LEX_NEXT                      { if (!next_allowed) yyerror("next used in BEGIN or END action"); }
      statement_term                { $$ = node(nullptr, T_NEXT, nullptr); }
    | LEX_EXIT opt_exp statement_term
                                    { $$ = node($2, T_EXIT, nullptr); }
    | LEX_RETURN                    { if (!can_return) yyerror("return used outside function context"); }
      opt_exp statement_term        { $$ = node($3, T_RETURN, nullptr); }
    | LEX_DELETE NAME '[' expression_list ']' statement_term
                                    { $$ = node(name_variable($2), T_DELETE, $4); }
    | exp statement_term            { $$ = $1; }
    ;

print
    : LEX_PRINT
    | LEX_PRINTF
    ;

output
    : LEX_OUTPUT
    | LEX_OUTPUTF
    ;

direct
    : LEX_DIRECT
    | LEX_DIRECTF
    ;

if_statement
    : LEX_IF '(' exp r_paren opt_nls statement %prec LOWEST
                                    { $$ = node($3, T_IF, node($6, T_IF_BRANCHES, nullptr)); }
    | LEX_IF '(' exp r_paren opt_nls statement LEX_ELSE opt_nls statement
                                    { $$ = node($3, T_IF, node($6, T_IF_BRANCHES, $9)); }
    ;

nls
    : NEWLINE
    | nls NEWLINE
    ;

opt_nls
    : %empty
    | nls
    ;

opt_param_list
    : %empty                        { $$ = nullptr; }
    | param_list
    ;

param_list
    : NAME                          { $$ = make_param($1); }
    | param_list comma NAME         { $$ = append_param($1, make_param($3)); }
    ;

opt_exp
    : %empty                        { $$ = nullptr; }
    | exp
    ;

opt_rexpression_list
    : %empty                        { $$ = nullptr; }
    | rexpression_list
    ;

rexpression_list
    : rexp                          { $$ = append_list(nullptr, $1); }
    | rexpression_list comma rexp   { $$ = append_list($1, $3); }
    ;

opt_expression_list
    : %empty                        { $$ = nullptr; }
    | expression_list
    ;

expression_list
    : exp %prec LOWEST              { $$ = append_list(nullptr, $1); }
    | expression_list comma exp     { $$ = append_list($1, $3); }
    ;

/* want_assign is dropped as soon as these operators are taken, so that a
 * '/' right after them starts a regular expression. */
assign_op
    : ASSIGNOP                      { want_assign = 0; $$ = $1; }
    ;

and_op
    : LEX_AND                       { want_assign = 0; }
    ;

or_op
    : LEX_OR                        { want_assign = 0; }
    ;

exp
    : variable assign_op exp %prec ASSIGNOP
                                    { $$ = node($1, $2, $3); }
    | '(' expression_list r_paren LEX_IN NAME
                                    { $$ = node(name_variable($5), T_IN_ARRAY, $2); }
    | exp and_op exp %prec LEX_AND  { $$ = node($1, T_AND, $3); }
    | exp or_op exp %prec LEX_OR    { $$ = node($1, T_OR, $3); }
    | exp MATCHOP exp               { $$ = node($1, $2, $3); }
    | regexp
    | '!' regexp %prec UNARY        { $$ = node(nullptr, T_NO_MATCH, $2); }
    | exp LEX_IN NAME               { $$ = node(name_variable($3), T_IN_ARRAY, $1); }
    | exp RELOP exp                 { $$ = node($1, $2, $3); }
    | exp '<' exp                   { $$ = node($1, T_LESS, $3); }
    | exp '>' exp                   { $$ = node($1, T_GREATER, $3); }
    | exp '?' exp ':' exp           { $$ = node($1, T_COND_EXP, node($3, T_IF_BRANCHES, $5)); }
    | simp_exp %prec LOWEST
    | exp exp %prec CONCAT          { $$ = node($1, T_CONCAT, $2); }
    ;

/* The expressions of an unparenthesised print, output or direct list: no
 * '<', no '>', no (list) in array. */
rexp
    : variable assign_op rexp %prec ASSIGNOP
                                    { $$ = node($1, $2, $3); }
    | rexp and_op rexp %prec LEX_AND
                                    { $$ = node($1, T_AND, $3); }
    | rexp or_op rexp %prec LEX_OR  { $$ = node($1, T_OR, $3); }
    | rexp MATCHOP rexp             { $$ = node($1, $2, $3); }
    | regexp
    | '!' regexp %prec UNARY        { $$ = node(nullptr, T_NO_MATCH, $2); }
    | rexp LEX_IN NAME              { $$ = node(name_variable($3), T_IN_ARRAY, $1); }
    | rexp RELOP rexp               { $$ = node($1, $2, $3); }
    | rexp '?' rexp ':' rexp        { $$ = node($1, T_COND_EXP, node($3, T_IF_BRANCHES, $5)); }
    | simp_exp %prec LOWEST
    | rexp rexp %prec CONCAT        { $$ = node($1, T_CONCAT, $2); }
    ;

simp_exp
    : '!' simp_exp %prec UNARY      { $$ = node($2, T_NOT, nullptr); }
    | '(' exp r_paren               { $$ = $2; }
    | LEX_BUILTIN '(' opt_expression_list r_paren
                                    { $$ = builtin_call($1, $3); }
    | LEX_LENGTH '(' opt_expression_list r_paren
                                    { $$ = builtin_call($1, $3); }
    | LEX_LENGTH                    { $$ = builtin_call($1, nullptr); }
    | FUNC_CALL '(' opt_expression_list r_paren
                                    { $$ = function_call($1, $3); }
    | INCREMENT variable            { $$ = node($2, T_PRE_INCREMENT, nullptr); }
    | DECREMENT variable            { $$ = node($2, T_PRE_DECREMENT, nullptr); }
    | variable INCREMENT            { $$ = node($1, T_POST_INCREMENT, nullptr); }
    | variable DECREMENT            { $$ = node($1, T_POST_DECREMENT, nullptr); }
    | variable %prec LOWEST
    | YNUMBER
    | YSTRING
    | simp_exp '&' simp_exp         { $$ = node($1, T_BIT_AND, $3); }
    | simp_exp '|' simp_exp         { $$ = node($1, T_BIT_OR, $3); }
    | simp_exp '^' simp_exp         { $$ = node($1, T_BIT_XOR, $3); }
    | simp_exp SHIFT_LEFT simp_exp %prec LOWEST
                                    { $$ = node($1, T_SHIFT_LEFT, $3); }
    | simp_exp SHIFT_RIGHT simp_exp %prec LOWEST
                                    { $$ = node($1, T_SHIFT_RIGHT, $3); }
    | simp_exp '*' simp_exp         { $$ = node($1, T_MULTIPLY, $3); }
    | simp_exp '/' simp_exp         { $$ = node($1, T_DIVIDE, $3); }
    | simp_exp '%' simp_exp         { $$ = node($1, T_MODULO, $3); }
    | simp_exp '+' simp_exp         { $$ = node($1, T_ADD, $3); }
    | simp_exp '-' simp_exp         { $$ = node($1, T_SUBTRACT, $3); }
    | '-' simp_exp %prec UNARY      { $$ = node($2, T_NEGATE, nullptr); }
    | '+' simp_exp %prec UNARY      { $$ = $2; }
    ;

/* After a variable, "/=" is the divide-assign operator. The lexer marks
 * this itself after a NAME; after `]` the parser does it, but only while the
 * token after the variable is still unread: when a lookahead has been read
 * already (a ~ after $x), the mark would fall on the wrong token. */
variable
    : NAME %prec LOWEST             { $$ = name_variable($1); }
    | NAME '[' expression_list ']'  { $$ = node(name_variable($1), T_SUBSCRIPT, $3); variable_reduced(); }
    | '$' simp_exp                  { $$ = node($2, T_FIELD, nullptr); variable_reduced(); }
    ;

regexp
    : '/'                           { want_regexp = 1; }
      REGEXP '/'                    { $$ = regexp_node($3); }
    ;

l_brace: '{' opt_nls ;
r_brace: '}' opt_nls ;
r_paren: ')' ;
opt_semi: %empty | semi ;
semi: ';' ;
comma: ',' opt_nls ;

%%

static_assert(FUNC_CALL == token_code(Token::FUNC_CALL) && NAME == token_code(Token::NAME) &&
              REGEXP == token_code(Token::REGEXP) && ERROR == token_code(Token::ERROR) &&
              YNUMBER == token_code(Token::YNUMBER) && YSTRING == token_code(Token::YSTRING) &&
              RELOP == token_code(Token::RELOP) && ASSIGNOP == token_code(Token::ASSIGNOP) &&
              MATCHOP == token_code(Token::MATCHOP) && NEWLINE == token_code(Token::NEWLINE));
static_assert(LEX_BEGIN == token_code(Token::LEX_BEGIN) && LEX_IF == token_code(Token::LEX_IF) &&
              LEX_ELSE == token_code(Token::LEX_ELSE) && LEX_RETURN == token_code(Token::LEX_RETURN) &&
              LEX_DELETE == token_code(Token::LEX_DELETE) && LEX_WHILE == token_code(Token::LEX_WHILE) &&
              LEX_DO == token_code(Token::LEX_DO) && LEX_FOR == token_code(Token::LEX_FOR) &&
              LEX_BREAK == token_code(Token::LEX_BREAK) && LEX_CONTINUE == token_code(Token::LEX_CONTINUE));
static_assert(LEX_PRINT == token_code(Token::LEX_PRINT) && LEX_PRINTF == token_code(Token::LEX_PRINTF) &&
              LEX_NEXT == token_code(Token::LEX_NEXT) && LEX_EXIT == token_code(Token::LEX_EXIT) &&
              LEX_FUNCTION == token_code(Token::LEX_FUNCTION) && LEX_OUTPUT == token_code(Token::LEX_OUTPUT) &&
              LEX_OUTPUTF == token_code(Token::LEX_OUTPUTF) && LEX_DIRECT == token_code(Token::LEX_DIRECT) &&
              LEX_DIRECTF == token_code(Token::LEX_DIRECTF) && LEX_IN == token_code(Token::LEX_IN));
static_assert(LEX_AND == token_code(Token::LEX_AND) && LEX_OR == token_code(Token::LEX_OR) &&
              SHIFT_LEFT == token_code(Token::SHIFT_LEFT) && SHIFT_RIGHT == token_code(Token::SHIFT_RIGHT) &&
              INCREMENT == token_code(Token::INCREMENT) && DECREMENT == token_code(Token::DECREMENT) &&
              LEX_BUILTIN == token_code(Token::LEX_BUILTIN) && LEX_LENGTH == token_code(Token::LEX_LENGTH));
