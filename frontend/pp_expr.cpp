// The expression evaluator of #if, #elif and __eval__: 32-bit signed integers
// with wrap-around; division or remainder by zero gives 0 (both arms of ?:
// and both operands of && and || are always evaluated, so a guarded division
// must not be an error).
#include <climits>
#include <cstring>
#include <iterator>

#include "core/chars.h"
#include "frontend/pp_internal.h"

namespace pp {

namespace {

using Fn = int32_t (*)(int32_t, int32_t);

int32_t wrap(uint32_t v) { return static_cast<int32_t>(v); }
uint32_t u(int32_t v) { return static_cast<uint32_t>(v); }

struct BinaryOp {
    const char *text;
    int level;  // 1 loosest (||) .. 10 tightest (* / %)
    Fn apply;
};

constexpr int kTightest = 10;
constexpr BinaryOp kBinaryOps[] = {
    {"||", 1, [](int32_t a, int32_t b) -> int32_t { return a || b; }},
    {"&&", 2, [](int32_t a, int32_t b) -> int32_t { return a && b; }},
    {"|", 3, [](int32_t a, int32_t b) -> int32_t { return a | b; }},
    {"^", 4, [](int32_t a, int32_t b) -> int32_t { return a ^ b; }},
    {"&", 5, [](int32_t a, int32_t b) -> int32_t { return a & b; }},
    {"==", 6, [](int32_t a, int32_t b) -> int32_t { return a == b; }},
    {"!=", 6, [](int32_t a, int32_t b) -> int32_t { return a != b; }},
    {"<", 7, [](int32_t a, int32_t b) -> int32_t { return a < b; }},
    {">", 7, [](int32_t a, int32_t b) -> int32_t { return a > b; }},
    {"<=", 7, [](int32_t a, int32_t b) -> int32_t { return a <= b; }},
    {">=", 7, [](int32_t a, int32_t b) -> int32_t { return a >= b; }},
    {"<<", 8, [](int32_t a, int32_t b) { return wrap(u(a) << (b & 31)); }},
    {">>", 8, [](int32_t a, int32_t b) { return a >> (b & 31); }},
    {"+", 9, [](int32_t a, int32_t b) { return wrap(u(a) + u(b)); }},
    {"-", 9, [](int32_t a, int32_t b) { return wrap(u(a) - u(b)); }},
    {"*", 10, [](int32_t a, int32_t b) { return wrap(u(a) * u(b)); }},
    {"/", 10, [](int32_t a, int32_t b) -> int32_t { return b == 0 ? 0 : b == -1 ? wrap(0u - u(a)) : a / b; }},
    {"%", 10, [](int32_t a, int32_t b) -> int32_t { return b == 0 || b == -1 ? 0 : a % b; }},
};
static_assert(std::size(kBinaryOps) == 18);

// A digit's value, or 99 so that `digit_value(c) < base` ends a number.
int digit_value(char c) {
    int d = hex_digit_value(c);
    return d < 0 ? 99 : d;
}

// Decimal, octal with a leading 0, hex after 0x / 0X; u, U, l, L suffixes
// ignored. Anything else after the digits sets *bad (the value so far stands).
int32_t number_value(const std::string &text, bool *bad) {
    size_t i = 0;
    int base = 10;
    if (text.size() > 1 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        i = 2;
    } else if (text[0] == '0') {
        base = 8;
    }
    uint32_t v = 0;
    for (; i < text.size() && digit_value(text[i]) < base; ++i) v = v * base + digit_value(text[i]);
    while (i < text.size() && std::strchr("uUlL", text[i])) ++i;
    *bad = i < text.size();
    return wrap(v);
}

// One escape after the backslash at text[i]; returns its value, moves i past it.
uint32_t escape_value(const std::string &text, size_t &i) { return decode_escape(text, i, EscapeRule{3, 3}); }

// 'AB' is 0x41 << 8 | 0x42: every character or escape shifts in 8 bits.
int32_t char_value(const std::string &text) {
    uint32_t v = 0;
    size_t i = 1;
    while (i < text.size() && text[i] != '\'') {
        int c = static_cast<unsigned char>(text[i++]);
        if (c == '\\' && i < text.size()) {
            v = (v << 8) + escape_value(text, i);
            continue;
        }
        if (sjis_lead(static_cast<unsigned char>(c)) && i < text.size()) v = (v << 8) + c, c = static_cast<unsigned char>(text[i++]);
        v = (v << 8) + c;
    }
    return wrap(v);
}

enum class Mode { Condition, Builtin };

struct Evaluator {
    Preprocessor &p;
    Mode mode;
    Tok kind = Tok::Eof;
    std::string text;
    bool failed = false;

    bool at(const char *op) const { return kind == Tok::Other && text == op; }

    void take(const Token &t) {
        kind = t.kind;
        text = t.text;
    }

    // Next token with blanks skipped, macros expanded (except after 'defined')
    // and two-character operators put together.
    void advance() {
        for (;;) {
            Token t = p.next_nonblank();
            if (t.kind == Tok::Ident && t.text != "defined") {
                std::string name(t.text);
                if (p.try_expand(name, nullptr)) continue;
                kind = Tok::Ident;
                text = std::move(name);
                return;
            }
            take(t);
            if (kind == Tok::Other && std::strchr("=!<>&|", text[0])) {
                int c = p.get_char();
                std::string two = text + static_cast<char>(c);
                if (two == "==" || two == "!=" || two == "<=" || two == ">=" || two == "<<" || two == ">>" ||
                    two == "&&" || two == "||")
                    text = two;
                else
                    p.unget_raw(c);
            }
            return;
        }
    }

    int32_t syntax_error() {
        if (!failed) {
            failed = true;
            p.report("#if/#elif: syntax error near %s", kind == Tok::Newline ? "" : text.c_str());
        }
        return 0;
    }

    void expect(const char *op) {
        if (failed) return;
        if (at(op))
            advance();
        else
            syntax_error();
    }

    // expr -> binary(1) { '?' expr ':' binary(1) }   (left to right)
    int32_t expr() {
        int32_t v = binary(1);
        while (!failed && at("?")) {
            advance();
            int32_t a = expr();
            expect(":");
            int32_t b = binary(1);
            v = v ? a : b;
        }
        return v;
    }

    const BinaryOp *binary_op(int level) const {
        if (kind != Tok::Other) return nullptr;
        for (const BinaryOp &op : kBinaryOps)
            if (op.level == level && text == op.text) return &op;
        return nullptr;
    }

    // binary(n) -> binary(n+1) { op(n) binary(n+1) }
    int32_t binary(int level) {
        if (level > kTightest) return unary();
        int32_t v = binary(level + 1);
        while (!failed) {
            const BinaryOp *op = binary_op(level);
            if (!op) break;
            advance();
            int32_t r = binary(level + 1);
            v = op->apply(v, r);
        }
        return v;
    }

    // unary -> ('-' | '+' | '~' | '!') unary | primary
    // Nesting (unary operators, parentheses, __eval__ inside __eval__) is
    // bounded so that a hostile line cannot exhaust the stack.
    int32_t unary() {
        if (failed) return 0;
        if (p.expr_depth >= kMaxExprDepth) return syntax_error();
        ++p.expr_depth;
        int32_t v = unary_body();
        --p.expr_depth;
        return v;
    }

    int32_t unary_body() {
        if (kind == Tok::Other && text.size() == 1 && std::strchr("-+~!", text[0])) {
            char op = text[0];
            advance();
            int32_t v = unary();
            switch (op) {
            case '-': return wrap(0u - u(v));
            case '~': return ~v;
            case '!': return !v;
            default: return v;
            }
        }
        return primary();
    }

    int32_t primary() {
        if (failed) return 0;
        int32_t v = 0;
        switch (kind) {
        case Tok::Number: {
            bool bad = false;
            v = number_value(text, &bad);
            if (bad) p.report("bad number '%s'", text.c_str());
            break;
        }
        case Tok::Char: v = char_value(text); break;
        case Tok::Ident:
            if (text == "defined") return defined();
            if (mode == Mode::Builtin) {
                Macro *m = p.find_macro(text);
                if (!m || !(m->flags & kDefined)) p.report("undefined macro: %s", text.c_str());
            }
            break;
        default:
            if (!at("(")) return syntax_error();
            advance();
            v = expr();
            expect(")");
            return v;
        }
        advance();
        return v;
    }

    // defined NAME | defined ( NAME ), NAME not expanded
    int32_t defined() {
        Token t = p.next_nonblank();
        bool paren = t.is('(');
        if (paren) t = p.next_nonblank();
        take(t);
        if (kind != Tok::Ident) return syntax_error();
        Macro *m = p.find_macro(text);
        int32_t v = m && (m->flags & kDefined);
        if (paren) {
            take(p.next_nonblank());
            if (!at(")")) return syntax_error();
        }
        advance();
        return v;
    }
};

}  // namespace

bool Preprocessor::eval_condition() {
    Evaluator ev{*this, Mode::Condition, Tok::Eof, {}, false};
    ev.advance();
    int32_t v = ev.expr();
    if (!ev.failed && ev.kind != Tok::Newline) ev.syntax_error();
    if (!ev.failed) return v != 0;
    if (ev.kind != Tok::Newline && ev.kind != Tok::Eof) skip_line();
    return false;
}

// __eval__(expression): replaced by the decimal value.
void builtin_eval(Preprocessor &p) {
    const char *name = "__eval__";
    Token t = p.next_nonblank();
    if (!t.is('(')) {
        p.report("%s: missing '('", name);
        p.unget_token(t);
        return;
    }
    if (p.expr_depth >= kMaxExprDepth) {
        p.stop("macro too nested");
        return;
    }
    ++p.expr_depth;
    Evaluator ev{p, Mode::Builtin, Tok::Eof, {}, false};
    ev.advance();
    int32_t v = ev.expr();
    --p.expr_depth;
    if (ev.failed) {
        // Drop the rest of the call: through its ')' or up to the line's end.
        for (int depth = 0; ev.kind != Tok::Eof && ev.kind != Tok::Newline; ev.take(p.next_nonblank())) {
            if (ev.at("(")) ++depth;
            if (ev.at(")") && depth-- == 0) break;
        }
        v = 0;
    } else if (!ev.at(")")) {
        p.report("%s: missing ')'", name);
    }
    if (!ev.at(")") && ev.kind != Tok::Eof) {  // the token read stays
        p.push_text(ev.text);
        if (ev.kind != Tok::Newline) p.push_byte(' ');
    }
    p.push_text(std::to_string(v));
}

}  // namespace pp
