// S-expression rendering of syntax trees.
#include "frontend/tree_dump.h"

#include <cstdio>

#include "base/diag.h"
#include "frontend/keywords.h"
#include "platform/sched.h"

namespace {

// Stack kept free below the deepest node shown.
constexpr size_t kDumpStackReserve = 256 * 1024;

struct TypeName {
    int32_t type;
    const char *name;
};

constexpr TypeName type_names[] = {
    {0, "EMPTY"},
    {T_MULTIPLY, "MULTIPLY"}, {T_DIVIDE, "DIVIDE"}, {T_MODULO, "MODULO"}, {T_ADD, "ADD"},
    {T_SUBTRACT, "SUBTRACT"}, {T_SUBSCRIPT, "SUBSCRIPT"}, {T_CONCAT, "CONCAT"}, {T_BIT_AND, "BIT_AND"},
    {T_BIT_OR, "BIT_OR"}, {T_BIT_XOR, "BIT_XOR"}, {T_SHIFT_LEFT, "SHIFT_LEFT"}, {T_SHIFT_RIGHT, "SHIFT_RIGHT"},
    {T_PRE_INCREMENT, "PRE_INCREMENT"}, {T_PRE_DECREMENT, "PRE_DECREMENT"},
    {T_POST_INCREMENT, "POST_INCREMENT"}, {T_POST_DECREMENT, "POST_DECREMENT"}, {T_NEGATE, "NEGATE"},
    {T_FIELD, "FIELD"}, {T_ASSIGN, "ASSIGN"}, {T_ASSIGN_MULTIPLY, "ASSIGN_MULTIPLY"},
    {T_ASSIGN_DIVIDE, "ASSIGN_DIVIDE"}, {T_ASSIGN_MODULO, "ASSIGN_MODULO"}, {T_ASSIGN_ADD, "ASSIGN_ADD"},
    {T_ASSIGN_SUBTRACT, "ASSIGN_SUBTRACT"}, {T_ASSIGN_BIT_AND, "ASSIGN_BIT_AND"},
    {T_ASSIGN_BIT_OR, "ASSIGN_BIT_OR"}, {T_ASSIGN_BIT_XOR, "ASSIGN_BIT_XOR"},
    {T_ASSIGN_SHIFT_LEFT, "ASSIGN_SHIFT_LEFT"}, {T_ASSIGN_SHIFT_RIGHT, "ASSIGN_SHIFT_RIGHT"},
    {T_AND, "AND"}, {T_OR, "OR"}, {T_EQUAL, "EQUAL"}, {T_NOT_EQUAL, "NOT_EQUAL"}, {T_LESS, "LESS"},
    {T_GREATER, "GREATER"}, {T_LESS_EQUAL, "LESS_EQUAL"}, {T_GREATER_EQUAL, "GREATER_EQUAL"},
    {T_MATCH, "MATCH"}, {T_NO_MATCH, "NO_MATCH"}, {T_NOT, "NOT"}, {T_RULE_LIST, "RULE_LIST"},
    {T_RULE, "RULE"}, {T_STATEMENT_LIST, "STATEMENT_LIST"}, {T_IF_BRANCHES, "IF_BRANCHES"},
    {T_EXPRESSION_LIST, "EXPRESSION_LIST"}, {T_PARAMETER, "PARAMETER"}, {T_IF, "IF"}, {T_WHILE, "WHILE"},
    {T_FOR, "FOR"}, {T_FOR_IN, "FOR_IN"}, {T_BREAK, "BREAK"}, {T_CONTINUE, "CONTINUE"}, {T_PRINT, "PRINT"},
    {T_PRINTF, "PRINTF"}, {T_OUTPUT, "OUTPUT"}, {T_OUTPUTF, "OUTPUTF"}, {T_DIRECT, "DIRECT"},
    {T_DIRECTF, "DIRECTF"}, {T_NEXT, "NEXT"}, {T_EXIT, "EXIT"}, {T_DO, "DO"}, {T_RETURN, "RETURN"},
    {T_DELETE, "DELETE"}, {T_FUNCTION, "FUNCTION"}, {T_VAR, "VAR"}, {T_ARRAY, "ARRAY"}, {T_VALUE, "VALUE"},
    {T_BUILTIN, "BUILTIN"}, {T_IN_ARRAY, "IN_ARRAY"}, {T_FUNC_NAME, "FUNC_NAME"},
    {T_FUNC_CALL, "FUNC_CALL"}, {T_COND_EXP, "COND_EXP"}, {T_REGEX, "REGEX"}, {T_SYMBOL, "SYMBOL"},
    {T_ARRAY_ELEMENT, "ARRAY_ELEMENT"},
};

// The symbol-table name under which `var` is installed.
const char *symbol_name(const NODE *var) {
    for (NODE *bucket : global_table) {
        for (NODE *sym = bucket; sym; sym = sym->left) {
            if (sym->installed == var) return sym->string;
        }
    }
    return "?";
}

// The first script name of the builtin.
const char *script_name(BuiltinId id) {
    for (const Keyword &k : keyword_table()) {
        if (k.token == Token::LEX_BUILTIN || k.token == Token::LEX_LENGTH)
            if (k.builtin == id) return k.name.data();
    }
    return "?";
}

void dump_string(std::string &out, const char *text, int32_t length) {
    out += '"';
    for (int32_t i = 0; i < length; i++) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    out += '"';
}

void dump(std::string &out, const NODE *n);

// The elements of a list chain (or one element) after a leading blank each.
void dump_elements(std::string &out, const NODE *list) {
    int32_t type = list ? list->type : 0;
    for (const NODE *l = list; l; l = l->right && l->right->type == type ? l->right : nullptr) {
        out += ' ';
        dump(out, l->left);
        if (l->right && l->right->type != type) {
            out += " . ";
            dump(out, l->right);
        }
    }
}

void dump_parameter(std::string &out, const NODE *p) {
    out += p->name ? p->name : "?";
    out += '#';
    out += std::to_string(p->slot);
}

void dump_value(std::string &out, const NODE *n) {
    if (n->flags & NODE_NUM_VALID) {
        out += std::to_string(n->number);
    } else if (n->flags & NODE_STR_VALID) {
        dump_string(out, n->string, n->length);
    } else {
        out += "?value";
    }
}

void dump_node(std::string &out, const NODE *n) {
    out += '(';
    out += node_type_name(n->type);
    switch (n->type) {
        case T_STATEMENT_LIST: case T_EXPRESSION_LIST: case T_RULE_LIST:
            dump_elements(out, n);
            break;
        case T_BUILTIN:
            out += ' ';
            out += script_name(static_cast<BuiltinId>(n->word5));
            if (n->left) dump_elements(out, n->left);
            break;
        case T_FUNC_CALL:
            out += ' ';
            out += n->right && (n->right->flags & NODE_STR_VALID) ? n->right->string : "?";
            if (n->left) dump_elements(out, n->left);
            break;
        case T_FOR: case T_FOR_IN:
            for (int i = 0; i < 3; i++) {
                if (n->type == T_FOR_IN && i == 1) continue;
                out += ' ';
                dump(out, n->right && n->right->table ? n->right->table[i] : nullptr);
            }
            out += ' ';
            dump(out, n->left);
            break;
        case T_FUNC_NAME:
            out += " (";
            for (const NODE *p = n->left; p; p = p->right) {
                if (p != n->left) out += ' ';
                dump_parameter(out, p);
            }
            out += ") ";
            dump(out, n->right);
            break;
        default:
            if (n->left || n->right) {
                out += ' ';
                dump(out, n->left);
            }
            if (n->right) {
                out += ' ';
                dump(out, n->right);
            }
    }
    out += ')';
}

void dump(std::string &out, const NODE *n) {
    if (stack_headroom() < kDumpStackReserve) fatal("tree nested too deeply to show");
    if (!n) {
        out += '-';
    } else if (n->type == T_VALUE) {
        dump_value(out, n);
    } else if (n->type == T_VAR || n->type == T_ARRAY) {
        out += symbol_name(n);
    } else if (n->type == T_PARAMETER) {
        dump_parameter(out, n);
    } else if (n->type == T_REGEX) {
        out += '/';
        out += n->name ? n->name : "";
        out += '/';
    } else {
        dump_node(out, n);
    }
}

}  // namespace

const char *node_type_name(int32_t type) {
    for (const TypeName &t : type_names) {
        if (t.type == type) return t.name;
    }
    return "?";
}

std::string tree_dump(const NODE *tree) {
    std::string out;
    dump(out, tree);
    return out;
}
