// Random expression trees, written out with only the parentheses their
// operators' precedence and associativity demand, must parse back to the
// same tree. Covers every pairing of the ordinary operators; the deliberate
// quirks (shift operators, calls after comparisons) have their own tests.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>

#include "frontend/frontend_test_util.h"
#include "frontend/tree_dump.h"

namespace {

enum class Assoc { Left, Right, None };

struct Op {
    const char *text;
    const char *node;
    int level;  // higher binds tighter
    Assoc assoc;
};

constexpr Op binary_ops[] = {
    {"=", "ASSIGN", 1, Assoc::Right},       {"||", "OR", 3, Assoc::Left},
    {"&&", "AND", 4, Assoc::Left},          {"~", "MATCH", 6, Assoc::None},
    {"!~", "NO_MATCH", 6, Assoc::None},     {"==", "EQUAL", 7, Assoc::None},
    {"!=", "NOT_EQUAL", 7, Assoc::None},    {"<", "LESS", 7, Assoc::None},
    {"<=", "LESS_EQUAL", 7, Assoc::None},   {">", "GREATER", 7, Assoc::None},
    {">=", "GREATER_EQUAL", 7, Assoc::None}, {"+", "ADD", 9, Assoc::Left},
    {"-", "SUBTRACT", 9, Assoc::Left},      {"*", "MULTIPLY", 10, Assoc::Left},
    {"/", "DIVIDE", 10, Assoc::Left},       {"%", "MODULO", 10, Assoc::Left},
    {"&", "BIT_AND", 10, Assoc::Left},      {"|", "BIT_OR", 10, Assoc::Left},
    {"^", "BIT_XOR", 10, Assoc::Left},
};
constexpr int COND_LEVEL = 2;
constexpr int UNARY_LEVEL = 11;
constexpr int LEAF_LEVEL = 99;

struct Expr {
    std::string leaf;       // a variable or a number when no operator
    const Op *op = nullptr;  // a binary operator
    const char *unary = nullptr;
    bool cond = false;
    std::unique_ptr<Expr> a, b, c;

    int level() const {
        if (op) return op->level;
        if (cond) return COND_LEVEL;
        return unary ? UNARY_LEVEL : LEAF_LEVEL;
    }
};

std::unique_ptr<Expr> random_expr(std::mt19937 &rng, int depth) {
    auto e = std::make_unique<Expr>();
    unsigned pick = depth <= 0 ? 0 : rng() % 10;
    if (pick < 3) {
        e->leaf = rng() % 2 ? std::string(1, static_cast<char>('a' + rng() % 5)) : std::to_string(1 + rng() % 9);
    } else if (pick < 4) {
        e->unary = rng() % 2 ? "-" : "!";
        e->a = random_expr(rng, depth - 1);
    } else if (pick < 5) {
        e->cond = true;
        e->a = random_expr(rng, depth - 1);
        e->b = random_expr(rng, depth - 1);
        e->c = random_expr(rng, depth - 1);
    } else {
        e->op = &binary_ops[rng() % std::size(binary_ops)];
        e->a = random_expr(rng, depth - 1);
        e->b = random_expr(rng, depth - 1);
        // Only a variable can be assigned to.
        if (e->op->level == 1) {
            e->a = std::make_unique<Expr>();
            e->a->leaf = std::string(1, static_cast<char>('a' + rng() % 5));
        }
    }
    return e;
}

std::string source(const Expr &e);

// `child` written as an operand that needs at least `min_level` to stand
// without parentheses.
std::string operand(const Expr &child, int min_level) {
    std::string s = source(child);
    return child.level() >= min_level ? s : "(" + s + ")";
}

std::string source(const Expr &e) {
    if (e.op) {
        int l = e.op->level;
        int left_min = e.op->assoc == Assoc::Left ? l : l + 1;
        int right_min = e.op->assoc == Assoc::Right ? l : l + 1;
        return operand(*e.a, left_min) + " " + e.op->text + " " + operand(*e.b, right_min);
    }
    if (e.cond) return operand(*e.a, COND_LEVEL + 1) + " ? " + source(*e.b) + " : " + operand(*e.c, COND_LEVEL);
    if (e.unary) return std::string(e.unary) + " " + operand(*e.a, UNARY_LEVEL);
    return e.leaf;
}

std::string expected_dump(const Expr &e) {
    if (e.op) return std::string("(") + e.op->node + " " + expected_dump(*e.a) + " " + expected_dump(*e.b) + ")";
    if (e.cond) {
        return "(COND_EXP " + expected_dump(*e.a) + " (IF_BRANCHES " + expected_dump(*e.b) + " " +
               expected_dump(*e.c) + "))";
    }
    if (e.unary) return std::string(e.unary[0] == '-' ? "(NEGATE " : "(NOT ") + expected_dump(*e.a) + ")";
    return e.leaf;
}

TEST(GrammarProperty, MinimallyParenthesisedExpressionsParseBack) {
    std::mt19937 rng(7);
    for (int i = 0; i < 1500; i++) {
        std::unique_ptr<Expr> e = random_expr(rng, 1 + i % 5);
        std::string text = source(*e);
        ScriptInput in("BEGIN {\n" + text + "\n}\n");
        ASSERT_EQ(yyparse(), 0) << text;
        ASSERT_EQ(tree_dump(begin_block), "(RULE - " + expected_dump(*e) + ")") << text;
    }
}

}  // namespace
