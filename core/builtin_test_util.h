// Helpers for the core tests: constants and argument lists as the parser
// makes them, results read back, and the record state a run starts with.
#pragma once

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <string_view>

#include "core/fields.h"
#include "core/node.h"

// The string view of a value, as it stands.
inline std::string str_of(const NODE *n) { return std::string(n->string, static_cast<uint32_t>(n->length)); }

// Gives a variable a string value, as -V does.
inline void set_var(const char *name, const char *text) {
    NODE *var = variable(name);
    NODE *old = var->left;
    var->left = make_str_node(text, std::strlen(text), 0);
    unref(old);
}

// The separators the run mode starts with and an empty, unsplit record.
inline void reset_record_state() {
    init_null_string();
    set_var("FS", " ");
    set_var("RS", "\n");
    set_var("OFS", " ");
    set_var("IGNORECASE", "0");
    init_fields();
}

namespace builtin_test {

// A string or number constant, as the lexer makes them.
inline NODE *S(std::string_view s) {
    NODE *n = make_str_node(s.data(), s.size(), 0);
    n->flags |= NODE_PERM;
    return n;
}
inline NODE *N(int32_t v) {
    NODE *n = make_number(v);
    n->flags |= NODE_PERM;
    return n;
}

inline NODE *args(std::initializer_list<NODE *> values) {
    NODE *head = nullptr, **link = &head;
    for (NODE *v : values) {
        NODE *l = newnode(T_EXPRESSION_LIST);
        l->left = v;
        l->right = nullptr;
        *link = l;
        link = &l->right;
    }
    return head;
}

// The result's string view (the result is released).
inline std::string text(NODE *r) {
    if (!(r->flags & NODE_STR_VALID)) force_string(r);
    std::string s(r->string, static_cast<size_t>(r->length));
    if (r->flags & NODE_TEMP) unref(r);
    return s;
}

// The result's number; `numeric` tells whether it was a number result.
inline int32_t number(NODE *r, bool *numeric = nullptr) {
    if (numeric) *numeric = (r->flags & NODE_NUM_VALID) && !(r->flags & NODE_STR_VALID);
    int32_t v = (r->flags & NODE_NUM_VALID) ? r->number : force_number(r);
    if (r->flags & NODE_TEMP) unref(r);
    return v;
}

}  // namespace builtin_test
