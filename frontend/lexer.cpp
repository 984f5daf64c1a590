// Lexer for the script language. One line of input sits in `lex.line`
// (including its newline); `lex.pos` is the read position in it. A NUL inside
// the line, or the end of a last line without newline, reads as the end of
// the buffered text.
#include "frontend/lexer.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "base/diag.h"
#include "core/chars.h"
#include "frontend/keywords.h"
#include "frontend/parser.h"

int line_number = 0;
std::string input_file_name;
int want_regexp = 0;
int want_assign = 0;

namespace {

struct LexState {
    FILE *input = nullptr;
    std::string line;  // current line with its newline, if it had one
    size_t pos = 0;
    size_t token_start = 0;
    bool at_end = false;
    bool curly_pending = false;
};

LexState lex;

constexpr size_t LINE_CHUNK = 256;

int tok(Token t) { return token_code(t); }

// The byte at `pos`, or NUL past the end of the line.
char peek(size_t at) { return at < lex.line.size() ? lex.line[at] : '\0'; }
char cur() { return peek(lex.pos); }

bool is_trail_byte(unsigned char c) { return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC); }
// A lead byte and a following trail byte form one double-byte character.
// Requiring a real trail byte keeps a quote, slash or line end after a lone
// lead byte (the last byte of some UTF-8 characters) from being swallowed.
bool is_double_byte(size_t at) {
    return sjis_lead(static_cast<unsigned char>(peek(at))) && is_trail_byte(static_cast<unsigned char>(peek(at + 1)));
}

bool is_word_char(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// Reads the next line into the buffer. False at end of input, after which
// the buffer is released for good.
bool read_line() {
    lex.line.clear();
    lex.pos = 0;
    lex.token_start = 0;
    if (lex.at_end || !lex.input) return false;
    int c;
    while ((c = std::getc(lex.input)) != EOF) {
        lex.line.push_back(static_cast<char>(c));
        if (c == '\n') break;
    }
    if (lex.line.empty()) {
        lex.at_end = true;
        std::string().swap(lex.line);
        return false;
    }
    // A script saved with CR LF line ends reads like one with LF alone.
    size_t n = lex.line.size();
    if (n >= 2 && lex.line[n - 1] == '\n' && lex.line[n - 2] == '\r') lex.line.erase(n - 2, 1);
    return true;
}

// Token texts live as long as the program: the tree keeps some of them
// (parameter names, regexp sources), and a parse that stops at an error
// leaves no text behind unowned.
std::vector<std::unique_ptr<char[]>> token_texts;

char *copy_text(size_t from, size_t len) {
    char *text = new (std::nothrow) char[len + 1];
    if (!text) out_of_memory("yylex");
    token_texts.emplace_back(text);
    std::memcpy(text, lex.line.data() + from, len);
    text[len] = '\0';
    return text;
}

int number_token(int32_t value) {
    NODE *n = make_number(value);
    n->flags |= NODE_PERM;
    yylval.node = n;
    return tok(Token::YNUMBER);
}

int node_type_token(Token t, int32_t node_type) {
    yylval.node_type = node_type;
    return tok(t);
}

// Skips the rest of the line, leaving its newline to be read next.
void skip_to_newline() {
    while (cur() != '\0' && cur() != '\n') lex.pos++;
}

// ---- regular expressions ---------------------------------------------------

// regexp_text -> bytes up to the first '/' outside a bracket expression
int scan_regexp() {
    lex.token_start = lex.pos;
    bool in_bracket = false;
    for (;;) {
        char c = cur();
        if (c == '\0') yyerror("unterminated regexp");
        if (c == '\n') {
            line_number++;
            yyerror("unterminated regexp");
        }
        if (is_double_byte(lex.pos)) {
            lex.pos += 2;
        } else if (c == '\\') {
            char next = peek(lex.pos + 1);
            if (next == '\0') yyerror("unterminated regexp ends with \\");
            if (next == '\n') {
                // The expression cannot go on: leave the line and let the
                // grammar meet whatever token comes next.
                lex.pos = lex.line.size();
                line_number++;
                return yylex();
            }
            lex.pos += 2;
        } else if (c == '/' && !in_bracket) {
            yylval.text = copy_text(lex.token_start, lex.pos - lex.token_start);
            return tok(Token::REGEXP);
        } else {
            if (c == '[') in_bracket = true;
            if (c == ']') in_bracket = false;
            lex.pos++;
        }
    }
}

// ---- numbers and words -------------------------------------------------------

// Digits in `base`, wrapping at 32 bits. Stops at the first non-digit.
int32_t digits_value(std::string_view digits, int base) {
    uint32_t v = 0;
    for (char c : digits) {
        int d = hex_digit_value(c);
        if (d < 0 || d >= base) break;
        v = v * static_cast<uint32_t>(base) + static_cast<uint32_t>(d);
    }
    return static_cast<int32_t>(v);
}

// The numeric forms: 0x1B, 27, 1Bh, 00011011b. False for a name.
bool classify_number(std::string_view w, int32_t *value) {
    if (w.size() >= 2 && w[0] == '0' && w[1] == 'x') {
        *value = digits_value(w.substr(2), 16);
        return true;
    }
    bool base2 = true, decimal = true;
    for (size_t i = 0; i < w.size(); i++) {
        char c = w[i];
        bool last = i + 1 == w.size();
        if (c == '0' || c == '1') continue;
        if (c >= '2' && c <= '9') {
            base2 = false;
        } else if ((c == 'B' || c == 'b') && last && base2 && i != 0) {
            *value = digits_value(w.substr(0, i), 2);
            return true;
        } else if ((c == 'H' || c == 'h') && last && i != 0) {
            *value = digits_value(w.substr(0, i), 16);
            return true;
        } else if (hex_digit_value(c) >= 0) {
            base2 = decimal = false;
        } else {
            return false;
        }
    }
    if (!decimal) return false;
    *value = digits_value(w, 10);
    return true;
}

// word -> keyword | constant | builtin | number | NAME | FUNC_CALL
int scan_word() {
    size_t start = lex.token_start;
    while (is_word_char(cur())) lex.pos++;
    std::string_view word(lex.line.data() + start, lex.pos - start);

    if (const Keyword *k = find_keyword(word)) {
        if (k->token == Token::YNUMBER) return number_token(k->value);
        if (k->token == Token::LEX_BUILTIN || k->token == Token::LEX_LENGTH) {
            yylval.builtin = k->builtin;
            return tok(k->token);
        }
        return node_type_token(k->token, k->node_type);
    }
    int32_t value;
    if (classify_number(word, &value)) return number_token(value);

    yylval.text = copy_text(start, word.size());
    if (cur() == '(') return tok(Token::FUNC_CALL);
    want_assign = 1;
    return tok(Token::NAME);
}

// ---- string and character literals --------------------------------------------

// string -> '"' bytes '"'; the opening quote is consumed.
int scan_string() {
    size_t start = lex.pos;
    bool escapes = false;
    for (;;) {
        char c = cur();
        if (c == '\0') return tok(Token::ERROR);
        if (c == '\n') yyerror("unterminated string");
        if (c == '"') break;
        if (c == '\\') {
            char next = peek(lex.pos + 1);
            if (next == '\n') yyerror("newline in string");
            if (next == '\0') return tok(Token::ERROR);
            escapes = true;
            lex.pos += 2;
        } else {
            lex.pos += is_double_byte(lex.pos) ? 2 : 1;
        }
    }
    NODE *n = make_str_node(lex.line.data() + start, lex.pos - start, escapes ? 1 : 0);
    n->flags |= NODE_PERM;
    lex.pos++;  // closing quote
    yylval.node = n;
    return tok(Token::YSTRING);
}

// The value of the escape after a backslash at `at`: of the octal forms only
// "\0", hex digits as many as follow, any other byte signed.
int32_t char_escape(size_t at) {
    if (at >= lex.line.size() || lex.line[at] == '0') return 0;
    std::string_view rest(lex.line);
    rest.remove_prefix(at);
    size_t i = 0;
    bool plain = false;
    uint32_t v = decode_escape(rest, i, EscapeRule{0, -1}, &plain);
    return plain ? static_cast<int8_t>(v) : static_cast<int32_t>(v);
}

// char -> '\'' bytes '\''; the opening quote is consumed. The value is that
// of the first character; '' is the quote itself.
int scan_char() {
    size_t start = lex.pos;
    for (;;) {
        char c = cur();
        if (c == '\0') return tok(Token::ERROR);
        if (c == '\n') yyerror("unterminated charactor");
        if (c == '\'') break;
        if (c == '\\') {
            char next = peek(lex.pos + 1);
            if (next == '\n') yyerror("newline in charactor");
            if (next == '\0') return tok(Token::ERROR);
            lex.pos += 2;
        } else {
            lex.pos++;
        }
    }
    int32_t value = peek(start) == '\\' ? char_escape(start + 1) : static_cast<int8_t>(peek(start));
    lex.pos++;  // closing quote
    return number_token(value);
}

// ---- comments and line markers ---------------------------------------------------

constexpr long kMaxMarkerLine = 1000000000;

// "# N "name"" written by the preprocessor sets the line and file for the
// lines that follow; any other '#' text is a plain comment.
void read_line_marker() {
    size_t p = lex.pos;
    while (peek(p) == ' ' || peek(p) == '\t') p++;
    size_t digits = p;
    if (peek(p) == '-' || peek(p) == '+') p++;
    while (peek(p) >= '0' && peek(p) <= '9') p++;
    if (p == digits || !(peek(p - 1) >= '0' && peek(p - 1) <= '9')) return;
    std::string number(lex.line, digits, p - digits);
    while (peek(p) == ' ' || peek(p) == '\t') p++;
    if (peek(p) != '"') return;
    // The name runs to the closing quote, so a path with blanks stays whole;
    // without a closing quote it ends at the first blank.
    size_t name = ++p;
    size_t close = lex.line.find('"', name);
    if (close != std::string::npos) {
        p = close;
    } else {
        while (peek(p) != '\0' && peek(p) != ' ' && peek(p) != '\t' && peek(p) != '\n') p++;
    }
    if (p == name) return;
    // Beyond the range the preprocessor writes, a number is taken as its
    // limit, so counting the lines after it cannot overflow.
    long n = std::strtol(number.c_str(), nullptr, 10);
    line_number = static_cast<int>(std::clamp(n, -kMaxMarkerLine, kMaxMarkerLine));
    input_file_name.assign(lex.line, name, p - name);
}

// After "&&" and "||": blanks, newlines and '#' comments up to the end of
// the buffered line, so the expression goes on on the next line.
void skip_after_logical() {
    for (;;) {
        char c = cur();
        if (c == ' ' || c == '\t') {
            lex.pos++;
        } else if (c == '\n') {
            lex.pos++;
            line_number++;
        } else if (c == '#') {
            skip_to_newline();
        } else {
            return;
        }
    }
}

// ---- operators ---------------------------------------------------------------------

enum OperatorFlags : uint8_t {
    CLEARS_ASSIGN = 1,    // the token ends any "/=" meaning divide-assign
    JOINS_NEXT_LINE = 2,  // blanks, a comment and a line break after it are skipped
};

struct Operator {
    std::string_view text;
    Token token;
    int32_t node_type;
    uint8_t flags;
};

constexpr Token single(char c) { return static_cast<Token>(c); }

// Longest first among those sharing a first character. '/', '}', '#' and
// '\' need more than a match and are handled in scan_special.
constexpr Operator operators[] = {
    {"!=", Token::RELOP, T_NOT_EQUAL, 0},        {"!~", Token::MATCHOP, T_NO_MATCH, 0},
    {"!", single('!'), 0, 0},                    {"%=", Token::ASSIGNOP, T_ASSIGN_MODULO, 0},
    {"%", single('%'), 0, 0},                    {"&=", Token::ASSIGNOP, T_ASSIGN_BIT_AND, 0},
    {"&&", Token::LEX_AND, T_AND, JOINS_NEXT_LINE}, {"&", single('&'), 0, 0},
    {"*=", Token::ASSIGNOP, T_ASSIGN_MULTIPLY, 0}, {"*", single('*'), 0, 0},
    {"+=", Token::ASSIGNOP, T_ASSIGN_ADD, 0},    {"++", Token::INCREMENT, 0, 0},
    {"+", single('+'), 0, 0},                    {"-=", Token::ASSIGNOP, T_ASSIGN_SUBTRACT, 0},
    {"--", Token::DECREMENT, 0, 0},              {"-", single('-'), 0, 0},
    {"<<=", Token::ASSIGNOP, T_ASSIGN_SHIFT_LEFT, 0}, {"<<", Token::SHIFT_LEFT, 0, 0},
    {"<=", Token::RELOP, T_LESS_EQUAL, 0},       {"<", single('<'), T_LESS, 0},
    {"==", Token::RELOP, T_EQUAL, 0},            {"=", Token::ASSIGNOP, T_ASSIGN, 0},
    {">>=", Token::ASSIGNOP, T_ASSIGN_SHIFT_RIGHT, 0}, {">>", Token::SHIFT_RIGHT, 0, 0},
    {">=", Token::RELOP, T_GREATER_EQUAL, 0},    {">", single('>'), T_GREATER, 0},
    {"@@", Token::LEX_DIRECT, T_DIRECT, 0},      {"@", Token::LEX_OUTPUT, T_OUTPUT, 0},
    {"^=", Token::ASSIGNOP, T_ASSIGN_BIT_XOR, 0}, {"^", single('^'), 0, 0},
    {"|=", Token::ASSIGNOP, T_ASSIGN_BIT_OR, 0}, {"||", Token::LEX_OR, T_OR, JOINS_NEXT_LINE},
    {"|", single('|'), 0, 0},                    {"~", Token::MATCHOP, T_MATCH, CLEARS_ASSIGN},
    {"$", single('$'), 0, 0},                    {"(", single('('), 0, 0},
    {")", single(')'), 0, 0},                    {",", single(','), 0, 0},
    {":", single(':'), 0, 0},                    {"?", single('?'), 0, 0},
    {"[", single('['), 0, 0},                    {"]", single(']'), 0, 0},
    {";", single(';'), 0, CLEARS_ASSIGN},        {"{", single('{'), 0, CLEARS_ASSIGN},
};

[[noreturn]] void invalid_char(char c) {
    if (is_double_byte(lex.pos - 1)) yyerror("Invalid char '%c%c' in expression\n", c, cur());
    yyerror("Invalid char '%c' in expression\n", c);
}

// '/', '}', '#' and '\\' (already consumed as `c`); -1 when the character
// produced no token, -2 when it is none of these.
int scan_special(char c) {
    switch (c) {
        case '/':
            if (want_assign && cur() == '=') {
                lex.pos++;
                return node_type_token(Token::ASSIGNOP, T_ASSIGN_DIVIDE);
            }
            if (cur() != '/') return node_type_token(single('/'), 0);
            skip_to_newline();  // a "//" comment
            return -1;
        case '}':
            want_assign = 0;
            lex.curly_pending = true;
            return node_type_token(Token::NEWLINE, 0);
        case '#':
            want_assign = 0;
            read_line_marker();
            skip_to_newline();
            return -1;
        case '\\':
            if (cur() != '\n') invalid_char(c);
            lex.pos++;  // a continuation line
            line_number++;
            return -1;
        default:
            return -2;
    }
}

// The operator or punctuation token starting with `c` (already consumed);
// -1 when the character produced no token.
int scan_operator(char c) {
    int special = scan_special(c);
    if (special != -2) return special;
    std::string_view rest(lex.line.data() + lex.pos - 1, lex.line.size() - lex.pos + 1);
    for (const Operator &op : operators) {
        if (!rest.starts_with(op.text)) continue;
        lex.pos += op.text.size() - 1;
        if (op.flags & CLEARS_ASSIGN) want_assign = 0;
        if (op.flags & JOINS_NEXT_LINE) skip_after_logical();
        return node_type_token(op.token, op.node_type);
    }
    invalid_char(c);
}

}  // namespace

void lexer_open(FILE *input, const char *name) {
    lex = LexState{};
    lex.input = input;
    lex.line.reserve(LINE_CHUNK);
    input_file_name = name ? name : "";
    line_number = 1;
    want_regexp = 0;
    want_assign = 0;
}

LexerPosition lexer_position() {
    std::string_view line = lex.line;
    if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
    return {line, lex.token_start, lex.at_end};
}

int yylex() {
    if (want_regexp) {
        want_regexp = 0;
        return scan_regexp();
    }
    if (lex.curly_pending) {
        lex.curly_pending = false;
        return node_type_token(static_cast<Token>('}'), 0);
    }
    for (;;) {
        if (lex.pos >= lex.line.size() && !read_line()) {
            yylval.node = nullptr;
            return tok(Token::END_OF_INPUT);
        }
        bool blanks = false;
        while (cur() == ' ' || cur() == '\t' || cur() == '.') {
            lex.pos++;
            blanks = true;
        }
        lex.token_start = lex.pos;
        if (lex.pos >= lex.line.size()) continue;  // a last line ending in blanks
        char c = lex.line[lex.pos++];
        if (c == '\0') {
            yylval.node = nullptr;
            return tok(Token::END_OF_INPUT);
        }
        if (c == '\n') {
            if (blanks) want_assign = 0;
            line_number++;
            return node_type_token(Token::NEWLINE, 0);
        }
        if (c == '"') return scan_string();
        if (c == '\'') return scan_char();
        if (is_word_char(c)) return scan_word();
        int t = scan_operator(c);
        if (t >= 0) return t;
    }
}
