// State shared by the evaluator's files (eval.cpp, func_call.cpp) and the field
// splitter; nothing outside core/ includes this.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/eval.h"

// How a statement ended. Next and Exit travel up to the rule list; Break and
// Continue to the innermost loop; Return to the running function call.
enum class Flow : uint8_t { Normal, Next, Exit, Break, Continue, Return };


Flow exec_statement(NODE *tree);
// Evaluates an expression statement, whose value nobody reads.
void eval_for_effect(NODE *tree);

// The pending unwinding as a statement result (Next or Exit).
inline Flow pending_flow() { return static_cast<Flow>(interp.eval_unwind); }

[[noreturn]] void bad_frame_slot();
// The T_VAR of a parameter in the running frame.
inline NODE *frame_var(NODE *param) {
    size_t i = interp.frame_base + static_cast<size_t>(param->slot);
    if (interp.frame_base == SIZE_MAX || i >= interp.frames_top) bad_frame_slot();
    return interp.frames[i];
}

// A value operand is used directly, an absent one is null_string.
inline NODE *eval_operand(NODE *tree, int char_mode) {
    if (!tree) return null_string;
    if (tree->type == T_VALUE) return tree;
    // Plain variable reads are the commonest operand; NF may need a split first.
    if (tree->type == T_VAR && tree != interp.nf_var) return tree->left;
    if (tree->type == T_PARAMETER) return frame_var(tree)->left;
    return tree_eval(tree, char_mode);
}

// The value of a constant, a plain variable or a parameter, read without
// evaluation; null for any other tree.
inline NODE *leaf_value(NODE *tree) {
    if (!tree) return nullptr;
    if (tree->type == T_VALUE) return tree;
    if (tree->type == T_VAR && tree != interp.nf_var) return tree->left;
    if (tree->type == T_PARAMETER) return frame_var(tree)->left;
    return nullptr;
}

// Releases an evaluated value if it is a temporary (other results belong to
// a variable, a field or a constant).
inline void free_temp(NODE *v) {
    if (v->flags & NODE_TEMP) unref(v);
}

inline int32_t number_of(NODE *v) { return (v->flags & NODE_NUM_VALID) ? v->number : force_number(v); }

inline NODE *string_of(NODE *v) { return (v->flags & NODE_STR_VALID) ? v : force_string(v); }

inline NODE *resolve_param(NODE *n) { return n && n->type == T_PARAMETER ? frame_var(n) : n; }

// The variable an element reference, `in`, `delete` or `for in` works on; a
// function name there is fatal (as any use of a function as a value).
NODE *resolve_array(NODE *n);
[[noreturn]] void function_as_value(NODE *fn);

// IGNORECASE is set (its number is not 0).
int ignorecase_on();

constexpr bool is_arithmetic(int32_t type) {
    return (type >= T_MULTIPLY && type <= T_SUBTRACT) || (type >= T_BIT_AND && type <= T_SHIFT_RIGHT);
}

NODE *kept_number(NODE *arithmetic_tree);

// The value of an expression as a node the caller keeps (and releases with
// unref); a computed number is made so, with no temporary to take over.
// null_string when the evaluation began unwinding.
inline NODE *eval_kept(NODE *tree) {
    if (tree && is_arithmetic(tree->type)) return kept_number(tree);
    NODE *v = eval_operand(tree, 0);
    if (!interp.eval_unwind) return dupnode(v);
    free_temp(v);
    return null_string;
}

// Keeps `v` alive across the evaluation of `next_tree`: a value owned by a
// variable is copied (as a temporary) when that evaluation might replace it.
NODE *protect(NODE *v, NODE *next_tree);
