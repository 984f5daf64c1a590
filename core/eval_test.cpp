// Evaluator tests over hand-built trees (the shapes the grammar makes).
#include "core/eval.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "core/builtin_test_util.h"
#include "core/fields.h"
#include "platform/locale.h"

namespace {

NODE *op(int32_t type, NODE *l = nullptr, NODE *r = nullptr) {
    NODE *n = newnode(type);
    n->left = l;
    n->right = r;
    n->value = nullptr;
    n->line = 1;
    return n;
}

NODE *num(int32_t v) {
    NODE *n = make_number(v);
    n->flags |= NODE_PERM;
    return n;
}

NODE *str(const char *s) { return make_str_node(s, std::strlen(s), 1); }

NODE *assign(NODE *target, NODE *v) { return op(T_ASSIGN, target, v); }

// Installs `function name(params...) body`; returns the parameter nodes.
std::vector<NODE *> define(const char *name, int declared, std::vector<const char *> params,
                           std::function<NODE *(const std::vector<NODE *> &)> body) {
    std::vector<NODE *> p;
    NODE *head = op(T_PARAMETER);
    head->name = const_cast<char *>(name);
    head->slot = declared;
    NODE **link = &head->right;
    for (size_t i = 0; i < params.size(); ++i) {
        NODE *q = op(T_PARAMETER);
        q->name = const_cast<char *>(params[i]);
        q->slot = static_cast<int32_t>(i);
        q->right = nullptr;
        *link = q;
        link = &q->right;
        p.push_back(q);
    }
    NODE *fn = op(T_FUNC_NAME, head, body(p));
    install(global_table, name, fn);
    return p;
}

std::string text_of(NODE *tree) {
    NODE *v = tree->type == T_VALUE ? tree : tree_eval(tree, 0);
    force_string(v);
    std::string s(v->string, static_cast<uint32_t>(v->length));
    if (v->flags & NODE_TEMP) unref(v);
    return s;
}

void run(NODE *tree) {
    NODE *v = tree_eval(tree, 0);
    if (v->flags & NODE_TEMP) unref(v);
}

class Eval : public ::testing::Test {
protected:
    void SetUp() override { reset_record_state(); }
};

TEST_F(Eval, ConditionOfTheTextZero) {
    EXPECT_EQ(eval_condition(str("0")), 1);
    EXPECT_EQ(eval_condition(num(0)), 0);
    EXPECT_EQ(eval_condition(str("")), 0);
    NODE *z = str("0");
    force_number(z);  // any numeric use makes it a number
    EXPECT_EQ(eval_condition(z), 0);
    EXPECT_EQ(eval_condition(nullptr), 1);
}

TEST_F(Eval, ConcatenationInCharacterMode) {
    NODE *x = variable("char_x");
    run(assign(x, num(65)));
    NODE *v = tree_eval(op(T_CONCAT, str("a"), op(T_CONCAT, x, num(266))), 1);
    EXPECT_EQ(std::string(v->string, v->length), std::string("aA\n"));
    unref(v);
    EXPECT_FALSE(x->left->flags & NODE_STR_VALID);  // the variable keeps its number
    EXPECT_EQ(text_of(op(T_CONCAT, x, num(10))), "6510");
}

using EvalDeath = Eval;

struct FatalCase {
    const char *name;
    std::function<NODE *()> tree;
    const char *message;
};

TEST_F(EvalDeath, FatalMessages) {
    const char *kDivideByZero = console_is_utf8() ? "Fatal error: 0で除算しようとしました\n"
                                                  : "Fatal error: 0\x82\xc5\x8f\x9c\x8e\x5a\x82\xb5\x82\xe6"
                                                    "\x82\xa4\x82\xc6\x82\xb5\x82\xdc\x82\xb5\x82\xbd\n";
    const FatalCase cases[] = {
        {"modulo", [] { return op(T_MODULO, num(1), num(0)); }, kDivideByZero},
        {"mod=", [] { return op(T_ASSIGN_MODULO, variable("death_a"), num(0)); },
         "Fatal error: division by zero attempted in %="},
        {"break", [] { return op(T_BREAK); }, "Fatal error: unexpected break"},
        {"continue", [] { return op(T_CONTINUE); }, "Fatal error: unexpected continue"},
        {"type", [] { return op(T_EXPRESSION_LIST); }, "Fatal error: illegal type \\(46\\) in tree_eval"},
    };
    for (const FatalCase &c : cases) {
        EXPECT_EXIT(interpret(c.tree()), ::testing::ExitedWithCode(1), c.message) << c.name;
    }
}

TEST_F(EvalDeath, FunctionsAsValues) {
    define("fn_value", 0, {}, [](const std::vector<NODE *> &) { return nullptr; });
    NODE *fn = lookup(global_table, "fn_value");
    EXPECT_EXIT(tree_eval(fn, 0), ::testing::ExitedWithCode(1),
                "function `fn_value\\(\\)' called with space between name and \\(,\nor used in other "
                "expression context");
    EXPECT_EXIT(tree_eval(assign(fn, num(1)), 0), ::testing::ExitedWithCode(1),
                "`fn_value\\(\\)' is a function, assignment is not allowed");
}

}  // namespace
