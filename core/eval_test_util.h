// Test helpers for the evaluator and the field table.
#pragma once

#include <cstring>

#include "core/fields.h"
#include "core/node.h"

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
