// The main loop, directives, conditional groups, include search, output and
// diagnostics of the preprocessor.
#include "frontend/preprocessor.h"

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>

#include "frontend/pp_internal.h"

namespace pp {

namespace {

// #line numbers beyond this are taken as this, so that counting on cannot overflow.
constexpr long kMaxLineNumber = 1000000000;

void emit(std::FILE *to, const Place *at, const char *format, va_list ap) {
    if (at) std::fprintf(to, "%s %d: ", at->path.c_str(), at->line);
    std::vfprintf(to, format, ap);
    std::fputc('\n', to);
    std::fflush(to);
}

}  // namespace

Preprocessor::Preprocessor(const PreprocessOptions &opt)
    : area(new char[kAreaSize]), options(opt), messages(opt.messages ? opt.messages : stderr) {}

Preprocessor::~Preprocessor() = default;

Place Preprocessor::here() const {
    if (!files.empty()) return {files.back().path, files.back().line};
    return last_closed;
}

#define PP_EMIT(at)                    \
    do {                               \
        va_list ap;                    \
        va_start(ap, format);          \
        emit(messages, (at), format, ap);        \
        va_end(ap);                    \
    } while (0)

void Preprocessor::report(const char *format, ...) {
    if (aborted) return;
    status = 1;
    Place at = in_directive ? directive_place : here();
    PP_EMIT(files.empty() && !any_closed ? nullptr : &at);
}

void Preprocessor::report_at(const Place &at, const char *format, ...) {
    if (aborted) return;
    status = 1;
    PP_EMIT(&at);
}

void Preprocessor::warn(const char *format, ...) {
    if (aborted) return;
    if (status != 1) status = 2;
    Place at = in_directive ? directive_place : here();
    PP_EMIT(&at);
}

void Preprocessor::stop(const char *format, ...) {
    if (aborted) return;
    status = 1;
    Place at = in_directive ? directive_place : here();
    PP_EMIT(files.empty() && !any_closed ? nullptr : &at);
    aborted = true;
}

void Preprocessor::stop_at(const Place &at, const char *format, ...) {
    if (aborted) return;
    status = 1;
    PP_EMIT(&at);
    aborted = true;
}

#undef PP_EMIT

void Preprocessor::internal_error(const char *tag) {
    if (aborted) return;
    std::fprintf(messages, "cpp error (%s)\n", tag);
    status = 1;
    aborted = true;
}

// ---- output ------------------------------------------------------------

void Preprocessor::write(std::string_view text) {
    if (text.empty() || aborted) return;
    out_buf += text;
    out_lines += static_cast<int>(std::count(text.begin(), text.end(), '\n'));
    last_out = text.back();
    out_total += text.size();
    size_t newline = text.rfind('\n');
    out_line_bytes = newline == std::string_view::npos ? out_line_bytes + text.size() : text.size() - newline - 1;
    if (options.max_output_bytes && out_total > options.max_output_bytes)
        stop("output too big: more than %zu MB after macro expansion", options.max_output_bytes >> 20);
    else if (options.max_line_bytes && out_line_bytes > options.max_line_bytes)
        stop("line too long: more than %zu MB after macro expansion", options.max_line_bytes >> 20);
    if (out_buf.size() >= 1 << 16) {
        std::fwrite(out_buf.data(), 1, out_buf.size(), out);
        out_buf.clear();
    }
}

// Brings the output's line count in step with the current file's: blank
// lines when behind, a line marker when ahead or on entering or leaving a file.
void Preprocessor::sync_lines() {
    if (files.empty() || aborted) return;
    const InputFile &f = files.back();
    if (marker_due || out_lines > f.line) {
        if (last_out != '\n') write("\n");
        write("# " + std::to_string(f.line) + " \"" + f.path + "\"\n");
        out_lines = f.line;
        marker_due = false;
    } else if (out_lines < f.line) {
        write(std::string(f.line - out_lines, '\n'));
    }
}

namespace {

// ---- files -------------------------------------------------------------

// Reads the whole file as the new current file; false with errno set.
bool open_file(Preprocessor &p, const std::string &path) {
    std::FILE *fp = std::fopen(path.c_str(), "rb");
    if (!fp) return false;
    InputFile f;
    f.path = path;
    char buf[1 << 14];
    size_t n;
    while (f.data.size() <= kMaxFileBytes && (n = std::fread(buf, 1, sizeof buf, fp)) > 0) f.data.append(buf, n);
    int err = std::ferror(fp) ? errno : 0;
    std::fclose(fp);
    if (err) {
        errno = err;
        return false;
    }
    if (f.data.size() > kMaxFileBytes) {
        errno = EFBIG;
        return false;
    }
    std::erase(f.data, static_cast<char>(kMarker));
    p.files.push_back(std::move(f));
    p.src_count = 0;
    p.marker_due = true;
    p.at_line_start = true;
    return true;
}

// Closes the current file; false when it was the last one.
bool leave_file(Preprocessor &p) {
    InputFile &f = p.files.back();
    p.last_closed = {f.path, f.line};
    p.any_closed = true;
    p.files.pop_back();
    p.src_count = 0;
    if (p.files.empty()) return false;
    p.marker_due = true;
    p.at_line_start = false;  // the rest of the #include line follows
    p.pending_blanks.clear();
    p.sync_lines();
    return true;
}

void read_include_dirs(Preprocessor &p) {
    const char *env = std::getenv("VORDELINC");
    if (!env) return;
    std::string all(env);
    std::replace(all.begin(), all.end(), '\\', '/');
    size_t start = 0;
    while (start <= all.size() && p.include_dirs.size() < kMaxIncludeDirs) {
        size_t end = all.find(';', start);
        if (end == std::string::npos) end = all.size();
        if (end > start) p.include_dirs.push_back(all.substr(start, end - start));
        start = end + 1;
    }
}

std::string joined(const std::string &dir, const std::string &name) {
    return dir.empty() || dir.back() == '/' ? dir + name : dir + "/" + name;
}

// The current file's directory (for "name" only), each include directory,
// then the name alone. An absolute name is only tried as it is.
bool search_include(Preprocessor &p, const std::string &name, bool quoted) {
    std::vector<std::string> candidates;
    if (name.empty() || name[0] != '/') {
        if (quoted) {
            const std::string &cur = p.files.back().path;
            size_t slash = cur.rfind('/');
            candidates.push_back(slash == std::string::npos ? name : cur.substr(0, slash + 1) + name);
        }
        for (const std::string &dir : p.include_dirs) candidates.push_back(joined(dir, name));
    }
    candidates.push_back(name);
    for (const std::string &path : candidates)
        if (open_file(p, path)) return true;
    return false;
}

// ---- directives ----------------------------------------------------------

void finish_line(Preprocessor &p, const Token &t) {
    if (t.kind != Tok::Newline && t.kind != Tok::Eof) p.skip_line();
}

// The include operand after macro expansion: "name" or <name>.
bool include_name(Preprocessor &p, std::string &name, bool &quoted) {
    Token t = p.next_nonblank();
    while (t.kind == Tok::Ident) {
        std::string id(t.text);
        if (!p.try_expand(id, nullptr)) break;
        t = p.next_nonblank();
    }
    if (t.kind == Tok::String) {
        if (t.text.size() < 2 || t.text.back() != '"') {
            p.report("#include: missing \"");
            return false;
        }
        name = t.text.substr(1, t.text.size() - 2);
        quoted = true;
        return true;
    }
    if (!t.is('<')) {
        p.report("#include: missing filename");
        if (t.kind == Tok::Newline) p.unget_token(t);
        return false;
    }
    for (int c; (c = p.get_char()) != '>';) {
        if (c == '\n' || c == EOF) {
            if (c == EOF && !p.aborted) p.stop("unexpected EOF");
            p.unget_raw(c);
            p.report("#include: missing >");
            return false;
        }
        name += static_cast<char>(c);
    }
    quoted = false;
    return true;
}

void directive_include(Preprocessor &p) {
    std::string name;
    bool quoted = false;
    if (!include_name(p, name, quoted)) {
        p.skip_line();
        return;
    }
    std::replace(name.begin(), name.end(), '\\', '/');
    if (p.files.size() >= kMaxFiles) {
        p.report("#include too nested");
    } else if (!search_include(p, name, quoted)) {
        p.report("can't open: %s: %s", name.c_str(), std::strerror(errno));
    } else {
        return;  // the rest of the line is read when the new file ends
    }
    p.skip_line();
}

void directive_line(Preprocessor &p) {
    Token t = p.next_nonblank();
    if (t.kind != Tok::Number) {
        p.report("#line: missing number");
        finish_line(p, t);
        return;
    }
    long n = 0;
    for (size_t i = 0; i < t.text.size() && t.text[i] >= '0' && t.text[i] <= '9'; ++i)
        n = std::min<long>(n * 10 + (t.text[i] - '0'), kMaxLineNumber);
    Token s = p.next_nonblank();
    std::string path;
    bool has_path = s.kind == Tok::String && s.text.size() >= 2 && s.text.back() == '"';
    if (has_path) path = s.text.substr(1, s.text.size() - 2);
    finish_line(p, s);
    if (p.aborted) return;
    InputFile &f = p.files.back();
    f.line = static_cast<int>(n) - 1;
    if (has_path) f.path = path;
    p.marker_due = true;
}

// The rest of the line as text, comments as one blank each.
std::string rest_of_line(Preprocessor &p) {
    std::string text;
    for (Token t = p.next_token(); t.kind != Tok::Newline && t.kind != Tok::Eof; t = p.next_token())
        text += t.text;
    return text;
}

void directive_pragma(Preprocessor &p) {
    std::string rest = rest_of_line(p);
    if (!p.aborted) p.write("#p" + rest + "\n");
}

void directive_error(Preprocessor &p) {
    std::string rest = rest_of_line(p);
    size_t b = 0, e = rest.size();
    while (b < e && is_blank(static_cast<unsigned char>(rest[b]))) ++b;
    while (e > b && is_blank(static_cast<unsigned char>(rest[e - 1]))) --e;
    p.report("#error: %s", rest.substr(b, std::min(e - b, kMaxErrorText)).c_str());
}

// ---- conditional groups -------------------------------------------------

void open_group(Preprocessor &p) {
    if (p.groups.size() >= kMaxGroups) {
        p.report("#if/#ifdef too nested");
        ++p.groups_overflow;
    } else {
        p.groups.push_back(p.directive_place);
    }
}

bool has_group(const Preprocessor &p) { return p.groups_overflow > 0 || !p.groups.empty(); }

void close_group(Preprocessor &p) {
    if (p.groups_overflow > 0)
        --p.groups_overflow;
    else if (!p.groups.empty())
        p.groups.pop_back();
    else
        p.report("missing #if");
}

bool opens_group(const std::string &name) { return name == "if" || name == "ifdef" || name == "ifndef"; }

// A skipped directive at the group's own level: true when skipping ends.
bool group_directive(Preprocessor &p, const std::string &name) {
    p.skipping = false;
    bool done = true;
    if (name == "endif") {
        close_group(p);
        p.skip_line();
    } else if (name == "else") {
        p.skip_line();
    } else {
        done = p.eval_condition();
    }
    p.skipping = !done;
    return done;
}

// Skips lines (each becomes a blank line) until the group's #endif or, when
// seek_true, its #else or a true #elif. Nested groups are counted.
void skip_group(Preprocessor &p, bool seek_true) {
    p.skipping = true;
    int depth = 0;
    while (!p.aborted) {
        p.in_directive = false;
        p.sync_lines();
        Token t = p.next_nonblank();
        if (t.kind == Tok::Eof) {
            if (p.files.size() > 1 && leave_file(p)) continue;
            p.stop_at(p.groups.empty() ? p.here() : p.groups.back(), "missing #endif");
            break;
        }
        if (t.kind == Tok::Newline) continue;
        if (!t.is('#')) {
            p.skip_line();
            continue;
        }
        p.directive_place = p.here();
        p.in_directive = true;
        Token n = p.next_nonblank();
        if (n.kind == Tok::Newline) continue;
        std::string name = n.kind == Tok::Ident ? std::string(n.text) : std::string();
        if (opens_group(name)) {
            ++depth;
        } else if (depth > 0 && name == "endif") {
            --depth;
        } else if (depth == 0 && (name == "endif" || (seek_true && (name == "else" || name == "elif")))) {
            if (group_directive(p, name)) break;
            continue;
        }
        p.skip_line();
    }
    p.skipping = false;
    p.at_line_start = true;  // even when the group ended in an including file
}

void directive_if(Preprocessor &p) {
    open_group(p);
    if (!p.eval_condition()) skip_group(p, true);
}

void ifdef_common(Preprocessor &p, bool want_defined) {
    open_group(p);
    Token t = p.next_nonblank();
    bool cond = true;
    if (t.kind != Tok::Ident) {
        p.report("#ifdef: missing identifier");
    } else {
        Macro *m = p.find_macro(t.text);
        cond = (m && (m->flags & kDefined)) == want_defined;
    }
    finish_line(p, t);
    if (!cond) skip_group(p, true);
}

void directive_ifdef(Preprocessor &p) { ifdef_common(p, true); }
void directive_ifndef(Preprocessor &p) { ifdef_common(p, false); }

// #elif / #else reached in a processed part: the rest of the group is skipped.
void directive_else(Preprocessor &p) {
    p.skip_line();
    if (!has_group(p)) {
        p.report("missing #if");
        return;
    }
    skip_group(p, false);
}

void directive_endif(Preprocessor &p) {
    close_group(p);
    p.skip_line();
}

struct Directive {
    const char *name;
    void (*run)(Preprocessor &);
};

constexpr Directive kDirectives[] = {
    {"include", directive_include}, {"define", directive_define}, {"undef", directive_undef},
    {"if", directive_if},           {"ifdef", directive_ifdef},   {"ifndef", directive_ifndef},
    {"elif", directive_else},       {"else", directive_else},     {"endif", directive_endif},
    {"line", directive_line},       {"pragma", directive_pragma}, {"error", directive_error},
};
static_assert(std::size(kDirectives) == 12);

// '#' at the start of a line: the directive named by the next token.
void directive(Preprocessor &p) {
    p.directive_place = p.here();
    p.in_directive = true;
    p.at_line_start = true;
    Token t = p.next_nonblank();
    if (t.kind != Tok::Newline && t.kind != Tok::Eof) {
        std::string name(t.text);
        const Directive *d = std::find_if(std::begin(kDirectives), std::end(kDirectives),
                                          [&](const Directive &x) { return name == x.name; });
        if (d != std::end(kDirectives)) {
            d->run(p);
        } else {
            p.report("undefined stmt: #%s", name.c_str());
            p.skip_line();
        }
    }
    p.in_directive = false;
}

// ---- main loop ---------------------------------------------------------

void write_ident(Preprocessor &p, const Token &t) {
    std::string name(t.text);
    bool blank = false;
    if (!p.try_expand(name, &blank)) {
        p.write(name);
        if (blank) p.write(" ");
    }
}

void process(Preprocessor &p) {
    while (!p.aborted) {
        Token t = p.next_token();
        switch (t.kind) {
        case Tok::Eof:
            if (!leave_file(p)) return;
            break;
        case Tok::Newline:
            p.write(p.pending_blanks);
            p.pending_blanks.clear();
            p.write("\n");
            p.at_line_start = true;
            p.sync_lines();
            break;
        case Tok::Blank:
            if (p.at_line_start)
                p.pending_blanks += t.text;
            else
                p.write(t.text);
            break;
        default:
            if (p.at_line_start && t.is('#')) {
                p.pending_blanks.clear();
                directive(p);
                p.sync_lines();
                break;
            }
            p.write(p.pending_blanks);
            p.pending_blanks.clear();
            p.at_line_start = false;
            if (t.kind == Tok::Ident)
                write_ident(p, t);
            else
                p.write(t.text);
        }
    }
}

}  // namespace

int Preprocessor::run(const char *script_path, const char *output_path) {
    std::time_t now = std::time(nullptr);
    if (const std::tm *t = std::localtime(&now)) start_time = *t;
    define_builtins();
    read_include_dirs(*this);
    out = std::fopen(output_path, options.output_exists ? "r+b" : "wb");
    if (!out) {
        report("can't open: %s: %s", output_path, std::strerror(errno));
        return 1;
    }
    if (!open_file(*this, script_path)) {
        report("can't open: %s: %s", script_path, std::strerror(errno));
    } else {
        sync_lines();
        process(*this);
        if (!aborted && has_group(*this))
            report_at(groups.empty() ? here() : groups.back(), "missing #endif");
    }
    if (last_out != '\n') write("\n");  // the lexer wants whole lines
    bool failed = !out_buf.empty() && std::fwrite(out_buf.data(), 1, out_buf.size(), out) != out_buf.size();
    failed |= std::ferror(out) != 0;
    failed |= std::fclose(out) != 0;
    if (failed && !aborted) stop("can't write");
    return status;
}

}  // namespace pp

int preprocess(const char *script_path, const char *output_path, const PreprocessOptions &options) {
    pp::Preprocessor p(options);
    return p.run(script_path, output_path);
}

int preprocess(const char *script_path, const char *output_path) {
    return preprocess(script_path, output_path, PreprocessOptions{});
}
