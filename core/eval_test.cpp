// Evaluator tests over hand-built trees (the shapes the grammar makes).
#include "core/eval.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "core/eval_test_util.h"
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

NODE *list(int32_t type, std::vector<NODE *> items) {
    NODE *head = nullptr, **link = &head;
    for (NODE *item : items) {
        *link = op(type, item);
        link = &(*link)->right;
    }
    return head;
}
NODE *args(std::vector<NODE *> items) { return list(T_EXPRESSION_LIST, std::move(items)); }
NODE *block(std::vector<NODE *> items) { return list(T_STATEMENT_LIST, std::move(items)); }

NODE *if_(NODE *c, NODE *then, NODE *other = nullptr) { return op(T_IF, c, op(T_IF_BRANCHES, then, other)); }

NODE *for_(NODE *init, NODE *cond, NODE *incr, NODE *body) {
    NODE *header = op(0);
    header->table = new NODE *[3]{init, cond, incr};
    return op(T_FOR, body, header);
}

NODE *for_in(NODE *var, NODE *array, NODE *body) {
    NODE *header = op(0);
    header->table = new NODE *[3]{var, nullptr, array};
    return op(T_FOR_IN, body, header);
}

NODE *assign(NODE *target, NODE *v) { return op(T_ASSIGN, target, v); }
NODE *call(const char *name, std::vector<NODE *> a) {
    return op(T_FUNC_CALL, a.empty() ? nullptr : args(std::move(a)), make_str_node(name, std::strlen(name), 0));
}

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

int32_t value_of(NODE *tree) {
    NODE *v = tree_eval(tree, 0);
    int32_t n = force_number(v);
    if (v->flags & NODE_TEMP) unref(v);
    return n;
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
    void SetUp() override {
        reset_record_state();
    }
};

struct ArithCase {
    int32_t type;
    int32_t a, b, expect;
};

TEST_F(Eval, ArithmeticWrapsAt32Bits) {
    constexpr int32_t kMin = INT32_MIN, kMax = INT32_MAX;
    const ArithCase cases[] = {
        {T_DIVIDE, 7, 2, 3},           {T_DIVIDE, -7, 2, -3},       {T_MODULO, -7, 2, -1},
        {T_MODULO, 7, -2, 1},          {T_SHIFT_LEFT, 1, 33, 2},    {T_SHIFT_RIGHT, -8, 1, -4},
        {T_SHIFT_LEFT, 1, -1, kMin},   {T_SHIFT_RIGHT, kMin, 31, -1}, {T_ADD, kMax, 1, kMin},
        {T_SUBTRACT, kMin, 1, kMax},   {T_MULTIPLY, 65536, 65536, 0}, {T_MULTIPLY, kMax, 2, -2},
        {T_DIVIDE, kMin, -1, kMin},    {T_MODULO, kMin, -1, 0},     {T_BIT_AND, 12, 10, 8},
        {T_BIT_OR, 12, 10, 14},        {T_BIT_XOR, 12, 10, 6},
    };
    for (const ArithCase &c : cases) {
        EXPECT_EQ(value_of(op(c.type, num(c.a), num(c.b))), c.expect) << c.type << " " << c.a << " " << c.b;
    }
    EXPECT_EQ(value_of(op(T_NEGATE, num(kMin))), kMin);
    EXPECT_EQ(value_of(op(T_ADD, str("3.9"), str("1e3"))), 1003);
}

TEST_F(Eval, ComparisonsFollowTheNumericFlag) {
    NODE *x = variable("cmp_x"), *y = variable("cmp_y");
    run(assign(x, num(10)));
    run(assign(y, str("9")));
    EXPECT_EQ(value_of(op(T_GREATER, x, y)), 1);                       // number against text 9
    EXPECT_EQ(value_of(op(T_LESS, str("10"), str("9"))), 1);           // two constants: as text
    EXPECT_EQ(value_of(op(T_GREATER, num(INT32_MAX), num(-1))), 1);
    EXPECT_EQ(value_of(op(T_EQUAL, str("abc"), str("abc"))), 1);
    EXPECT_EQ(value_of(op(T_LESS_EQUAL, str(""), str("a"))), 1);
}

TEST_F(Eval, ConditionOfTheTextZero) {
    EXPECT_EQ(eval_condition(str("0")), 1);
    EXPECT_EQ(eval_condition(num(0)), 0);
    EXPECT_EQ(eval_condition(str("")), 0);
    NODE *z = str("0");
    force_number(z);  // any numeric use makes it a number
    EXPECT_EQ(eval_condition(z), 0);
    EXPECT_EQ(eval_condition(nullptr), 1);
}

TEST_F(Eval, IncrementsAndCompoundAssignment) {
    NODE *i = variable("inc_i");
    EXPECT_EQ(value_of(op(T_POST_INCREMENT, i)), 0);
    EXPECT_EQ(value_of(op(T_PRE_INCREMENT, i)), 2);
    EXPECT_EQ(value_of(op(T_POST_DECREMENT, i)), 2);
    EXPECT_EQ(value_of(i), 1);
    NODE *fresh = variable("inc_never_assigned");
    EXPECT_EQ(value_of(op(T_ASSIGN_ADD, fresh, num(5))), 5);
    const ArithCase compound[] = {
        {T_ASSIGN_MULTIPLY, 6, 7, 42}, {T_ASSIGN_DIVIDE, -7, 2, -3}, {T_ASSIGN_MODULO, -7, 2, -1},
        {T_ASSIGN_SUBTRACT, INT32_MIN, 1, INT32_MAX}, {T_ASSIGN_BIT_AND, 6, 3, 2},
        {T_ASSIGN_BIT_OR, 6, 3, 7}, {T_ASSIGN_BIT_XOR, 6, 3, 5}, {T_ASSIGN_SHIFT_LEFT, 1, 32, 1},
        {T_ASSIGN_SHIFT_RIGHT, -16, 2, -4},
    };
    for (const ArithCase &c : compound) {
        run(assign(i, num(c.a)));
        EXPECT_EQ(value_of(op(c.type, i, num(c.b))), c.expect) << c.type;
    }
    // A string variable becomes a plain number.
    run(assign(i, str("41")));
    run(op(T_PRE_INCREMENT, i));
    EXPECT_EQ(text_of(i), "42");
}

TEST_F(Eval, LoopsWithBreakAndContinue) {
    NODE *i = variable("loop_i"), *sum = variable("loop_sum");
    // for (i = 0; i < 10; i++) { if (i == 2) continue; if (i == 5) break; sum += i }
    NODE *body = block({if_(op(T_EQUAL, i, num(2)), op(T_CONTINUE)), if_(op(T_EQUAL, i, num(5)), op(T_BREAK)),
                        op(T_ASSIGN_ADD, sum, i)});
    interpret(for_(assign(i, num(0)), op(T_LESS, i, num(10)), op(T_POST_INCREMENT, i), body));
    EXPECT_EQ(value_of(sum), 0 + 1 + 3 + 4);
    EXPECT_EQ(value_of(i), 5);
    // do { i-- } while (i > 100): the body runs once.
    interpret(op(T_DO, op(T_GREATER, i, num(100)), op(T_POST_DECREMENT, i)));
    EXPECT_EQ(value_of(i), 4);
    // while (i) { i--; continue }
    interpret(op(T_WHILE, i, block({op(T_POST_DECREMENT, i), op(T_CONTINUE)})));
    EXPECT_EQ(value_of(i), 0);
}

TEST_F(Eval, ForInSeesEveryElementAndSurvivesDeletion) {
    NODE *a = variable("forin_a"), *k = variable("forin_k"), *n = variable("forin_n");
    for (int i = 0; i < 300; ++i) run(assign(op(T_SUBSCRIPT, a, args({num(i)})), num(i)));
    // for (k in a) { n++; delete a[k] }
    interpret(for_in(k, a, block({op(T_POST_INCREMENT, n), op(T_DELETE, a, args({k}))})));
    EXPECT_EQ(value_of(n), 300);
    EXPECT_EQ(value_of(op(T_IN_ARRAY, a, args({num(7)}))), 0);
}

TEST_F(Eval, ExitEndsTheRuleListWithItsCode) {
    NODE *after = variable("exit_after");
    NODE *rules = list(T_RULE_LIST, {op(T_RULE, nullptr, block({op(T_EXIT, num(3)), assign(after, num(1))})),
                                     op(T_RULE, nullptr, assign(after, num(2)))});
    EXPECT_EQ(interpret(rules), 0);
    EXPECT_EQ(exit_code, 3);
    EXPECT_EQ(value_of(after), 0);
}

TEST_F(Eval, RecursionTenThousandDeep) {
    // function depth(n) { if (n == 0) return 0; return depth(n - 1) + 1 }
    define("depth", 1, {"n"}, [](const std::vector<NODE *> &p) {
        return block({if_(op(T_EQUAL, p[0], num(0)), op(T_RETURN, num(0))),
                      op(T_RETURN, op(T_ADD, call("depth", {op(T_SUBTRACT, p[0], num(1))}), num(1)))});
    });
    EXPECT_EQ(value_of(call("depth", {num(10000)})), 10000);
}

TEST_F(Eval, ArgumentsByValueArraysByReference) {
    // function fill(arr, x, unused, local) { arr["k"] = x; x = 99; local = 5; return unused }
    define("fill", 4, {"arr", "x", "unused", "local"}, [](const std::vector<NODE *> &p) {
        return block({assign(op(T_SUBSCRIPT, p[0], args({str("k")})), p[1]), assign(p[1], num(99)),
                      assign(p[3], num(5)), op(T_RETURN, p[2])});
    });
    NODE *fresh = variable("byref_fresh"), *x = variable("byref_x");
    run(assign(x, num(7)));
    EXPECT_EQ(text_of(call("fill", {fresh, x})), "");
    EXPECT_EQ(fresh->type, T_ARRAY);
    EXPECT_EQ(value_of(op(T_SUBSCRIPT, fresh, args({str("k")}))), 7);
    EXPECT_EQ(value_of(x), 7);
    // An existing array is shared, not copied.
    EXPECT_EQ(text_of(call("fill", {fresh, num(8)})), "");
    EXPECT_EQ(value_of(op(T_SUBSCRIPT, fresh, args({str("k")}))), 8);
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

TEST_F(Eval, FieldAssignmentRebuildsTheRecord) {
    NODE *f0 = op(T_FIELD, num(0));
    run(assign(f0, str("a b c")));
    run(assign(op(T_FIELD, num(2)), str("X")));
    EXPECT_EQ(text_of(f0), "a X c");
    EXPECT_EQ(value_of(nf_var), 3);
    run(op(T_PRE_INCREMENT, f0));  // $0 becomes the number 1: a new record
    EXPECT_EQ(text_of(op(T_FIELD, num(1))), "1");
    EXPECT_EQ(value_of(nf_var), 1);
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
        {"divide", [] { return op(T_DIVIDE, num(1), num(0)); }, kDivideByZero},
        {"modulo", [] { return op(T_MODULO, num(1), num(0)); }, kDivideByZero},
        {"div=", [] { return op(T_ASSIGN_DIVIDE, variable("death_a"), num(0)); },
         "Fatal error: division by zero attempted in /="},
        {"mod=", [] { return op(T_ASSIGN_MODULO, variable("death_a"), num(0)); },
         "Fatal error: division by zero attempted in %="},
        {"field", [] { return op(T_FIELD, num(-3)); }, "Fatal error: attempt to access field -3"},
        {"break", [] { return op(T_BREAK); }, "Fatal error: unexpected break"},
        {"continue", [] { return op(T_CONTINUE); }, "Fatal error: unexpected continue"},
        {"undefined", [] { return call("no_such_function", {}); },
         "Fatal error: function `no_such_function\\(\\)' not defined"},
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

TEST_F(EvalDeath, BreakInsideAFunctionCalledFromALoop) {
    define("breaker", 0, {}, [](const std::vector<NODE *> &) { return op(T_BREAK); });
    NODE *loop = op(T_WHILE, num(1), call("breaker", {}));
    EXPECT_EXIT(interpret(loop), ::testing::ExitedWithCode(1), "unexpected break");
}

TEST_F(EvalDeath, RunawayRecursionStopsWithAMessage) {
    define("forever", 1, {"n"}, [](const std::vector<NODE *> &p) { return call("forever", {p[0]}); });
    EXPECT_EXIT(interpret(call("forever", {num(1)})), ::testing::ExitedWithCode(1),
                "function `forever\\(\\)' nested too deeply");
}

}  // namespace
