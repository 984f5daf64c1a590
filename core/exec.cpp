// Statement executor: rule lists, statements and loops. Non-local exits are
// plain return values (Flow); nothing jumps over a C++ frame.
#include <cstdint>
#include <cstdlib>

#include "base/diag.h"
#include "base/port_ops.h"
#include "core/eval_internal.h"
#include "core/fields.h"
#include "core/output.h"
#include "platform/break_signals.h"
#include "platform/sched.h"

InterpState::~InterpState() = default;
InterpState interp;

namespace {

// The action of a rule written without one: print the record.
NODE default_print = [] {
    NODE n{};
    n.type = T_PRINT;
    return n;
}();

Flow after_expression() { return interp.eval_unwind ? pending_flow() : Flow::Normal; }

// Runs a loop body; true when the loop goes on. Anything but Normal, Continue
// or Break leaves the loop with that flow in *out.
bool body_continues(NODE *body, Flow *out) {
    Flow f = exec_statement(body);
    if (f == Flow::Normal || f == Flow::Continue) return true;
    *out = f == Flow::Break ? Flow::Normal : f;
    return false;
}

// A loop test; a pending unwinding ends the loop.
bool test(NODE *cond) { return eval_condition(cond) && !interp.eval_unwind; }

Flow leave_loop(Flow f) {
    --interp.loop_depth;
    return interp.eval_unwind ? pending_flow() : f;
}

[[gnu::noinline]] Flow exec_while(NODE *t) {
    ++interp.loop_depth;
    Flow f = Flow::Normal;
    while (test(t->left) && body_continues(t->right, &f)) {
    }
    return leave_loop(f);
}

[[gnu::noinline]] Flow exec_do(NODE *t) {
    ++interp.loop_depth;
    Flow f = Flow::Normal;
    while (body_continues(t->right, &f) && test(t->left)) {
    }
    return leave_loop(f);
}

// The loop header: a type-0 node whose table holds three slots (initialisation,
// condition, increment; or loop variable, none, array).
NODE *const *for_slots(NODE *t) { return t->right->table; }

[[gnu::noinline]] Flow exec_for(NODE *t) {
    NODE *const *slots = for_slots(t);
    Flow f = exec_statement(slots[0]);
    if (f != Flow::Normal) return f;
    ++interp.loop_depth;
    while (test(slots[1]) && body_continues(t->left, &f)) {
        Flow g = exec_statement(slots[2]);
        if (g != Flow::Normal) {
            f = g;
            break;
        }
    }
    return leave_loop(f);
}

[[gnu::noinline]] Flow exec_for_in(NODE *t) {
    NODE *const *slots = for_slots(t);
    NODE **var = get_lhs(slots[0], 1);
    int32_t assigned = interp.field_assigned;
    ScanCursor *cursor = assoc_scan(resolve_array(slots[2]));
    ++interp.loop_depth;
    Flow f = Flow::Normal;
    for (; cursor; cursor = assoc_next(cursor)) {
        NODE *old = *var;
        *var = dupnode(cursor->subscript);
        unref(old);
        if (assigned == 0) {
            NODE *rec = string_of(*var);
            set_record(rec->string, rec->length);
        }
        if (!body_continues(t->left, &f)) {
            std::free(cursor);
            break;
        }
    }
    interp.field_assigned = -1;
    return leave_loop(f);
}

[[gnu::noinline]] Flow exec_exit(NODE *t) {
    interp.exiting = 1;
    NODE *v = eval_operand(t->left, 0);
    int32_t code = number_of(v);
    free_temp(v);
    if (interp.eval_unwind) return pending_flow();
    interp.exit_code = code;
    return Flow::Exit;
}

// A parameter's own value is moved out rather than copied: its frame ends
// with this statement.
NODE *take_parameter(NODE *param) {
    NODE *var = frame_var(param);
    NODE *v = var->left;
    constexpr uint8_t kOwned = NODE_FREEABLE | NODE_TEMP | NODE_PERM;
    if (var->type != T_VAR || v->type != T_VALUE || (v->flags & kOwned) != NODE_FREEABLE) return nullptr;
    var->left = null_string;
    return v;
}

Flow exec_return(NODE *t) {
    NODE *v = t->left && t->left->type == T_PARAMETER ? take_parameter(t->left) : nullptr;
    if (!v) {
        v = eval_kept(t->left);
        if (interp.eval_unwind) return pending_flow();
    }
    unref(interp.ret_node);
    interp.ret_node = v;
    return Flow::Return;
}

[[gnu::noinline]] Flow exec_output(NODE *t) {
    switch (t->type) {
    case T_PRINT: do_print(t); break;
    case T_PRINTF: do_printf(t); break;
    case T_OUTPUT: do_output(t); break;
    case T_OUTPUTF: do_outputf(t); break;
    case T_DIRECT: do_direct(t); break;
    default: do_directf(t); break;
    }
    return after_expression();
}

Flow run_rule(NODE *rule) {
    if (rule->left) {
        int yes = eval_condition(rule->left);
        if (interp.eval_unwind) return pending_flow();
        if (!yes) return Flow::Normal;
    }
    NODE *action = rule->right ? rule->right : &default_print;
    return exec_statement(action);
}

// Returns Exit when `exit` ended the list, Normal otherwise (a `next` ends it too).
[[gnu::noinline]] Flow run_rules(NODE *t) {
    Flow f = Flow::Normal;
    for (NODE *l = t; l && f == Flow::Normal; l = l->type == T_RULE_LIST ? l->right : nullptr) {
        NODE *rule = l->type == T_RULE_LIST ? l->left : l;
        f = rule ? run_rule(rule) : Flow::Normal;
    }
    interp.eval_unwind = 0;
    switch (f) {
    case Flow::Normal: case Flow::Next: return Flow::Normal;
    case Flow::Exit: return Flow::Exit;
    default: BAIL_OUT("eval");
    }
}

[[gnu::noinline]] Flow exec_list(NODE *t) {
    for (NODE *l = t; l; l = l->right) {
        Flow f = exec_statement(l->left);
        if (f != Flow::Normal) return f;
    }
    return Flow::Normal;
}

}  // namespace

Flow exec_statement(NODE *t) {
    break_point();
    // Leave processor time to others now and then; cheap enough for every call.
    if ((interp.statement_count++ & 0xFF) == 0) yield_processor();
    if (!t) return Flow::Normal;
    current_port.port_poll("");
    switch (t->type) {
    case 0: return Flow::Normal;  // an empty action
    case T_RULE_LIST: case T_RULE: return run_rules(t);
    case T_STATEMENT_LIST: return exec_list(t);
    case T_IF: {
        int yes = eval_condition(t->left);
        if (interp.eval_unwind) return pending_flow();
        return exec_statement(yes ? t->right->left : t->right->right);
    }
    case T_WHILE: return exec_while(t);
    case T_DO: return exec_do(t);
    case T_FOR: return exec_for(t);
    case T_FOR_IN: return exec_for_in(t);
    case T_BREAK:
        if (interp.loop_depth == 0) fatal("unexpected break");
        return Flow::Break;
    case T_CONTINUE:
        if (interp.loop_depth == 0) fatal("unexpected continue");
        return Flow::Continue;
    case T_PRINT: case T_PRINTF: case T_OUTPUT: case T_OUTPUTF: case T_DIRECT: case T_DIRECTF:
        return exec_output(t);
    case T_NEXT: return Flow::Next;
    case T_EXIT: return exec_exit(t);
    case T_RETURN: return exec_return(t);
    default:
        eval_for_effect(t);
        return after_expression();
    }
}

int interpret(NODE *tree) {
    Flow f = exec_statement(tree);
    if (f == Flow::Exit || f == Flow::Next) interp.eval_unwind = 0;
    return f == Flow::Exit ? 0 : 1;
}
