#include "frontend/parser.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "frontend/frontend_test_util.h"
#include "frontend/tree_dump.h"

namespace {

// The tree of the one BEGIN block of `script`.
std::string begin_tree(const std::string &script) {
    ScriptInput in(script);
    EXPECT_EQ(yyparse(), 0) << script;
    return tree_dump(begin_block);
}

// The tree of a statement (or expression) inside a BEGIN block.
std::string statement_tree(const std::string &statement) {
    std::string rule = begin_tree("BEGIN {\n" + statement + "\n}\n");
    const std::string head = "(RULE - ";
    if (rule.compare(0, head.size(), head) != 0) return rule;
    return rule.substr(head.size(), rule.size() - head.size() - 1);
}

struct ShapeCase {
    const char *source;
    const char *tree;
};

void expect_shapes(const ShapeCase *cases, size_t n) {
    for (size_t i = 0; i < n; i++) EXPECT_EQ(statement_tree(cases[i].source), cases[i].tree) << cases[i].source;
}

TEST(Grammar, ShiftOperatorsBindTheNearestLeftOperand) {
    const ShapeCase cases[] = {
        {"1 + 2 << 3 + 4", "(ADD 1 (SHIFT_LEFT 2 (ADD 3 4)))"},
        {"1 << 2 + 3", "(SHIFT_LEFT 1 (ADD 2 3))"},
        {"a * b << c", "(MULTIPLY a (SHIFT_LEFT b c))"},
        {"-a << b", "(NEGATE (SHIFT_LEFT a b))"},
        {"$i << 2", "(FIELD (SHIFT_LEFT i 2))"},
        {"a >> b >> c", "(SHIFT_RIGHT a (SHIFT_RIGHT b c))"},
        {"!a << b", "(NOT (SHIFT_LEFT a b))"},
        {"x = a << b * c < d", "(ASSIGN x (LESS (SHIFT_LEFT a (MULTIPLY b c)) d))"},
    };
    expect_shapes(cases, std::size(cases));
}

TEST(Grammar, CallsDoNotContinueAConcatenationInAComparison) {
    const ShapeCase cases[] = {
        {"a < b f(x)", "(CONCAT (LESS a b) (FUNC_CALL f x))"},
        {"a < b c", "(LESS a (CONCAT b c))"},
        {"a == b length", "(CONCAT (EQUAL a b) (BUILTIN length))"},
        {"a ~ b substr(s, 1)", "(CONCAT (MATCH a b) (BUILTIN substr s 1))"},
        {"a && b f(x)", "(AND a (CONCAT b (FUNC_CALL f x)))"},
        {"a = b f(x)", "(ASSIGN a (CONCAT b (FUNC_CALL f x)))"},
        {"a ? b : c f()", "(COND_EXP a (IF_BRANCHES b (CONCAT c (FUNC_CALL f))))"},
        {"a b c", "(CONCAT (CONCAT a b) c)"},
        {"a -b", "(SUBTRACT a b)"},
        {"a (-b)", "(CONCAT a (NEGATE b))"},
        {"f (x)", "(CONCAT f x)"},
        {"length (x)", "(BUILTIN length x)"},
        {"length", "(BUILTIN length)"},
    };
    expect_shapes(cases, std::size(cases));
}

TEST(Grammar, PrecedenceAndAssociativity) {
    const ShapeCase cases[] = {
        {"x ? y : z ? u : v", "(COND_EXP x (IF_BRANCHES y (COND_EXP z (IF_BRANCHES u v))))"},
        {"a = b = 3", "(ASSIGN a (ASSIGN b 3))"},
        {"a - b - c", "(SUBTRACT (SUBTRACT a b) c)"},
        {"a + b * c", "(ADD a (MULTIPLY b c))"},
        {"a * b & c + d", "(ADD (BIT_AND (MULTIPLY a b) c) d)"},
        {"a || b && c", "(OR a (AND b c))"},
        {"a && b in c", "(AND a (IN_ARRAY c b))"},
        {"a ~ b < c", "(MATCH a (LESS b c))"},
        {"-a - b", "(SUBTRACT (NEGATE a) b)"},
        {"+a", "a"},
        {"x++ + ++y", "(ADD (POST_INCREMENT x) (PRE_INCREMENT y))"},
        {"$i++", "(FIELD (POST_INCREMENT i))"},
        {"$(i)++", "(POST_INCREMENT (FIELD i))"},
        {"$1 + 1", "(ADD (FIELD 1) 1)"},
        {"a /= 2", "(ASSIGN_DIVIDE a 2)"},
        {"a[1, 2] += 3", "(ASSIGN_ADD (SUBSCRIPT a (EXPRESSION_LIST 1 2)) 3)"},
        {"x ~ /=/", "(MATCH x /=/)"},
        {"$x ~ /=/", "(MATCH (FIELD x) /=/)"},
        {"x = a &&\n  b", "(ASSIGN x (AND a b))"},
        {"x = /a|b/", "(ASSIGN x /a|b/)"},
        {"!/x/", "(NO_MATCH - /x/)"},
        {"a / b / c", "(DIVIDE (DIVIDE a b) c)"},
        {"(1, 2) in arr", "(IN_ARRAY arr (EXPRESSION_LIST 1 2))"},
        {"(k) in arr", "(IN_ARRAY arr k)"},
        {"s = \"a\" 'b' ESC", "(ASSIGN s (CONCAT (CONCAT \"a\" 98) 27))"},
        {"s = \"q\\\"\\x01\"", "(ASSIGN s \"q\\\"\\x01\")"},
    };
    expect_shapes(cases, std::size(cases));
}

TEST(Grammar, Statements) {
    const ShapeCase cases[] = {
        {"if (a) b; else c", "(IF a (IF_BRANCHES b c))"},
        {"if (a)\n b\nelse\n c", "(IF a (IF_BRANCHES b c))"},
        {"if (a) if (b) c; else d", "(IF a (IF_BRANCHES (IF b (IF_BRANCHES c d))))"},
        {"while (x) x--", "(WHILE x (POST_DECREMENT x))"},
        {"do x++\nwhile (x < 3)", "(DO (LESS x 3) (POST_INCREMENT x))"},
        {"for (i = 0; i < 3; i++) s += i",
         "(FOR (ASSIGN i 0) (LESS i 3) (POST_INCREMENT i) (ASSIGN_ADD s i))"},
        {"for (;;) break", "(FOR - - - (BREAK))"},
        {"for (k in arr) print k", "(FOR_IN k arr (PRINT (EXPRESSION_LIST k)))"},
        {"print a, b", "(PRINT (EXPRESSION_LIST a b))"},
        {"print (a > b)", "(PRINT (EXPRESSION_LIST (GREATER a b)))"},
        {"print (a, b)", "(PRINT (EXPRESSION_LIST a b))"},
        {"print (a) b", "(PRINT (EXPRESSION_LIST (CONCAT a b)))"},
        {"printf \"%d\", 1", "(PRINTF (EXPRESSION_LIST \"%d\" 1))"},
        {"print", "(PRINT)"},
        {"@ ESC, \"@\"", "(OUTPUT (EXPRESSION_LIST 27 \"@\"))"},
        {"outputf(\"%c\", 1)", "(OUTPUTF (EXPRESSION_LIST \"%c\" 1))"},
        {"@@ 16 4 1", "(DIRECT (EXPRESSION_LIST (CONCAT (CONCAT 16 4) 1)))"},
        {"directf \"x\"", "(DIRECTF (EXPRESSION_LIST \"x\"))"},
        {"delete a[1]", "(DELETE a (EXPRESSION_LIST 1))"},
        {"exit 3", "(EXIT 3)"},
        {"exit", "(EXIT)"},
        {"continue", "(CONTINUE)"},
        {"DLE_EOT(1)", "(BUILTIN DLE_EOT 1)"},
        {"ENQ_a (1)", "(BUILTIN ENQ_a 1)"},
    };
    expect_shapes(cases, std::size(cases));
}

TEST(Grammar, StatementSequences) {
    const ShapeCase cases[] = {
        {"a; b; c", "(STATEMENT_LIST a b c)"},
        {"a\nb\n\nc", "(STATEMENT_LIST a b c)"},
        {"{ a; b } c", "(STATEMENT_LIST a b c)"},
        {"a; { b; c }", "(STATEMENT_LIST a (STATEMENT_LIST b c))"},
        {"; a", "(STATEMENT_LIST - a)"},
        {"a; ;", "(STATEMENT_LIST a -)"},
        {"{ x = 1 }", "(ASSIGN x 1)"},
    };
    expect_shapes(cases, std::size(cases));
}

TEST(Grammar, BeginBlocksInScriptOrder) {
    EXPECT_EQ(begin_tree("BEGIN { x }\n{ y }\nmain { z }\nBEGIN {\nw\n}\n"),
              "(RULE_LIST (RULE - x) (RULE - z) (RULE - w))");
    EXPECT_EQ(tree_dump(action_rules), "(RULE - y)");
    EXPECT_EQ(begin_tree("\n\nBEGIN { }\n\n"), "(RULE - (EMPTY))");
    EXPECT_EQ(begin_tree("BEGIN { ; }"), "(RULE - (EMPTY))");
    EXPECT_EQ(begin_tree("{ x }"), "-");
}

TEST(Grammar, RegexpLiteralsAreCompiledWhileParsing) {
    ScriptInput in("BEGIN { x ~ /a[/]b/ }");
    ASSERT_EQ(yyparse(), 0);
    NODE *re = begin_block->right->right;
    ASSERT_EQ(re->type, T_REGEX);
    EXPECT_STREQ(re->name, "a[/]b");
    EXPECT_NE(re->pattern, nullptr);
    EXPECT_EQ(re->word5, 0);
}

TEST(Grammar, NodesCarryTheirLine) {
    // A node is stamped when it is made: these end at ';', before the newline.
    ScriptInput in("BEGIN {\n  a = 1;\n\n  b = 2;\n}\n");
    ASSERT_EQ(yyparse(), 0);
    NODE *list = begin_block->right;
    ASSERT_EQ(list->type, T_STATEMENT_LIST);
    EXPECT_EQ(list->left->line, 2);
    EXPECT_EQ(list->right->left->line, 4);
}

TEST(Grammar, FunctionDefinitions) {
    ScriptInput in("BEGIN { g1 = 1 }\nfunction fn1(pa1, g1) {\n return pa1 + g1 fn1\n}\nfunc fn2() { }\n");
    ASSERT_EQ(yyparse(), 0);
    EXPECT_EQ(tree_dump(lookup(global_table, "fn1")),
              "(FUNC_NAME (fn1#2 pa1#0 g1#1) (RETURN (CONCAT (ADD pa1#0 g1#1) fn1#2)))");
    EXPECT_EQ(tree_dump(lookup(global_table, "fn2")), "(FUNC_NAME (fn2#0) -)");
    // Parameters are gone from the table; the global of the same name stays.
    EXPECT_EQ(lookup(global_table, "pa1"), nullptr);
    ASSERT_NE(lookup(global_table, "g1"), nullptr);
    EXPECT_EQ(lookup(global_table, "g1")->type, T_VAR);
    EXPECT_EQ(tree_dump(begin_block), "(RULE - (ASSIGN g1 1))");
}

TEST(Grammar, CallsBeforeTheDefinitionParse) {
    EXPECT_EQ(begin_tree("BEGIN { fn3(1, 2) }\nfunction fn3(p, q) { return p }\n"),
              "(RULE - (FUNC_CALL fn3 1 2))");
}

TEST(Grammar, BeginWithoutActionIsCountedAndParsingGoesOn) {
    testing::internal::CaptureStderr();
    ScriptInput in("main\n{\n x\n}\n");
    EXPECT_EQ(yyparse(), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "error near line 2: BEGIN blocks must have an action part\n");
    EXPECT_EQ(error_count, 1);
    EXPECT_EQ(begin_block, nullptr);
}

// Syntax errors: the whole report on the error stream, status 1.
void expect_parse_error(const std::string &script, const std::string &report) {
    EXPECT_EXIT(
        {
            ScriptInput in(script);
            yyparse();
            std::exit(0);
        },
        testing::ExitedWithCode(1), testing::Eq(report))
        << script;
}

TEST(GrammarErrors, NonAssociativeOperators) {
    expect_parse_error("BEGIN {\n  x = a == b == c\n}\n",
                       "t.vd(2) : syntax error\n  x = a == b == c\n             ^ syntax error\n");
    expect_parse_error("BEGIN {\n\tx = a ~ b ~ c\n}\n",
                       "t.vd(2) : syntax error\n\tx = a ~ b ~ c\n\t          ^ syntax error\n");
    expect_parse_error("BEGIN { a < b < c }", "t.vd(1) : syntax error\nBEGIN { a < b < c }\n              ^ syntax error\n");
}

TEST(GrammarErrors, NoRedirectionInPrint) {
    expect_parse_error("BEGIN {\n x = a +\n b\n}", "t.vd(3) : syntax error\n x = a +\n        ^ syntax error\n");
    expect_parse_error("BEGIN { print a > b }\n",
                       "t.vd(1) : syntax error\nBEGIN { print a > b }\n                ^ syntax error\n");
}

TEST(GrammarErrors, WholeScript) {
    expect_parse_error("", "t.vd(1) : syntax error\n(END OF FILE)\n^ syntax error\n");
    expect_parse_error("x = 1\n", "t.vd(1) : syntax error\nx = 1\n^ syntax error\n");
    expect_parse_error("BEGIN { x }\nfoo", "t.vd(2) : syntax error\nfoo\n^ syntax error\n");
    expect_parse_error("BEGIN { x = (1", "t.vd(1) : syntax error\n(END OF FILE)\n^ syntax error\n");
    // A newline is counted when it is read, before the grammar rejects it.
    expect_parse_error("BEGIN { x = (1\n", "t.vd(2) : syntax error\nBEGIN { x = (1\n              ^ syntax error\n");
    expect_parse_error("BEGIN { \"abc }\n", "t.vd(1) : syntax error\nBEGIN { \"abc }\n        ^ unterminated string\n");
    expect_parse_error("BEGIN { x = \"abc", "t.vd(1) : syntax error\nBEGIN { x = \"abc\n            ^ syntax error\n");
}

TEST(GrammarErrors, ContextChecks) {
    expect_parse_error("BEGIN {\n  return 1\n}\n",
                       "t.vd(2) : syntax error\n  return 1\n  ^ return used outside function context\n");
    expect_parse_error("main { next }\n", "t.vd(1) : syntax error\nmain { next }\n       ^ next used in BEGIN or END action\n");
    expect_parse_error("function f9(a) { return a }\nfunction f9(b) { }\n",
                       "Fatal error: function name `f9' previously defined\n");
    expect_parse_error("BEGIN { v9 = 1 }\nfunction v9() { }\n",
                       "Fatal error: function name `v9' previously defined\n");
}

TEST(GrammarErrors, BadRegexpLiteralStopsTheParse) {
    EXPECT_EXIT(
        {
            ScriptInput in("BEGIN { x ~ /a(b/ }");
            yyparse();
            std::exit(0);
        },
        testing::ExitedWithCode(1), testing::StartsWith("Fatal error: "));
}

TEST(GrammarErrors, DeepNestingOverflowsTheStack) {
    std::string deep = "BEGIN { x = " + std::string(12000, '(') + "1" + std::string(12000, ')') + " }";
    EXPECT_EXIT(
        {
            ScriptInput in(deep);
            yyparse();
            std::exit(0);
        },
        testing::ExitedWithCode(1), testing::HasSubstr("^ yacc stack overflow\n"));
    std::string fine = "BEGIN { x = " + std::string(2000, '(') + "1" + std::string(2000, ')') + " }";
    EXPECT_EQ(statement_tree(fine.substr(8, fine.size() - 10)), "(ASSIGN x 1)");
}

}  // namespace
