#include "core/builtin_args.h"

#include "core/eval.h"
#include "core/fields.h"

bool BuiltinArgs::has(int count) const {
    if (record_) return count <= 1;
    int n = 0;
    for (NODE *l = head_; l != nullptr && n < count; l = l->right) ++n;
    return n >= count;
}

NODE *BuiltinArgs::next_tree() {
    ++taken_;
    if (record_ || list_ == nullptr) return nullptr;
    NODE *tree = list_->left;
    list_ = list_->right;
    return tree;
}

NODE *BuiltinArgs::next_value() {
    if (record_) return taken_++ == 0 ? *get_field(0, 0) : null_string;
    return value_of(next_tree());
}

NODE *value_of(NODE *tree) {
    if (tree == nullptr) return null_string;
    if (tree->type == T_VALUE) return tree;
    return tree_eval(tree, 0);
}

bool unwinding() { return eval_unwinding() != 0; }

void release_value(NODE *v) {
    if (v != nullptr && (v->flags & NODE_TEMP)) unref(v);
}

int32_t ArgValue::number() const { return number_view(value_); }

std::string_view ArgValue::text() const { return text_of(value_); }

int32_t arg_number(BuiltinArgs &args) { return ArgValue(args).number(); }

std::string arg_text(BuiltinArgs &args) { return std::string(ArgValue(args).text()); }
