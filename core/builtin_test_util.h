// Builds builtin argument lists from constants and reads builtin results, for
// the builtin tests.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "core/node.h"

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
