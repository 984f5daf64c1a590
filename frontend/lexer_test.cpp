#include "frontend/lexer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frontend/frontend_test_util.h"
#include "frontend/keywords.h"

namespace {

// Every token of `text` as "CODE" or "CODE:value"; a '/' followed by the
// caller's wish for a regexp (the parser's part) sets want_regexp.
std::vector<std::string> lex_all(const std::string &text, bool regexp_after_slash = false) {
    ScriptInput in(text);
    std::vector<std::string> out;
    bool in_regexp = false;
    for (int t; (t = yylex()) != 0;) {
        std::string s;
        if (t < 256) {
            s = std::string(1, static_cast<char>(t));
        } else {
            s = std::to_string(t);
        }
        switch (static_cast<Token>(t)) {
            case Token::NAME: case Token::FUNC_CALL: case Token::REGEXP:
                s.append(":").append(yylval.text);
                break;
            case Token::YNUMBER:
                s.append(":").append(std::to_string(yylval.node->number));
                break;
            case Token::YSTRING:
                s.append(":").append(yylval.node->string, yylval.node->length);
                break;
            case Token::RELOP: case Token::ASSIGNOP: case Token::MATCHOP:
                s.append(":").append(std::to_string(yylval.node_type));
                break;
            default:
                break;
        }
        if (t == '/' && regexp_after_slash) {
            in_regexp = !in_regexp;
            if (in_regexp) want_regexp = 1;
        }
        out.push_back(s);
    }
    return out;
}

std::string num(int32_t v) { return "261:" + std::to_string(v); }
std::string name(const char *n) { return "258:" + std::string(n); }
const std::string NL = "266";

TEST(Lexer, NumberForms) {
    struct Case { const char *word; std::string token; };
    const Case cases[] = {
        {"0x1B", num(27)}, {"1Bh", num(27)}, {"00011011b", num(27)}, {"27", num(27)},
        {"abh", num(171)}, {"each", num(3756)}, {"0FFh", num(255)}, {"12h", num(18)},
        {"Bh", num(11)}, {"101b", num(5)}, {"1b", num(1)}, {"0b", num(0)}, {"0x", num(0)},
        {"0x1G", num(1)}, {"4294967295", num(-1)}, {"2147483647", num(2147483647)},
        {"ESC", num(27)}, {"GS", num(29)}, {"LF", num(10)}, {"CLS", num(12)}, {"US", num(31)},
        {"9b", name("9b")}, {"1F", name("1F")}, {"h", name("h")}, {"b", name("b")},
        {"0X1F", name("0X1F")}, {"1_0", name("1_0")}, {"1hh", name("1hh")}, {"esc", name("esc")},
        {"2b", name("2b")}, {"g1", name("g1")}, {"END", name("END")},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(lex_all(c.word), std::vector<std::string>{c.token}) << c.word;
    }
}

TEST(Lexer, CharacterLiterals) {
    struct Case { const char *text; int32_t value; };
    const Case cases[] = {
        {"'A'", 65}, {"'AB'", 65}, {"'\\x1b'", 27}, {"'\\x1B2'", 0x1B2}, {"'\\x'", 0},
        {"'\xE9'", -23}, {"''", 39}, {"'\\''", 39}, {"'\\0'", 0}, {"'\\\\'", 92},
        {"'\\a'", 7}, {"'\\b'", 8}, {"'\\f'", 12}, {"'\\n'", 10}, {"'\\r'", 13}, {"'\\t'", 9},
        {"'\\v'", 11}, {"'\\q'", 'q'}, {"'\\\xFF'", -1},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(lex_all(c.text), std::vector<std::string>{num(c.value)}) << c.text;
    }
}

TEST(Lexer, StringLiterals) {
    EXPECT_EQ(lex_all("\"abc\""), std::vector<std::string>{"262:abc"});
    EXPECT_EQ(lex_all("\"a\\tb\""), std::vector<std::string>{"262:a\tb"});
    EXPECT_EQ(lex_all("\"x\\\"y\""), std::vector<std::string>{"262:x\"y"});
    // A double-byte character whose second byte is a backslash is no escape.
    EXPECT_EQ(lex_all("\"\x95\\\""), std::vector<std::string>{"262:\x95\\"});
    EXPECT_EQ(lex_all("\"\""), std::vector<std::string>{"262:"});
    // UTF-8 text whose last byte looks like a lead byte still ends at the quote.
    EXPECT_EQ(lex_all("\"\xD1\x81\" x"), (std::vector<std::string>{"262:\xD1\x81", name("x")}));
    // The end of the text before the closing quote is left to the grammar.
    EXPECT_EQ(lex_all("\"abc"), std::vector<std::string>{"260"});
    EXPECT_EQ(lex_all("'a"), std::vector<std::string>{"260"});
}

TEST(Lexer, LiteralNodesArePermanent) {
    ScriptInput in("\"s\" 5 ESC 'c'");
    for (int i = 0; i < 4; i++) {
        yylex();
        EXPECT_TRUE(yylval.node->flags & NODE_PERM) << i;
    }
}

TEST(Lexer, Operators) {
    struct Case { const char *text; std::vector<std::string> tokens; };
    const Case cases[] = {
        {"a /= 2", {name("a"), "264:22", num(2)}},
        {"4 /= 2", {num(4), "/", "264:20", num(2)}},
        {"a//b", {name("a")}},
        {"a / b", {name("a"), "/", name("b")}},
        {"x += 1", {name("x"), "264:24", num(1)}},
        {"<<= << <= < >>= >> >= >", {"264:29", "292", "263:37", "<", "264:30", "293", "263:38", ">"}},
        {"== = != !~ ! ~", {"263:33", "264:20", "263:34", "265:40", "!", "265:39"}},
        {"++ += + -- -= -", {"294", "264:24", "+", "295", "264:25", "-"}},
        {"*= * %= % ^= ^ |= | &= &", {"264:21", "*", "264:23", "%", "264:28", "^", "264:27", "|", "264:26", "&"}},
        {"@@ @", {"285", "283"}},
        {"$(),:;?[]{", {"$", "(", ")", ",", ":", ";", "?", "[", "]", "{"}},
        {"{ x = 1 }", {"{", name("x"), "264:20", num(1), NL, "}"}},
        {"1.5", {num(1), num(5)}},
        {"f(x) f (x)", {"257:f", "(", name("x"), ")", name("f"), "(", name("x"), ")"}},
        {"length substr(", {"297", "296", "("}},
        {"while whilex", {"273", name("whilex")}},
        {"a &&\n  b", {name("a"), "290", name("b")}},
        {"a || # note\n b", {name("a"), "291", name("b")}},
        {"a +\n b", {name("a"), "+", NL, name("b")}},
        {"a \\\n b", {name("a"), name("b")}},
        {"a\r\nb", {name("a"), NL, name("b")}},
        {"a # comment\nb", {name("a"), NL, name("b")}},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(lex_all(c.text), c.tokens) << c.text;
    }
}

TEST(Lexer, RegularExpressionAfterSlash) {
    EXPECT_EQ(lex_all("x ~ /=/", true), (std::vector<std::string>{name("x"), "265:39", "/", "259:=", "/"}));
    EXPECT_EQ(lex_all("/a[/]b\\/c/", true), (std::vector<std::string>{"/", "259:a[/]b\\/c", "/"}));
    EXPECT_EQ(lex_all("/\x81\x40/x", true), (std::vector<std::string>{"/", "259:\x81\x40", "/", name("x")}));
    EXPECT_EQ(lex_all("/\x81/x", true), (std::vector<std::string>{"/", "259:\x81", "/", name("x")}));
    // A backslash at the line's end gives up on the expression.
    EXPECT_EQ(lex_all("/ab\\\nc", true), (std::vector<std::string>{"/", name("c")}));
}

TEST(Lexer, LineMarkersSetFileAndLine) {
    ScriptInput in("a\n# 10 \"lib.inc\"\nb\n# comment 7\nc\n# 3 apples\nd\n# 1 \"my dir/x.vd\"\ne\n");
    struct Step { const char *token; int line; const char *file; };
    const Step steps[] = {
        {"a", 1, "t.vd"}, {"nl", 2, "t.vd"}, {"nl", 11, "lib.inc"}, {"b", 11, "lib.inc"},
        {"nl", 12, "lib.inc"}, {"nl", 13, "lib.inc"}, {"c", 13, "lib.inc"}, {"nl", 14, "lib.inc"},
        {"nl", 15, "lib.inc"}, {"d", 15, "lib.inc"}, {"nl", 16, "lib.inc"}, {"nl", 2, "my dir/x.vd"},
        {"e", 2, "my dir/x.vd"},
    };
    for (const Step &s : steps) {
        int t = yylex();
        if (std::string(s.token) == "nl") {
            EXPECT_EQ(t, token_code(Token::NEWLINE));
        } else {
            ASSERT_EQ(t, token_code(Token::NAME));
            EXPECT_STREQ(yylval.text, s.token);
        }
        EXPECT_EQ(line_number, s.line) << s.token;
        EXPECT_EQ(input_file_name, s.file) << s.token;
    }
}

TEST(Lexer, LineMarkersBeyondTheRangeAreClamped) {
    // Counting on from the number must never overflow.
    struct Case { const char *marker; int line; };
    const Case cases[] = {
        {"#2147483647\"x\"", 1000000001}, {"# 99999999999999999999 \"x\"", 1000000001},
        {"# -99999999999 \"x\"", -999999999}, {"# 4294967297 \"x\"", 1000000001},
    };
    for (const Case &c : cases) {
        ScriptInput in(std::string(c.marker) + "\n\n\nz\n");
        int t;
        while ((t = yylex()) == token_code(Token::NEWLINE)) {
        }
        ASSERT_EQ(t, token_code(Token::NAME)) << c.marker;
        EXPECT_EQ(line_number, c.line + 2) << c.marker;
        EXPECT_EQ(input_file_name, "x") << c.marker;
    }
}

TEST(Lexer, EndOfInputStaysEnded) {
    ScriptInput in("x");
    EXPECT_EQ(yylex(), token_code(Token::NAME));
    EXPECT_EQ(yylex(), 0);
    EXPECT_EQ(yylex(), 0);
    EXPECT_TRUE(lexer_position().at_end);
}

TEST(Lexer, LongLinesAreKeptWhole) {
    std::string word(5000, 'q');
    EXPECT_EQ(lex_all(word + " 1"), (std::vector<std::string>{name(word.c_str()), num(1)}));
}

// Lexical errors: the whole report on the error stream, status 1.
void expect_lex_error(const std::string &text, const std::string &report, bool regexp = false) {
    EXPECT_EXIT(
        {
            ScriptInput in(text);
            for (int t; (t = yylex()) != 0;) {
                if (t == '/' && regexp) want_regexp = 1;
            }
            std::exit(0);
        },
        testing::ExitedWithCode(1), testing::Eq(report))
        << text;
}

TEST(LexerErrors, ReportTheMessageUnderTheToken) {
    expect_lex_error("x = \"abc\n", "t.vd(1) : syntax error\nx = \"abc\n    ^ unterminated string\n");
    expect_lex_error("s = \"a\\\nb\"", "t.vd(1) : syntax error\ns = \"a\\\n    ^ newline in string\n");
    expect_lex_error("\tc = 'a\n", "t.vd(1) : syntax error\n\tc = 'a\n\t    ^ unterminated charactor\n");
    expect_lex_error("c = '\\\n'", "t.vd(1) : syntax error\nc = '\\\n    ^ newline in charactor\n");
    expect_lex_error("x ` y\n", "t.vd(1) : syntax error\nx ` y\n  ^ Invalid char '`' in expression\n\n");
    expect_lex_error("x \x81\x40\n", "t.vd(1) : syntax error\nx \x81\x40\n  ^ Invalid char '\x81\x40' in expression\n\n");
    expect_lex_error("x \\ y\n", "t.vd(1) : syntax error\nx \\ y\n  ^ Invalid char '\\' in expression\n\n");
}

TEST(LexerErrors, UnterminatedRegularExpressions) {
    // The newline that ends the expression is counted before the report.
    expect_lex_error("x ~ /ab\n", "t.vd(2) : syntax error\nx ~ /ab\n     ^ unterminated regexp\n", true);
    expect_lex_error("x ~ /ab", "t.vd(1) : syntax error\nx ~ /ab\n     ^ unterminated regexp\n", true);
    expect_lex_error("/ab\\", "t.vd(1) : syntax error\n/ab\\\n ^ unterminated regexp ends with \\\n", true);
}

}  // namespace
