// Expression evaluator: tree_eval, conditions, assignment targets and the
// arithmetic, comparison, concatenation and match operators.
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "base/diag.h"
#include "core/arith.h"
#include "core/builtins.h"
#include "core/eval_internal.h"
#include "core/fields.h"
#include "core/regex.h"
#include "platform/locale.h"
#include "platform/sched.h"

namespace {

// Stack kept free below the deepest evaluation: deeper nesting stops the run
// with a message instead of overflowing. Less than a function call keeps, so
// runaway recursion through a function is reported as such.
constexpr size_t kEvalStackReserve = 128 * 1024;

// "0で除算しようとしました" (an attempt was made to divide by 0).
constexpr char kDivideByZeroSjis[] =
    "0\x82\xc5\x8f\x9c\x8e\x5a\x82\xb5\x82\xe6\x82\xa4\x82\xc6\x82\xb5\x82\xdc\x82\xb5\x82\xbd";
constexpr char kDivideByZeroUtf8[] = "0で除算しようとしました";

[[noreturn]] void divide_by_zero() { fatal("%s", console_is_utf8() ? kDivideByZeroUtf8 : kDivideByZeroSjis); }

NODE *as_temp_copy(NODE *v) {
    NODE *c = dupnode(v);
    c->flags |= NODE_TEMP;
    return c;
}

// Trees whose evaluation cannot release a value owned by a variable: reads of
// variables, constants, fields and elements with such indexes, and operators
// over them. Bounded so the check stays cheap.
bool cannot_release(NODE *t, int depth) {
    if (!t) return true;
    switch (t->type) {
    case T_VALUE: case T_VAR: case T_ARRAY: case T_PARAMETER: case T_REGEX:
        return true;
    case T_FIELD: case T_NEGATE: case T_NOT:
        return depth > 0 && cannot_release(t->left, depth - 1);
    case T_SUBSCRIPT: case T_IN_ARRAY: {
        // The subscripts are a list, except for `exp in array`, whose one
        // subscript is the bare expression.
        NODE *s = t->right;
        if (s && s->type == T_EXPRESSION_LIST) {
            if (s->right) return false;
            s = s->left;
        }
        return depth > 0 && cannot_release(s, depth - 1);
    }
    case T_MULTIPLY: case T_DIVIDE: case T_MODULO: case T_ADD: case T_SUBTRACT: case T_CONCAT:
    case T_BIT_AND: case T_BIT_OR: case T_BIT_XOR: case T_SHIFT_LEFT: case T_SHIFT_RIGHT:
    case T_EQUAL: case T_NOT_EQUAL: case T_LESS: case T_GREATER: case T_LESS_EQUAL:
    case T_GREATER_EQUAL: case T_AND: case T_OR:
        return depth > 0 && cannot_release(t->left, depth - 1) && cannot_release(t->right, depth - 1);
    default:
        return false;
    }
}

// ---- arithmetic ---------------------------------------------------------------

[[gnu::always_inline]] inline int32_t arithmetic(int32_t type, int32_t a, int32_t b) {
    switch (type) {
    case T_MULTIPLY: return arith::mul(a, b);
    case T_DIVIDE: if (b == 0) divide_by_zero(); return arith::div(a, b);
    case T_MODULO: if (b == 0) divide_by_zero(); return arith::mod(a, b);
    case T_ADD: return arith::add(a, b);
    case T_SUBTRACT: return arith::sub(a, b);
    case T_BIT_AND: return a & b;
    case T_BIT_OR: return a | b;
    case T_BIT_XOR: return a ^ b;
    case T_SHIFT_LEFT: return arith::shl(a, b);
    case T_SHIFT_RIGHT: return arith::shr(a, b);
    default: BAIL_OUT("eval");
    }
}

// ---- left-leaning chains ----------------------------------------------------------

// Generated scripts write chains like 1+1+1+... or "a" "b" "c" ... with many
// thousands of terms; the grammar builds them leaning left, so they are walked
// down the left side into this stack and evaluated bottom-up without
// recursion. Nested chains (in right operands) stack above the outer one.
std::vector<NODE *> chain_stack;

// Pushes t and the left operands below it while `same` holds; returns the
// first node that is no longer part of the chain (the leftmost operand).
template <typename Same>
NODE *push_chain(NODE *t, Same same) {
    NODE *n = t;
    while (n && same(n->type)) {
        chain_stack.push_back(n);
        n = n->left;
    }
    return n;
}

// Drops what one chain pushed, however its evaluation ends.
struct ChainFrame {
    size_t base = chain_stack.size();
    ~ChainFrame() { chain_stack.resize(base); }
};

int32_t arith_value(NODE *t, int cm);

[[gnu::noinline]] int32_t operand_number_slow(NODE *tree, int cm) {
    if (tree && is_arithmetic(tree->type)) return arith_value(tree, cm);
    NODE *v = eval_operand(tree, cm);
    int32_t n = number_of(v);
    free_temp(v);
    return n;
}

// The number of an operand; an arithmetic operand is worked out without a
// temporary in between. A constant's or variable's number is read in line.
[[gnu::always_inline]] inline int32_t operand_number(NODE *tree, int cm) {
    NODE *v = leaf_value(tree);
    if (v && (v->flags & NODE_NUM_VALID)) return v->number;
    return operand_number_slow(tree, cm);
}

// A chain of three or more operators, evaluated bottom-up. Each number is
// taken before the next operand runs, so a side effect of a right operand
// cannot pull the value on its left away. Kept out of line: the common case
// need not set up the chain frame.
[[gnu::noinline]] int32_t arith_chain(NODE *t, int cm) {
    ChainFrame frame;
    int32_t acc = operand_number(push_chain(t, is_arithmetic), cm);
    for (size_t i = chain_stack.size(); i-- > frame.base && !interp.eval_unwind;) {
        NODE *op = chain_stack[i];
        int32_t b = operand_number(op->right, cm);
        if (interp.eval_unwind) break;
        acc = arithmetic(op->type, acc, b);
    }
    return acc;
}

// The value of an arithmetic tree; meaningless when the evaluation began
// unwinding (the caller checks interp.eval_unwind).
int32_t arith_value(NODE *t, int cm) {
    if (stack_short(kEvalStackReserve)) fatal("expression nested too deeply");
    // A chain of two is recursed into: one level deeper at most.
    if (is_arithmetic(t->left->type) && is_arithmetic(t->left->left->type)) return arith_chain(t, cm);
    int32_t a = operand_number(t->left, cm);
    if (interp.eval_unwind) return 0;
    int32_t b = operand_number(t->right, cm);
    if (interp.eval_unwind) return 0;
    return arithmetic(t->type, a, b);
}

NODE *eval_arithmetic(NODE *t, int cm) {
    int32_t v = arith_value(t, cm);
    return interp.eval_unwind ? null_string : make_temp_number(v);
}

// The operator of a compound assignment, indexed by type - T_ASSIGN_MULTIPLY.
constexpr int32_t kCompoundOperator[] = {T_MULTIPLY, T_DIVIDE, T_MODULO, T_ADD, T_SUBTRACT,
                                         T_BIT_AND, T_BIT_OR, T_BIT_XOR, T_SHIFT_LEFT, T_SHIFT_RIGHT};
static_assert(sizeof kCompoundOperator / sizeof *kCompoundOperator ==
              T_ASSIGN_SHIFT_RIGHT - T_ASSIGN_MULTIPLY + 1);

[[gnu::noinline]] void record_assigned() {
    NODE *rec = string_of(*get_field(0, 0));
    set_record(rec->string, rec->length);
}

void after_store(int32_t assigned_field) {
    if (assigned_field == 0) record_assigned();
    interp.field_assigned = -1;
}

// The storage a compound assignment writes, found again after its right side
// ran: that side may have deleted the element, emptied the array or set a new
// record. The subscript or field number is evaluated only once.
class Target {
public:
    explicit Target(NODE *t) : tree_(t) {
        if (t->type == T_SUBSCRIPT) {
            array_ = resolve_array(t->left);
            key_ = dupnode(concat_exp(t->right));  // our own copy, kept to the end
        } else if (t->type == T_FIELD) {
            get_lhs(t, 1);
            field_ = interp.field_assigned;
        }
    }
    ~Target() {
        if (key_) unref(key_);
    }
    Target(const Target &) = delete;
    Target &operator=(const Target &) = delete;

    NODE **slot() {
        if (key_) {
            interp.field_assigned = -1;
            return assoc_lookup(array_, key_);
        }
        if (field_ >= 0) {
            NODE **s = get_field(field_, 1);
            interp.field_assigned = field_;
            return s;
        }
        return get_lhs(tree_, 1);
    }

private:
    NODE *tree_;
    NODE *array_ = nullptr;
    NODE *key_ = nullptr;
    int32_t field_ = -1;
};

int32_t compound_result(int32_t type, int32_t n, int32_t m) {
    switch (type) {
    case T_PRE_INCREMENT: case T_POST_INCREMENT: return arith::add(n, 1);
    case T_PRE_DECREMENT: case T_POST_DECREMENT: return arith::sub(n, 1);
    case T_ASSIGN_DIVIDE:
        if (m == 0) fatal("division by zero attempted in /=");
        return arith::div(n, m);
    case T_ASSIGN_MODULO:
        if (m == 0) fatal("division by zero attempted in %%=");
        return arith::mod(n, m);
    default:
        return arithmetic(kCompoundOperator[type - T_ASSIGN_MULTIPLY], n, m);
    }
}

// A compound assignment whose right side might change storage: the target is
// looked up again before the store. Out of line: the common case need not
// carry a Target. Returns the slot to store to, or null when unwinding.
[[gnu::noinline]] NODE **compound_operands(NODE *t, int cm, int32_t *n, int32_t *m) {
    Target target(t->left);
    *n = number_of(*target.slot());
    *m = operand_number(t->right, cm);
    if (interp.eval_unwind) return nullptr;
    return target.slot();
}

// ++, -- and the compound assignments: the target's value is read before the
// right side runs. A right side that cannot change any storage keeps the slot
// found first (but reading a field may move the field table, so a field
// target is always looked up again); any other has the target looked up again
// before the store. `old_value`: a post increment or decrement gives the
// value before as a temporary (a statement of its own needs none).
NODE *compound(NODE *t, int cm, bool old_value) {
    bool is_assign = t->type >= T_ASSIGN_MULTIPLY;
    NODE **slot;
    int32_t n;
    int32_t m = 0;
    if (!is_assign || (t->left->type != T_FIELD && cannot_release(t->right, 2))) {
        slot = get_lhs(t->left, 1);
        n = number_of(*slot);
        if (is_assign) {
            int32_t assigned = interp.field_assigned;
            m = operand_number(t->right, cm);
            interp.field_assigned = assigned;
        }
    } else {
        slot = compound_operands(t, cm, &n, &m);
        if (!slot) return null_string;
    }
    if (interp.eval_unwind) return null_string;
    int32_t assigned = interp.field_assigned;
    assign_number(slot, compound_result(t->type, n, m));
    NODE *stored = *slot;
    after_store(assigned);
    if (old_value && (t->type == T_POST_INCREMENT || t->type == T_POST_DECREMENT)) return make_temp_number(n);
    return stored;
}

NODE *eval_compound(NODE *t, int cm) { return compound(t, cm, true); }

NODE *append_assign(NODE *t, int cm);

// A number worked out for a store goes into the target's value without a
// temporary in between; the target is found after the right side ran.
NODE *assign_arithmetic(NODE *t, int cm) {
    int32_t n = arith_value(t->right, cm);
    if (interp.eval_unwind) return null_string;
    NODE **slot = get_lhs(t->left, 1);
    int32_t assigned = interp.field_assigned;
    assign_number(slot, n);
    NODE *stored = *slot;
    after_store(assigned);
    return stored;
}

NODE *eval_assign(NODE *t, int cm) {
    if (is_arithmetic(t->right->type)) return assign_arithmetic(t, cm);
    if (t->right->type == T_CONCAT && t->right->left == t->left && t->left->type == T_VAR) {
        if (NODE *v = append_assign(t, cm)) return v;
    }
    NODE *v = eval_operand(t->right, cm);
    if (interp.eval_unwind) {
        free_temp(v);
        return null_string;
    }
    if (!(v->flags & (NODE_TEMP | NODE_PERM)) && !cannot_release(t->left, 2)) v = as_temp_copy(v);
    NODE **slot = get_lhs(t->left, 1);
    int32_t assigned = interp.field_assigned;
    NODE *stored = *slot;
    if (!copy_into(stored, v)) {
        *slot = dupnode(v);
        unref(stored);
        stored = *slot;
    }
    after_store(assigned);
    return stored;
}

// ---- comparison, concatenation, matching --------------------------------------------

constexpr uint8_t kNumber = NODE_NUMERIC | NODE_NUM_VALID;

int compared(int32_t type, int c) {
    switch (type) {
    case T_EQUAL: return c == 0;
    case T_NOT_EQUAL: return c != 0;
    case T_LESS: return c < 0;
    case T_GREATER: return c > 0;
    case T_LESS_EQUAL: return c <= 0;
    default: return c >= 0;
    }
}

int compare(NODE *t, int cm) {
    NODE *l = protect(eval_operand(t->left, cm), t->right);
    NODE *r = eval_operand(t->right, cm);
    int c = (l->flags & r->flags & kNumber) == kNumber ? (l->number > r->number) - (l->number < r->number)
                                                      : cmp_nodes(l, r);
    free_temp(l);
    free_temp(r);
    return compared(t->type, c);
}

// Text of a concatenation operand; in character mode a value without a string
// view stands for the one byte of its number (the value itself is left as is).
struct Piece {
    const char *text;
    uint32_t length;
    char byte;
};

Piece piece_of(NODE *v, int cm) {
    if (cm && !(v->flags & NODE_STR_VALID)) {
        Piece p{nullptr, 1, static_cast<char>(number_of(v) & 0xFF)};
        return p;
    }
    string_of(v);
    return Piece{v->string, static_cast<uint32_t>(v->length), 0};
}

// One text buffer per nesting level of concatenation (a right operand may
// concatenate too), kept for reuse across evaluations.
std::deque<std::string> concat_buffers;
size_t concat_level = 0;

struct ConcatBuffer {
    ConcatBuffer() {
        if (concat_buffers.size() == concat_level) concat_buffers.emplace_back();
        text = &concat_buffers[concat_level++];
        text->clear();
    }
    ~ConcatBuffer() { --concat_level; }
    ConcatBuffer(const ConcatBuffer &) = delete;
    ConcatBuffer &operator=(const ConcatBuffer &) = delete;
    std::string *text;
};

// Appends an operand's text and releases it; nothing else runs in between, so
// no later operand can release a value whose text is still to be copied.
void append_piece(std::string &out, NODE *v, int cm) {
    Piece p = piece_of(v, cm);
    if (out.size() + uint64_t{p.length} > INT32_MAX - 3) out_of_memory("tree_eval");
    out.append(p.text ? p.text : &p.byte, p.length);
    free_temp(v);
}

// Two operands, the commonest case, go straight into the result's buffer.
// The left one gets its string view first, as in a longer chain, and is kept
// (copied if need be) while the right one runs.
NODE *concatenate_pair(NODE *t, int cm) {
    NODE *l = eval_operand(t->left, cm);
    if (interp.eval_unwind) {
        free_temp(l);
        return null_string;
    }
    piece_of(l, cm);
    l = protect(l, t->right);
    NODE *r = eval_operand(t->right, cm);
    if (interp.eval_unwind) {
        free_temp(l);
        free_temp(r);
        return null_string;
    }
    Piece a = piece_of(l, cm), b = piece_of(r, cm);
    if (uint64_t{a.length} + b.length > INT32_MAX - 3) out_of_memory("tree_eval");
    const char *a_text = a.text ? a.text : &a.byte, *b_text = b.text ? b.text : &b.byte;
    NODE *v = new_temp_text(size_t{a.length} + b.length);
    if (v) {
        std::memcpy(v->string, a_text, a.length);
        std::memcpy(v->string + a.length, b_text, b.length);
    } else {  // the usual message about the text that did not fit
        std::string joined(a_text, a.length);
        v = make_temp_string(joined.append(b_text, b.length).data(), joined.size());
    }
    free_temp(l);
    free_temp(r);
    return v;
}

// `v = v x` appends x to the text v holds, when v alone holds it and x
// cannot release it; null to take the general way.
NODE *append_assign(NODE *t, int cm) {
    NODE *var = t->left, *cur = var->left;
    constexpr uint8_t kOwnText = NODE_FREEABLE | NODE_STR_VALID;
    if (var == interp.nf_var || cur == null_string || cur->type != T_VALUE ||
        (cur->flags & (NODE_PERM | NODE_TEMP | kOwnText)) != kOwnText || !cannot_release(t->right->right, 2))
        return nullptr;
    NODE *r = eval_operand(t->right->right, cm);
    if (interp.eval_unwind) {
        free_temp(r);
        return null_string;
    }
    Piece b = piece_of(r, cm);
    if (uint64_t{static_cast<uint32_t>(cur->length)} + b.length > INT32_MAX - 3) out_of_memory("tree_eval");
    bool appended = append_text(cur, b.text ? b.text : &b.byte, b.length);
    free_temp(r);
    if (!appended) return nullptr;  // the general way reports it
    interp.field_assigned = -1;
    return cur;
}

NODE *concatenate(NODE *t, int cm) {
    if (t->left == nullptr || t->left->type != T_CONCAT) return concatenate_pair(t, cm);
    ChainFrame frame;
    ConcatBuffer buffer;
    std::string &out = *buffer.text;
    append_piece(out, eval_operand(push_chain(t, [](int32_t type) { return type == T_CONCAT; }), cm), cm);
    for (size_t i = chain_stack.size(); i-- > frame.base && !interp.eval_unwind;)
        append_piece(out, eval_operand(chain_stack[i]->right, cm), cm);
    if (interp.eval_unwind) return null_string;
    return make_temp_string(out.data(), out.size());
}

// A regular-expression constant, recompiled when IGNORECASE changed.
pattern_buffer *constant_pattern(NODE *re) {
    int fold = ignorecase_on();
    if (re->word5 != fold || !re->pattern) {
        if (re->pattern) free_regexp(re->pattern);
        re->pattern = make_regexp_constant(re->name, fold);
        re->word5 = fold;
    }
    return re->pattern;
}

[[gnu::noinline]] int match(NODE *t, int cm) {
    NODE *pattern_tree = t->type == T_REGEX ? t : t->right;
    NODE *text = (t->type == T_REGEX || !t->left) ? *get_field(0, 0) : eval_operand(t->left, cm);
    text = string_of(protect(text, pattern_tree));
    pattern_buffer *buf;
    bool dynamic = pattern_tree && pattern_tree->type != T_REGEX;
    if (dynamic) {
        NODE *p = eval_operand(pattern_tree, 0);
        if (interp.eval_unwind) {
            free_temp(p);
            free_temp(text);
            return 0;
        }
        buf = make_regexp(p, ignorecase_on());
    } else {
        buf = pattern_tree ? constant_pattern(pattern_tree) : nullptr;
    }
    if (!buf) BAIL_OUT("eval");
    regex_registers regs;
    bool matched = re_search(buf, text->string, text->length, 0, text->length, &regs) >= 0;
    if (dynamic) free_regexp(buf);
    free_temp(text);
    return t->type == T_NO_MATCH ? !matched : matched;
}

// A left-leaning chain of && and ||, short-circuit, without recursion. Out
// of line, as is match: a comparison need not set up their frames.
[[gnu::noinline]] int logical_chain(NODE *t) {
    ChainFrame frame;
    int yes = eval_condition(push_chain(t, [](int32_t type) { return type == T_AND || type == T_OR; }));
    for (size_t i = chain_stack.size(); i-- > frame.base && !interp.eval_unwind;) {
        NODE *op = chain_stack[i];
        if (op->type == T_AND ? yes : !yes) yes = eval_condition(op->right);
    }
    return interp.eval_unwind ? 0 : yes;
}

// Truth of the logical operators and comparisons without a temporary.
int truth(NODE *t) {
    switch (t->type) {
    case T_AND: case T_OR: return logical_chain(t);
    case T_NOT: return !eval_condition(t->left);
    case T_MATCH: case T_NO_MATCH: case T_REGEX: return match(t, 0);
    default: return compare(t, 0);
    }
}

NODE *conditional(NODE *t, int cm) {
    int c = eval_condition(t->left);
    if (interp.eval_unwind) return null_string;
    NODE *branch = c ? t->right->left : t->right->right;
    return eval_operand(branch, cm);
}

}  // namespace

void function_as_value(NODE *fn) {
    fatal("function `%s()' called with space between name and (,\n%s", fn->left->name,
          "or used in other expression context");
}

NODE *resolve_array(NODE *n) {
    n = resolve_param(n);
    if (n->type == T_FUNC_NAME) function_as_value(n);
    return n;
}

NODE *kept_number(NODE *t) {
    int32_t n = arith_value(t, 0);
    return interp.eval_unwind ? null_string : make_number(n);
}

NODE *protect(NODE *v, NODE *next_tree) {
    if (v->flags & (NODE_TEMP | NODE_PERM)) return v;
    if (!next_tree || next_tree->type == T_VALUE || next_tree->type == T_VAR) return v;
    if (cannot_release(next_tree, 3)) return v;
    return as_temp_copy(v);
}

int ignorecase_on() {
    if (!interp.ignorecase_var) interp.ignorecase_var = variable("IGNORECASE");
    return number_of(interp.ignorecase_var->left) != 0;
}

namespace {

// tree_eval's cases, one small function per node type, so that the dispatch
// itself keeps no frame and jumps straight to the case.
using EvalFn = NODE *(*)(NODE *t, int cm);

NODE *eval_value(NODE *t, int) { return t; }
NODE *eval_var(NODE *t, int) { return t != interp.nf_var ? t->left : *get_lhs(t, 0); }
NODE *eval_parameter(NODE *t, int) { return frame_var(t)->left; }
NODE *eval_reference(NODE *t, int) { return *get_lhs(t, 0); }
NODE *eval_truth(NODE *t, int) { return make_temp_number(truth(t)); }
NODE *eval_negate(NODE *t, int cm) {
    int32_t n = operand_number(t->left, cm);
    return make_temp_number(arith::neg(n));
}
NODE *eval_delete(NODE *t, int) {
    do_delete(resolve_array(t->left), t->right);
    return null_string;
}
NODE *eval_in_array(NODE *t, int) { return make_temp_number(in_array(resolve_array(t->left), t->right)); }
NODE *eval_builtin(NODE *t, int) { return call_builtin(static_cast<BuiltinId>(t->word5), t->left); }
NODE *eval_func_call(NODE *t, int) { return func_call(t->right, t->left); }
NODE *eval_func_name(NODE *t, int) { function_as_value(t); }
NODE *eval_illegal(NODE *t, int) { fatal("illegal type (%d) in tree_eval", t->type); }

constexpr int32_t kEvalTypes = T_ARRAY_ELEMENT + 1;

constexpr std::array<EvalFn, kEvalTypes> make_eval_table() {
    std::array<EvalFn, kEvalTypes> table{};
    for (EvalFn &f : table) f = eval_illegal;
    table[T_VALUE] = eval_value;
    table[T_VAR] = eval_var;
    table[T_PARAMETER] = eval_parameter;
    for (int32_t type : {T_ARRAY, T_SUBSCRIPT, T_FIELD}) table[type] = eval_reference;
    table[T_ASSIGN] = eval_assign;
    for (int32_t type : {T_PRE_INCREMENT, T_PRE_DECREMENT, T_POST_INCREMENT, T_POST_DECREMENT}) table[type] = eval_compound;
    for (int32_t type = T_ASSIGN_MULTIPLY; type <= T_ASSIGN_SHIFT_RIGHT; ++type) table[type] = eval_compound;
    for (int32_t type : {T_AND, T_OR, T_NOT, T_EQUAL, T_NOT_EQUAL, T_LESS, T_GREATER, T_LESS_EQUAL,
                         T_GREATER_EQUAL, T_MATCH, T_NO_MATCH, T_REGEX})
        table[type] = eval_truth;
    table[T_NEGATE] = eval_negate;
    for (int32_t type = T_MULTIPLY; type <= T_SHIFT_RIGHT; ++type) {
        if (is_arithmetic(type)) table[type] = eval_arithmetic;
    }
    table[T_CONCAT] = concatenate;
    table[T_COND_EXP] = conditional;
    table[T_DELETE] = eval_delete;
    table[T_IN_ARRAY] = eval_in_array;
    table[T_BUILTIN] = eval_builtin;
    table[T_FUNC_CALL] = eval_func_call;
    table[T_FUNC_NAME] = eval_func_name;
    return table;
}

constexpr std::array<EvalFn, kEvalTypes> kEvalTable = make_eval_table();
static_assert(kEvalTable[T_ADD] == eval_arithmetic && kEvalTable[T_SUBSCRIPT + 1] == concatenate);

}  // namespace

NODE *tree_eval(NODE *t, int cm) {
    if (stack_short(kEvalStackReserve)) fatal("expression nested too deeply");
    auto type = static_cast<uint32_t>(t->type);
    return type < kEvalTypes ? kEvalTable[type](t, cm) : eval_illegal(t, cm);
}

namespace {

// `v++` and the like as a statement of their own, on a variable that alone
// holds a plain number: changed where it is, as assign_number would.
bool step_in_place(NODE *t) {
    NODE *var = t->left->type == T_PARAMETER ? frame_var(t->left) : t->left;
    if (var->type != T_VAR || var == interp.nf_var || interp.eval_unwind) return false;
    NODE *v = var->left;
    constexpr uint8_t kSeen = NODE_PERM | NODE_TEMP | NODE_FREEABLE | NODE_NUM_VALID | NODE_STR_VALID | NODE_NUM_PENDING;
    if ((v->flags & kSeen) != (NODE_FREEABLE | NODE_NUM_VALID)) return false;
    bool up = t->type == T_POST_INCREMENT || t->type == T_PRE_INCREMENT;
    v->number = up ? arith::add(v->number, 1) : arith::sub(v->number, 1);
    v->str_refs = 0;
    v->flags |= NODE_NUMERIC;
    interp.field_assigned = -1;
    return true;
}

[[gnu::noinline]] void step_statement(NODE *t) { compound(t, 0, false); }

}  // namespace

void eval_for_effect(NODE *t) {
    if (t->type >= T_PRE_INCREMENT && t->type <= T_POST_DECREMENT) {
        if (!step_in_place(t)) step_statement(t);
        return;
    }
    // An assignment statement skips the dispatch; its right side checks the
    // nesting as it is evaluated.
    free_temp(t->type == T_ASSIGN ? eval_assign(t, 0) : tree_eval(t, 0));
}

int eval_condition(NODE *t) {
    if (!t) return 1;
    switch (t->type) {
    case T_EQUAL: case T_NOT_EQUAL: case T_LESS: case T_GREATER: case T_LESS_EQUAL: case T_GREATER_EQUAL: {
        // Two numbers read straight from constants or variables, the
        // commonest loop test, need no evaluation.
        NODE *l = leaf_value(t->left), *r = l ? leaf_value(t->right) : nullptr;
        if (r && (l->flags & r->flags & kNumber) == kNumber)
            return compared(t->type, (l->number > r->number) - (l->number < r->number));
        return truth(t);
    }
    case T_AND: case T_OR: case T_NOT:
    case T_MATCH: case T_NO_MATCH: case T_REGEX:
        return truth(t);
    default:
        break;
    }
    NODE *v = eval_operand(t, 0);
    settle_number(v);
    int yes = (v->flags & NODE_NUMERIC) ? number_of(v) != 0 : string_of(v)->length != 0;
    free_temp(v);
    return interp.eval_unwind ? 0 : yes;
}

namespace {

// get_lhs's heavier cases, out of line so that a plain variable costs little.
[[gnu::noinline]] NODE **element_slot(NODE *t) { return assoc_lookup(resolve_array(t->left), concat_exp(t->right)); }

[[gnu::noinline]] NODE **field_slot(NODE *t, int assign) {
    int32_t n = operand_number(t->left, 0);
    if (interp.eval_unwind) n = 0;
    if (n < 0) fatal("attempt to access field %d", n);
    NODE **slot = get_field(n, assign);
    interp.field_assigned = n;
    return slot;
}

}  // namespace

NODE **get_lhs(NODE *t, int assign) {
    interp.field_assigned = -1;
    if (t->type == T_VAR && t != interp.nf_var) return &t->left;  // the commonest target
    switch (t->type) {
    case T_VAR: case T_ARRAY:
        if (t == interp.nf_var) {
            NODE *v = t->left;
            if ((v->flags & NODE_NUM_VALID) && v->number == -1) split_record_for_nf();
        }
        return &t->left;
    case T_PARAMETER:
        return &frame_var(t)->left;
    case T_SUBSCRIPT:
        return element_slot(t);
    case T_FIELD:
        return field_slot(t, assign);
    case T_FUNC_NAME:
        fatal("`%s()' is a function, assignment is not allowed", t->left->name);
    default:
        BAIL_OUT("eval");
    }
}

void assign_number(NODE **slot, int32_t n) {
    NODE *v = *slot;
    if (v == null_string || (v->flags & NODE_PERM)) {
        // Shared values are never changed in place.
        *slot = make_number(n);
        return;
    }
    if ((v->flags & NODE_STR_VALID) && (v->flags & (NODE_FREEABLE | NODE_TEMP))) free_text(v);
    v->number = n;
    v->str_refs = 0;
    v->flags = static_cast<uint8_t>((v->flags & ~(NODE_STR_VALID | NODE_NUM_PENDING)) | NODE_NUM_VALID | NODE_NUMERIC);
}
