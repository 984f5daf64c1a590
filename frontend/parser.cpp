// Tree building and parser state behind the grammar's actions, and the
// syntax-error report.
#include "frontend/parser.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>

#include "base/diag.h"
#include "core/regex.h"
#include "frontend/lexer.h"
#include "frontend/parser_internal.h"

NODE *begin_block = nullptr;
NODE *action_rules = nullptr;
int error_count = 0;
int can_return = 0;
int next_allowed = 1;
int param_counter = 0;

namespace {

// The last link of every list being built, so that appending never walks a
// list: statement and expression lists interleave, and remembering only the
// last list appended to made long scripts quadratic.
std::unordered_map<NODE *, NODE *> list_tails;

void (*syntax_error_hook)() = nullptr;

NODE *start_chain(NODE *item, int32_t list_type) {
    NODE *list = node(item, list_type, nullptr);
    list_tails[list] = list;
    return list;
}

NODE *append_to_chain(NODE *list, NODE *item) {
    auto known = list_tails.find(list);
    NODE *tail = known != list_tails.end() ? known->second : list;
    while (tail->right) tail = tail->right;
    tail->right = node(item, list->type, nullptr);
    list_tails[list] = tail->right;
    return list;
}

// The source of a /.../ literal compiled once, at parse time.
pattern_buffer *compile_regexp_literal(const char *source) { return make_regexp_constant(source, 0); }

}  // namespace

void parser_reset() {
    begin_block = action_rules = nullptr;
    error_count = can_return = param_counter = 0;
    next_allowed = 1;
    list_tails.clear();
}

NODE *node(NODE *left, int32_t type, NODE *right) {
    NODE *n = newnode(type);
    n->left = left;
    n->right = right;
    n->value = nullptr;
    n->str_refs = 0;
    n->line = line_number;
    n->word5 = 0;
    return n;
}

NODE *append_sequence(NODE *first, NODE *item, int32_t list_type) {
    NODE *list = first && first->type == list_type ? first : start_chain(first, list_type);
    return append_to_chain(list, item);
}

NODE *append_list(NODE *list, NODE *item) {
    return list ? append_to_chain(list, item) : start_chain(item, T_EXPRESSION_LIST);
}

void add_begin_block(NODE *action) {
    NODE *rule = node(nullptr, T_RULE, action);
    begin_block = begin_block ? append_sequence(begin_block, rule, T_RULE_LIST) : rule;
}

void begin_without_action() {
    message("error near line %d: BEGIN blocks must have an action part", line_number);
    error_count++;
}

NODE *make_for_loop(NODE *init, NODE *cond, NODE *incr) {
    auto **slots = static_cast<NODE **>(std::malloc(3 * sizeof(NODE *)));
    if (!slots) out_of_memory("make_for_loop");
    slots[0] = init;
    slots[1] = cond;
    slots[2] = incr;
    NODE *header = node(nullptr, 0, nullptr);
    header->table = slots;
    return header;
}

NODE *name_variable(char *name) { return variable(name); }

NODE *builtin_call(BuiltinId id, NODE *args) {
    NODE *n = node(args, T_BUILTIN, nullptr);
    n->word5 = static_cast<int32_t>(id);
    return n;
}

NODE *function_call(char *name, NODE *args) {
    // Made like a string constant (an identifier has no escapes): its text
    // stays on the heap and word 4 is free to cache the function it names.
    NODE *fname = make_str_node(name, std::strlen(name), 1);
    return node(args, T_FUNC_CALL, fname);
}

NODE *regexp_node(char *source) {
    NODE *n = node(nullptr, T_REGEX, nullptr);
    n->name = source;
    n->pattern = compile_regexp_literal(source);
    n->word5 = 0;
    return n;
}

// ---- function definitions -------------------------------------------------------

NODE *make_param(char *name) {
    NODE *p = newnode(T_PARAMETER);
    p->name = name;
    p->right = nullptr;
    p->value = nullptr;
    p->slot = param_counter++;
    p->word5 = 0;
    install(global_table, name, p);
    return p;
}

NODE *append_param(NODE *chain, NODE *param) {
    NODE *tail = chain;
    while (tail->right) tail = tail->right;
    tail->right = param;
    return chain;
}

// The function's own name heads the chain; its slot is the parameter count.
NODE *function_head(char *name, NODE *params) {
    NODE *head = make_param(name);
    head->right = params;
    return head;
}

void define_function(NODE *head, NODE *body) {
    // The parameter nodes stay in the body's tree and keep their names;
    // only the symbol entries go.
    for (NODE *p = head->right; p; p = p->right) remove(p->name, 0);
    remove(head->name, 0);
    if (lookup(global_table, head->name)) fatal("function name `%s' previously defined", head->name);
    install(global_table, head->name, node(head, T_FUNC_NAME, body));
}

// ---- error report -------------------------------------------------------------------

void set_syntax_error_hook(void (*hook)()) { syntax_error_hook = hook; }

void yyerror(const char *format, ...) {
    error_count++;
    char text[512];
    va_list ap;
    va_start(ap, format);
    std::vsnprintf(text, sizeof text, format, ap);
    va_end(ap);

    LexerPosition at = lexer_position();
    std::string_view line = at.at_end ? std::string_view("(END OF FILE)") : at.line;
    std::fflush(stdout);
    message("%s(%d) : syntax error\n%.*s", input_file_name.c_str(), line_number, static_cast<int>(line.size()),
            line.data());
    std::string caret;
    for (size_t i = 0; !at.at_end && i < at.token_start && i < at.line.size(); i++) {
        caret += at.line[i] == '\t' ? '\t' : ' ';
    }
    caret += "^ ";
    caret += text;
    caret += '\n';
    std::fputs(caret.c_str(), stderr);
    std::fflush(stderr);
    if (syntax_error_hook) syntax_error_hook();
    std::exit(1);
}
