// User function calls: parameter frames, arrays by reference, locals.
//
// Frames live on one growable stack of T_VAR pointers; a call's frame is the
// range from its base to the top. Arguments are evaluated in the caller's
// frame and pushed one by one, so calls made while evaluating them stack above
// and are gone again before the next argument is pushed.
#include <cstdint>
#include <cstdlib>

#include "base/diag.h"
#include "core/eval_internal.h"
#include "platform/sched.h"

namespace {

// Stack kept free below the deepest call; deeper recursion stops with a message
// instead of overflowing.
constexpr size_t kStackReserve = 256 * 1024;

// Slots past the top keep their T_VAR nodes (null until first used at that
// depth), so a call takes no node from the pool and gives none back.
[[gnu::noinline]] void grow_frames(size_t need) {
    size_t cap = interp.frames_cap ? interp.frames_cap : 64;
    while (cap < need) cap *= 2;
    auto *grown = static_cast<NODE **>(std::realloc(interp.frames, cap * sizeof(NODE *)));
    if (!grown) out_of_memory("func_call");
    for (size_t i = interp.frames_cap; i < cap; ++i) grown[i] = nullptr;
    interp.frames = grown;
    interp.frames_cap = cap;
}

void reserve_slots(size_t n) {
    if (interp.frames_top + n > interp.frames_cap) grow_frames(interp.frames_top + n);
}

// Word 4 of a frame variable: whether its element table is the caller's.
constexpr int32_t kOwnTable = 0;
constexpr int32_t kSharedTable = 1;

// A number value with no text, held by its variable alone. A slot's variable
// keeps such a value from one call to the next (drop_frame) so that a number
// argument needs no node; any other value is released when the frame ends.
bool kept_number_value(NODE *v) {
    constexpr uint8_t kSeen = NODE_FREEABLE | NODE_TEMP | NODE_PERM | NODE_STR_VALID | NODE_NUM_PENDING;
    return v->type == T_VALUE && (v->flags & kSeen) == NODE_FREEABLE;
}

// The next slot's variable; room was reserved for it. Arguments are worked
// out before their slot is taken, so calls made meanwhile may use it too.
NODE *next_var() {
    NODE *&var = interp.frames[interp.frames_top];
    if (!var) {
        var = newnode(T_VAR);
        var->left = null_string;
    }
    return var;
}

void push_var(int32_t type, NODE *value, NODE **table, int32_t sharing) {
    NODE *var = next_var();
    if (var->left != value) unref(var->left);
    ++interp.frames_top;
    var->type = type;
    var->left = value;
    var->table = table;
    var->count = sharing;
}

// A constant's or variable's plain number copied into the value the slot
// kept (or a new one); false for any other argument.
bool push_number_copy(NODE *arg) {
    NODE *v = leaf_value(arg);
    constexpr uint8_t kSeen = NODE_TEMP | NODE_STR_VALID | NODE_NUM_PENDING | NODE_NUM_VALID;
    if (!v || v->type != T_VALUE || (v->flags & kSeen) != NODE_NUM_VALID) return false;
    NODE *kept = next_var()->left;
    if (!kept_number_value(kept)) {
        kept = newnode(T_VALUE);
        kept->string = nullptr;
        kept->length = 0;
    }
    kept->number = v->number;
    kept->str_refs = 0;
    kept->flags = static_cast<uint8_t>((v->flags & ~NODE_PERM) | NODE_FREEABLE);
    push_var(T_VAR, kept, nullptr, kOwnTable);
    return true;
}

NODE *find_function(NODE *name) {
    if (name->installed) return name->installed;  // bound on the first call
    NODE *fn = lookup(global_table, name->string);
    if (!fn || fn->type != T_FUNC_NAME) fatal("function `%s()' not defined", name->string);
    name->installed = fn;
    return fn;
}

void free_table(NODE *var) {
    assoc_clear(var);
    std::free(var->table);
    var->table = nullptr;
}

// An array built inside the call in a parameter whose argument was a plain
// variable is handed to that variable; any other own table is released.
[[gnu::noinline]] void drop_table(NODE *var, int32_t index, int32_t given, NODE *args) {
    NODE *src = nullptr;
    if (index < given) {
        NODE *a = args;
        for (int32_t k = 0; k < index; ++k) a = a->right;
        src = resolve_param(a->left);
    }
    if (src && src->type == T_VAR && !src->table) {
        src->table = var->table;
        src->type = T_ARRAY;
    } else {
        free_table(var);
    }
    var->table = nullptr;
}

// Releases the frame from `base` up; the first `given` slots had arguments.
void drop_frame(size_t base, int32_t given, NODE *args) {
    for (size_t i = base; i < interp.frames_top; ++i) {
        NODE *var = interp.frames[i];
        if (!kept_number_value(var->left)) {
            unref(var->left);
            var->left = null_string;
        }
        if (var->table && var->count == kOwnTable) drop_table(var, static_cast<int32_t>(i - base), given, args);
    }
    interp.frames_top = base;
}

// Pushes one slot per declared parameter and local; returns how many had
// arguments, or -1 when an argument's evaluation began unwinding.
int32_t push_arguments(NODE *name, int32_t declared, NODE *args) {
    int32_t given = 0;
    NODE *a = args;
    for (; a && given < declared; a = a->right, ++given) {
        NODE *src = resolve_param(a->left);
        if (src && src->type == T_ARRAY) {
            push_var(T_ARRAY, null_string, src->table, kSharedTable);  // by reference
            continue;
        }
        if (push_number_copy(a->left)) continue;
        NODE *v = eval_kept(a->left);
        if (interp.eval_unwind) return -1;
        push_var(T_VAR, v, nullptr, kOwnTable);
    }
    if (a) warning("function `%s()' called with more arguments than declared", name->string);
    for (int32_t i = given; i < declared; ++i) push_var(T_VAR, null_string, nullptr, kOwnTable);
    return given;
}

}  // namespace

void bad_frame_slot() { BAIL_OUT("eval"); }

NODE *func_call(NODE *name, NODE *args) {
    NODE *fn = find_function(name);
    if (interp.eval_unwind) return null_string;
    if (stack_short(kStackReserve)) fatal("function `%s()' nested too deeply", name->string);
    int32_t declared = fn->left ? fn->left->slot : 0;
    size_t base = interp.frames_top;
    reserve_slots(static_cast<size_t>(declared));
    int32_t given = push_arguments(name, declared, args);
    if (given < 0) {
        drop_frame(base, 0, nullptr);
        return null_string;
    }

    int32_t saved_depth = interp.loop_depth;
    size_t saved_base = interp.frame_base;
    NODE *saved_ret = interp.ret_node;
    interp.loop_depth = 0;
    interp.frame_base = base;
    interp.ret_node = null_string;

    Flow f = exec_statement(fn->right);
    if (f == Flow::Next || f == Flow::Exit) interp.eval_unwind = static_cast<int>(f);
    NODE *result = interp.ret_node;

    interp.ret_node = saved_ret;
    interp.frame_base = saved_base;
    drop_frame(base, given, args);
    interp.loop_depth = saved_depth;

    if (interp.eval_unwind) {
        unref(result);
        return null_string;
    }
    if (!(result->flags & NODE_PERM)) result->flags |= NODE_TEMP;
    return result;
}
