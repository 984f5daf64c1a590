// Internal state of one preprocessor run, shared by the preprocessor's files:
//   pp_input.cpp     characters, the push-back area and the tokenizer
//   pp_macro.cpp     the macro table, definition and expansion, builtin macros
//   pp_expr.cpp      the #if / #elif / __eval__ expression evaluator
//   preprocessor.cpp the main loop, directives, conditional groups, output
//
// Limits: 8 open files, 1024 hash buckets, a 10000-byte area shared by the
// current token (growing up) and pushed-back input (growing down), 100 nested
// expansions, 8 nested conditional groups, 10 include directories, 200 macro
// arguments. A stopping error sets `aborted`; from then on every read returns
// end of input and no further message is written, so all loops unwind.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "frontend/preprocessor.h"

namespace pp {

constexpr size_t kMaxFiles = 8;
constexpr size_t kHashBuckets = 1024;
constexpr size_t kAreaSize = 10000;
constexpr size_t kMaxExpansions = 100;
constexpr size_t kMaxGroups = 8;
constexpr size_t kMaxIncludeDirs = 10;
constexpr size_t kMaxArgs = 200;
constexpr size_t kMaxErrorText = 299;
constexpr int kMaxExprDepth = 256;  // nested operators, parentheses and __eval__ calls
// Input files are read whole; a device that never ends must not eat memory.
constexpr size_t kMaxFileBytes = size_t{1} << 28;
// Stands for a parameter use inside a stored body (followed by '0' + index)
// and, in pushed-back input, for the end of a macro's replacement.
constexpr int kMarker = 0x7F;

enum MacroFlags : unsigned {
    kDefined = 1,  // defined (#undef clears it)
    kBuiltin = 2,  // text made by `builtin`
    kBusy = 4,     // being expanded: not expanded again until its end marker
};

struct Preprocessor;
using BuiltinMacroFn = void (*)(Preprocessor &);

struct Macro {
    Macro *next = nullptr;
    std::string name;
    std::string body;  // parameter uses encoded as kMarker, '0' + index
    BuiltinMacroFn builtin = nullptr;
    unsigned flags = 0;
    int nparams = -1;  // -1: object-like
};

struct InputFile {
    std::string path;  // as opened; #line may replace it
    std::string data;  // whole file, 0x7F bytes already dropped
    size_t pos = 0;
    int line = 0;  // newlines read so far
};

// A file position kept for a later report ("missing */", "missing #endif").
struct Place {
    std::string path;
    int line = 0;
};

enum class Tok { Eof, Newline, Blank, Ident, Number, String, Char, Other };

struct Token {
    Tok kind = Tok::Eof;
    std::string_view text;  // valid until the next token is read
    bool is(char c) const { return kind == Tok::Other && text.size() == 1 && text[0] == c; }
};

enum class Src : uint8_t { Area, File };

struct Preprocessor {
    explicit Preprocessor(const PreprocessOptions &opt);
    ~Preprocessor();

    // ---- input (pp_input.cpp)
    int get_raw();
    void unget_raw(int c);
    int get_char();  // joins backslash-newline inside directive lines
    void push_byte(int c);
    void push_text(std::string_view text);
    Token next_token();
    Token next_nonblank();
    void unget_token(const Token &t);
    void skip_line();  // through the end of the current line
    bool area_has_input() const { return pb_pos < kAreaSize; }

    // ---- macros (pp_macro.cpp)
    Macro *find_macro(std::string_view name);
    Macro *enter_macro(std::string_view name);
    void define_builtins();
    bool try_expand(const std::string &name, bool *blank_after);
    void end_expansion();

    // ---- expressions (pp_expr.cpp)
    bool eval_condition();  // rest of an #if / #elif line

    // ---- diagnostics and output (preprocessor.cpp)
    void report(const char *format, ...) __attribute__((format(printf, 2, 3)));
    void report_at(const Place &at, const char *format, ...) __attribute__((format(printf, 3, 4)));
    void warn(const char *format, ...) __attribute__((format(printf, 2, 3)));
    void stop(const char *format, ...) __attribute__((format(printf, 2, 3)));
    void stop_at(const Place &at, const char *format, ...) __attribute__((format(printf, 3, 4)));
    void internal_error(const char *tag);
    Place here() const;  // current file and count (the last closed one at the end)
    void write(std::string_view text);
    void sync_lines();

    int run(const char *script_path, const char *output_path);

    // file stack
    std::vector<InputFile> files;
    Place last_closed;
    bool any_closed = false;

    // the shared area: token text [0, tok_len), pushed-back input [pb_pos, kAreaSize)
    std::unique_ptr<char[]> area;
    size_t tok_len = 0;
    size_t pb_pos = kAreaSize;
    // where the last few characters came from, so they can be put back
    std::array<Src, 8> src_ring{};
    unsigned src_top = 0, src_count = 0;

    // macros
    std::array<Macro *, kHashBuckets> buckets{};
    std::vector<std::unique_ptr<Macro>> macro_store;
    std::vector<Macro *> expansions;

    // conditional groups
    std::vector<Place> groups;
    int groups_overflow = 0;  // groups opened beyond the limit, kept without an entry

    std::vector<std::string> include_dirs;
    std::tm start_time{};

    // output
    std::FILE *out = nullptr;
    std::string out_buf;
    size_t out_total = 0;
    size_t out_line_bytes = 0;  // since the last newline written
    int out_lines = 0;
    char last_out = '\n';
    bool marker_due = false;

    int expr_depth = 0;
    PreprocessOptions options;
    std::FILE *messages;
    int status = 0;
    bool aborted = false;
    bool in_directive = false;
    bool skipping = false;
    bool at_line_start = true;
    // While in_directive, messages name the count where the directive began.
    Place directive_place;
    std::string pending_blanks;
};

// Directive handlers and the evaluating builtin, kept beside their helpers.
void directive_define(Preprocessor &p);
void directive_undef(Preprocessor &p);
void builtin_eval(Preprocessor &p);

bool is_ident_start(int c);
bool is_ident_char(int c);
bool is_blank(int c);

}  // namespace pp
