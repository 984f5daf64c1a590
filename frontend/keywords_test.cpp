#include "frontend/keywords.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "core/builtins.h"

namespace {

TEST(KeywordTable, EveryEntryIsFoundByItsOwnName) {
    for (const Keyword &k : keyword_table()) {
        EXPECT_EQ(find_keyword(k.name), &k) << k.name;
    }
}

TEST(KeywordTable, NamedConstants) {
    struct Case { const char *name; int32_t value; };
    const Case cases[] = {{"ESC", 27}, {"GS", 29}, {"LF", 10}, {"CLS", 12}, {"CLR", 12},
                          {"FF", 12},  {"AX", 31}, {"US", 31}, {"NUL", 0},  {"DEL", 127},
                          {"XOFF", 19}, {"SP", 32}};
    for (const Case &c : cases) {
        const Keyword *k = find_keyword(c.name);
        ASSERT_NE(k, nullptr) << c.name;
        EXPECT_EQ(k->token, Token::YNUMBER) << c.name;
        EXPECT_EQ(k->value, c.value) << c.name;
    }
}

TEST(KeywordTable, MatchIsExactAndCaseSensitive) {
    for (const char *word : {"esc", "Esc", "END", "begin", "Main", "ESCX", "ES", "", "lengths", "a"}) {
        EXPECT_EQ(find_keyword(word), nullptr) << word;
    }
}

TEST(KeywordTable, KeywordsCarryTheirNodeType) {
    EXPECT_EQ(find_keyword("main")->token, Token::LEX_BEGIN);
    EXPECT_EQ(find_keyword("BEGIN")->token, Token::LEX_BEGIN);
    EXPECT_EQ(find_keyword("func")->node_type, T_FUNCTION);
    EXPECT_EQ(find_keyword("function")->token, Token::LEX_FUNCTION);
    EXPECT_EQ(find_keyword("directf")->node_type, T_DIRECTF);
    EXPECT_EQ(find_keyword("in")->token, Token::LEX_IN);
}

TEST(KeywordTable, EveryBuiltinIsReachedAndSharedNamesShareOne) {
    EXPECT_EQ(find_keyword("ENQ_a")->builtin, BuiltinId::do_GS_a);
    EXPECT_EQ(find_keyword("unlink")->builtin, BuiltinId::do_remove);
    for (const char *name : {"GS_8_L_68", "GS_8_L_113", "GS_LP_L_68", "GS_LP_L_113"}) {
        EXPECT_EQ(find_keyword(name)->builtin, BuiltinId::do_GS_8_L_68) << name;
    }
    std::set<BuiltinId> distinct;
    for (const Keyword &k : keyword_table()) {
        if (k.token == Token::LEX_BUILTIN || k.token == Token::LEX_LENGTH) distinct.insert(k.builtin);
    }
    EXPECT_EQ(distinct.size(), static_cast<size_t>(BUILTIN_COUNT));
}

TEST(KeywordTable, OnlyTheParenthesisFreeBuiltinsAreLexLength) {
    std::set<std::string> lengths;
    for (const Keyword &k : keyword_table()) {
        if (k.token == Token::LEX_LENGTH) lengths.insert(std::string(k.name));
    }
    EXPECT_EQ(lengths, (std::set<std::string>{"getn", "gets", "jlength", "kbhit", "length", "locate",
                                              "lognow", "pause", "ready"}));
}

}  // namespace
