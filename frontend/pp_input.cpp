// Characters and tokens: the push-back area first, then the current file.
#include <cctype>

#include "core/chars.h"
#include "frontend/pp_internal.h"

namespace pp {

bool is_ident_start(int c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool is_ident_char(int c) { return is_ident_start(c) || (c >= '0' && c <= '9'); }
// '\r' counts as a blank so that scripts saved with CR LF line ends behave.
bool is_blank(int c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

int Preprocessor::get_raw() {
    if (aborted) return EOF;
    Src src;
    int c;
    if (pb_pos < kAreaSize) {
        c = static_cast<unsigned char>(area[pb_pos++]);
        src = Src::Area;
    } else {
        if (files.empty()) return EOF;
        InputFile &f = files.back();
        if (f.pos >= f.data.size()) return EOF;
        c = static_cast<unsigned char>(f.data[f.pos++]);
        if (c == '\n') ++f.line;
        src = Src::File;
    }
    src_ring[src_top++ % src_ring.size()] = src;
    if (src_count < src_ring.size()) ++src_count;
    return c;
}

// Puts back the character read last (and, called again, the one before it):
// a file character goes back into the file so that its newline is not
// counted twice.
void Preprocessor::unget_raw(int c) {
    if (c == EOF || aborted) return;
    if (src_count == 0) {
        internal_error("unget");
        return;
    }
    --src_count;
    Src src = src_ring[--src_top % src_ring.size()];
    if (src == Src::File) {
        InputFile &f = files.back();
        --f.pos;
        if (c == '\n') --f.line;
    } else {
        push_byte(c);
    }
}

int Preprocessor::get_char() {
    for (;;) {
        int c = get_raw();
        if (c != '\\' || !in_directive) return c;
        int d = get_raw();
        if (d == '\n') continue;
        if (d == '\r') {  // backslash, CR, LF joins as well
            int e = get_raw();
            if (e == '\n') continue;
            unget_raw(e);
        }
        unget_raw(d);
        return c;
    }
}

void Preprocessor::push_byte(int c) {
    if (aborted) return;
    if (pb_pos <= tok_len) {
        stop("too big macro");
        return;
    }
    area[--pb_pos] = static_cast<char>(c);
}

void Preprocessor::push_text(std::string_view text) {
    for (size_t i = text.size(); i-- > 0 && !aborted;) push_byte(static_cast<unsigned char>(text[i]));
}

namespace {

// Appends to the token text; the area is full when it meets pushed-back input.
bool put(Preprocessor &p, int c) {
    if (p.tok_len >= p.pb_pos) {
        p.stop("too big macro");
        return false;
    }
    p.area[p.tok_len++] = static_cast<char>(c);
    return true;
}

void read_word(Preprocessor &p) {
    int c;
    while (is_ident_char(c = p.get_char()))
        if (!put(p, c)) return;
    p.unget_raw(c);
}

// The body of a literal after its opening quote: up to the matching quote; a
// newline (or the end of a macro's text) ends it early without a message.
void read_literal(Preprocessor &p, int quote) {
    for (;;) {
        int c = p.get_char();
        if (c == EOF) {
            if (!p.skipping) p.stop("unexpected EOF");
            return;
        }
        if (c == '\n' || c == kMarker) {
            p.unget_raw(c);
            return;
        }
        if (!put(p, c) || c == quote) return;
        if (c == '\\' || sjis_lead(static_cast<unsigned char>(c))) {
            int d = p.get_char();
            if (d == EOF && c == '\\' && !p.skipping) {
                p.stop("unexpected EOF");
                return;
            }
            if (d == EOF || d == kMarker || (d == '\n' && c != '\\')) {
                p.unget_raw(d);
                continue;
            }
            if (!put(p, d)) return;
        }
    }
}

void skip_block_comment(Preprocessor &p) {
    Place start = p.here();
    int prev = 0;
    for (;;) {
        int c = p.get_char();
        if (c == EOF) {
            p.stop_at(start, "missing */");
            return;
        }
        if (c == kMarker) p.end_expansion();
        if (prev == '*' && c == '/') return;
        prev = c;
    }
}

void skip_line_comment(Preprocessor &p) {
    for (;;) {
        int c = p.get_char();
        if (c == EOF) return;
        if (c == '\n') {
            p.unget_raw(c);
            return;
        }
        if (c == kMarker) p.end_expansion();
    }
}

}  // namespace

Token Preprocessor::next_token() {
    for (;;) {
        tok_len = 0;
        int c = get_char();
        if (c == EOF) {
            if (in_directive && !skipping) stop("unexpected EOF");
            return {};
        }
        if (c == kMarker) {
            end_expansion();
            continue;
        }
        if (c == '/') {
            int d = get_char();
            if (d == '*' || d == '/') {
                if (d == '*')
                    skip_block_comment(*this);
                else
                    skip_line_comment(*this);
                put(*this, ' ');
                return {Tok::Blank, std::string_view(area.get(), tok_len)};
            }
            unget_raw(d);
        }
        Tok kind = Tok::Other;
        put(*this, c);
        if (c == '\n') {
            kind = Tok::Newline;
        } else if (is_blank(c)) {
            kind = Tok::Blank;
        } else if (is_ident_start(c)) {
            kind = Tok::Ident;
            read_word(*this);
        } else if (c >= '0' && c <= '9') {
            kind = Tok::Number;
            read_word(*this);
        } else if (c == '"' || c == '\'') {
            kind = c == '"' ? Tok::String : Tok::Char;
            read_literal(*this, c);
        }
        return {kind, std::string_view(area.get(), tok_len)};
    }
}

Token Preprocessor::next_nonblank() {
    Token t;
    do t = next_token();
    while (t.kind == Tok::Blank);
    return t;
}

// A token read ahead goes back as text; a newline in it was already counted
// when it was first read, and is not counted again from the area.
void Preprocessor::unget_token(const Token &t) {
    if (t.kind == Tok::Eof) return;
    std::string copy(t.text);
    push_text(copy);
}

void Preprocessor::skip_line() {
    for (;;) {
        Token t = next_token();
        if (t.kind == Tok::Newline || t.kind == Tok::Eof) return;
    }
}

}  // namespace pp
