// Regular-expression builtins: match, sub, gsub.
#include "base/diag.h"
#include "core/builtin_args.h"
#include "core/builtins.h"
#include "core/eval.h"
#include "core/eval_internal.h"
#include "core/fields.h"
#include "core/regex.h"
#include "core/substitute.h"

namespace {

// The pattern argument: a /constant/ keeps its compiled program, recompiled
// when IGNORECASE changed; anything else is compiled for this call only.
class PatternArg {
public:
    explicit PatternArg(NODE *tree) {
        int fold = ignorecase_on();
        if (tree->type == T_REGEX) {
            if (tree->pattern == nullptr || tree->word5 != fold) {
                if (tree->pattern != nullptr) free_regexp(tree->pattern);
                tree->pattern = make_regexp_constant(tree->name, fold);
                tree->word5 = fold;
            }
            buffer_ = tree->pattern;
        } else {
            buffer_ = make_regexp(value_of(tree), fold);  // releases a temporary text
            dynamic_ = true;
        }
    }
    ~PatternArg() {
        if (dynamic_) free_regexp(buffer_);
    }
    PatternArg(const PatternArg &) = delete;
    PatternArg &operator=(const PatternArg &) = delete;

    pattern_buffer *get() const { return buffer_; }

private:
    pattern_buffer *buffer_ = nullptr;
    bool dynamic_ = false;
};

void set_variable(const char *name, int32_t n) { assign_number(&variable(name)->left, n); }

bool assignable(const NODE *tree) {
    switch (tree->type) {
    case T_VAR: case T_ARRAY: case T_PARAMETER: case T_SUBSCRIPT: case T_FIELD: case T_FUNC_NAME:
        return true;
    default:
        return false;
    }
}

// The slot sub/gsub write, and whether it is the record `$0`.
NODE **target_slot(NODE *tree, bool &is_record) {
    if (tree == nullptr) {
        is_record = true;
        return get_field(0, 0);
    }
    NODE **slot = get_lhs(tree, 1);
    is_record = interp.field_assigned == 0;
    return slot;
}

// A target that names no storage (a constant, an expression) is worked on as
// a copy: the replacements are counted and nothing changes.
int32_t substitute_copy(pattern_buffer *pattern, NODE *tree, const std::string &repl, bool global) {
    NODE *v = value_of(tree);
    TextBuffer result;
    int32_t count = substitute_text(pattern, text_of(v), repl, global, result);
    release_value(v);
    return count;
}

NODE *substitute(NODE *list, bool global) {
    if (list == nullptr) fatal("sub or gsub called with 0 arguments");
    if (list->right == nullptr) fatal("sub or gsub called with only 1 argument");
    BuiltinArgs args(list);
    PatternArg pattern(args.next_tree());
    std::string repl = arg_text(args);
    if (unwinding()) return null_string;
    NODE *target = args.next_tree();
    if (target != nullptr && !assignable(target)) return number_result(substitute_copy(pattern.get(), target, repl, global));
    bool is_record;
    NODE **slot = target_slot(target, is_record);
    if (unwinding()) {
        interp.field_assigned = -1;
        return null_string;
    }
    // The slot's own text is read in place: the search runs no script code.
    NODE *value = *slot;
    std::string_view text = text_of(value);
    int32_t count = -1;
    if (held_alone(value)) {
        size_t length = text.size();
        count = substitute_in_place(pattern.get(), value->string, length, repl, global);
        if (count > 0) refill_text(value, value->string, length);  // drops the number view
    }
    if (count < 0) {
        TextBuffer result;
        count = substitute_text(pattern.get(), text, repl, global, result);
        if (count > 0) {
            // A fresh value: constants and the shared empty value are never changed.
            size_t length = result.size();
            *slot = make_str_node_taking(result.release(), length);
            unref(value);
        }
    }
    if (count > 0 && is_record) set_record((*slot)->string, (*slot)->length);
    interp.field_assigned = -1;
    return number_result(count);
}

}  // namespace

NODE *do_match(NODE *list) {
    BuiltinArgs args(list);
    std::string s = arg_text(args);
    NODE *r = args.next_tree();
    if (r == nullptr) fatal("match called with only one argument");
    PatternArg pattern(r);
    regex_registers regs;
    int32_t len = static_cast<int32_t>(s.size());
    int32_t at = re_search(pattern.get(), s.data(), len, 0, len, &regs);
    int32_t start = at >= 0 ? at + 1 : 0;
    set_variable("RSTART", start);
    set_variable("RLENGTH", at >= 0 ? regs.end[0] - regs.start[0] : -1);
    return number_result(start);
}

NODE *do_sub(NODE *list) { return substitute(list, false); }
NODE *do_gsub(NODE *list) { return substitute(list, true); }
