// The macro table, #define / #undef, expansion and the builtin macros.
#include <cstdio>

#include "frontend/pp_internal.h"

namespace pp {

namespace {

unsigned bucket_of(std::string_view name) {
    uint32_t h = 0;
    for (unsigned char c : name) h = h * 257 + c;
    return h & (kHashBuckets - 1);
}
static_assert((kHashBuckets & (kHashBuckets - 1)) == 0, "bucket index takes the low bits");

std::string trimmed(const std::string &s) {
    size_t b = 0, e = s.size();
    while (b < e && is_blank(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && is_blank(static_cast<unsigned char>(s[e - 1]))) --e;
    return s.substr(b, e - b);
}

void trim_tail(std::string &s) {
    while (!s.empty() && is_blank(static_cast<unsigned char>(s.back()))) s.pop_back();
}

int param_index(const std::vector<std::string> &params, std::string_view name) {
    for (size_t i = 0; i < params.size(); ++i)
        if (params[i] == name) return static_cast<int>(i);
    return -1;
}

void put_param(std::string &body, int index) {
    body += static_cast<char>(kMarker);
    body += static_cast<char>('0' + index);
}

// "(a, b)" after the macro name, the '(' already read; "()" gives none.
bool read_params(Preprocessor &p, std::vector<std::string> &params) {
    Token t = p.next_nonblank();
    if (t.is(')')) return true;
    for (;;) {
        if (t.kind != Tok::Ident || params.size() >= kMaxArgs) {
            p.unget_token(t);
            return false;
        }
        params.emplace_back(t.text);
        t = p.next_nonblank();
        if (t.is(')')) return true;
        if (!t.is(',')) {
            p.unget_token(t);
            return false;
        }
        t = p.next_nonblank();
    }
}

// '#' read inside a body: "##" pastes its neighbours, '#' quotes the next token.
Token body_hash(Preprocessor &p, const std::vector<std::string> &params, std::string &body) {
    int c = p.get_char();
    if (c == '#') {
        trim_tail(body);
        return p.next_nonblank();
    }
    p.unget_raw(c);
    Token t = p.next_nonblank();
    if (t.kind == Tok::Newline || t.kind == Tok::Eof) {
        body += '#';
        return t;
    }
    body += '"';
    int index = t.kind == Tok::Ident ? param_index(params, t.text) : -1;
    if (index >= 0)
        put_param(body, index);
    else
        body += t.text;
    body += '"';
    return p.next_token();
}

// The rest of the #define line, leading and trailing blanks removed.
bool read_body(Preprocessor &p, const std::vector<std::string> &params, std::string &body) {
    Token t = p.next_nonblank();
    while (t.kind != Tok::Newline && t.kind != Tok::Eof) {
        if (t.is('#')) {
            t = body_hash(p, params, body);
            continue;
        }
        int index = t.kind == Tok::Ident ? param_index(params, t.text) : -1;
        if (index >= 0)
            put_param(body, index);
        else
            body += t.text;
        t = p.next_token();
    }
    trim_tail(body);
    return t.kind == Tok::Newline;
}

// From '(' to the matching ')': arguments split at top-level commas, blanks
// around each removed, newlines turned into blanks.
bool collect_args(Preprocessor &p, const std::string &name, std::vector<std::string> &args) {
    std::string cur;
    int depth = 0;
    for (;;) {
        Token t = p.next_token();
        if (t.kind == Tok::Eof) {
            p.stop("%s: missing ')'", name.c_str());
            return false;
        }
        if (t.kind == Tok::Newline) {
            if (p.in_directive) {  // a directive line ends the call
                p.report("%s: missing ')'", name.c_str());
                p.unget_token(t);
                return false;
            }
            cur += ' ';
            continue;
        }
        if (t.is('(')) {
            ++depth;
        } else if (t.is(')') && depth-- == 0) {
            args.push_back(trimmed(cur));
            return true;
        } else if (t.is(',') && depth == 0) {
            args.push_back(trimmed(cur));
            cur.clear();
            if (args.size() >= kMaxArgs) {
                p.report("%s: missing ')'", name.c_str());
                return false;
            }
            continue;
        }
        cur += t.text;
    }
}

void begin_expansion(Preprocessor &p, Macro *m, const std::vector<std::string> &args) {
    if (p.expansions.size() >= kMaxExpansions) {
        p.stop("macro too nested");
        return;
    }
    std::string text;
    const std::string &body = m->body;
    for (size_t i = 0; i < body.size(); ++i) {
        if (static_cast<unsigned char>(body[i]) == kMarker && i + 1 < body.size()) {
            size_t index = static_cast<unsigned char>(body[++i]) - '0';
            if (index < args.size()) text += args[index];
        } else {
            text += body[i];
        }
    }
    p.push_byte(kMarker);
    p.push_text(text);
    m->flags |= kBusy;
    p.expansions.push_back(m);
}

void push_quoted(Preprocessor &p, const std::string &text) { p.push_text("\"" + text + "\""); }

void builtin_file(Preprocessor &p) { push_quoted(p, p.here().path); }
void builtin_line(Preprocessor &p) { p.push_text(std::to_string(p.here().line)); }

void builtin_time(Preprocessor &p) {
    char text[64];
    const std::tm &t = p.start_time;
    std::snprintf(text, sizeof text, "\"%02d:%02d:%02d\"", t.tm_hour, t.tm_min, t.tm_sec);
    p.push_text(text);
}

constexpr const char *kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
static_assert(std::size(kMonths) == 12);

void builtin_date(Preprocessor &p) {
    char text[64];
    const std::tm &t = p.start_time;
    int month = t.tm_mon >= 0 && t.tm_mon < 12 ? t.tm_mon : 0;
    std::snprintf(text, sizeof text, "\"%s %02d %04d\"", kMonths[month], t.tm_mday, t.tm_year + 1900);
    p.push_text(text);
}

struct BuiltinMacro {
    const char *name;
    BuiltinMacroFn fn;
};
constexpr BuiltinMacro kBuiltins[] = {
    {"__FILE__", builtin_file}, {"__LINE__", builtin_line}, {"__TIME__", builtin_time},
    {"__DATE__", builtin_date}, {"__eval__", builtin_eval},
};
static_assert(std::size(kBuiltins) == 5);

}  // namespace

Macro *Preprocessor::find_macro(std::string_view name) {
    for (Macro *m = buckets[bucket_of(name)]; m; m = m->next)
        if (m->name == name) return m;
    return nullptr;
}

Macro *Preprocessor::enter_macro(std::string_view name) {
    if (Macro *m = find_macro(name)) return m;
    auto m = std::make_unique<Macro>();
    m->name = name;
    Macro *&head = buckets[bucket_of(name)];
    m->next = head;
    head = m.get();
    macro_store.push_back(std::move(m));
    return head;
}

void Preprocessor::define_builtins() {
    for (const BuiltinMacro &b : kBuiltins) {
        Macro *m = enter_macro(b.name);
        m->builtin = b.fn;
        m->flags = kDefined | kBuiltin;
    }
}

// Replaces a macro use by its text in the input. False when the name stays
// as it is; for a function-like macro without '(' *blank_after tells whether
// blanks stood between the name and the token that follows.
bool Preprocessor::try_expand(const std::string &name, bool *blank_after) {
    Macro *m = find_macro(name);
    if (!m || (m->flags & (kDefined | kBusy)) != kDefined) return false;
    if (m->flags & kBuiltin) {
        m->builtin(*this);
        return true;
    }
    std::vector<std::string> args;
    if (m->nparams >= 0) {
        bool blanks = false;
        Token t = next_token();
        for (; t.kind == Tok::Blank; t = next_token()) blanks = true;
        if (!t.is('(')) {
            unget_token(t);
            if (blank_after) *blank_after = blanks;
            return false;
        }
        if (!collect_args(*this, name, args)) return aborted;
        if (m->nparams == 0 && args.size() == 1 && args[0].empty()) args.clear();
        if (args.size() != static_cast<size_t>(m->nparams) && !(args.empty() && m->nparams == 1))
            report("%s: conflicting # of parameters", name.c_str());
    }
    begin_expansion(*this, m, args);
    return true;
}

void Preprocessor::end_expansion() {
    if (expansions.empty()) {
        internal_error("expansion stack");
        return;
    }
    expansions.back()->flags &= ~kBusy;
    expansions.pop_back();
}

void directive_define(Preprocessor &p) {
    Token t = p.next_nonblank();
    if (t.kind != Tok::Ident) {
        p.report("#define: missing macro name");
        p.unget_token(t);
        p.skip_line();
        return;
    }
    std::string name(t.text);
    std::vector<std::string> params;
    int nparams = -1;
    int c = p.get_char();
    if (c == '(') {
        if (!read_params(p, params)) {
            p.report("#define: bad macro parameter");
            p.skip_line();
            return;
        }
        nparams = static_cast<int>(params.size());
    } else {
        p.unget_raw(c);
    }
    std::string body;
    if (!read_body(p, params, body)) return;
    Macro *m = p.find_macro(name);
    if (m && (m->flags & kDefined) && ((m->flags & kBuiltin) || m->body != body))
        p.warn("Warning: macro '%s' redefined", name.c_str());
    m = p.enter_macro(name);
    m->body = std::move(body);
    m->nparams = nparams;
    m->builtin = nullptr;
    m->flags = kDefined | (m->flags & kBusy);
}

void directive_undef(Preprocessor &p) {
    Token t = p.next_nonblank();
    if (t.kind != Tok::Ident) {
        p.report("#undef: missing macro name");
    } else if (Macro *m = p.find_macro(t.text)) {
        m->flags &= ~kDefined;
    }
    if (t.kind != Tok::Newline) p.skip_line();
}

}  // namespace pp
