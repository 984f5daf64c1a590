// libFuzzer target: any bytes as a preprocessed script are accepted or end in
// a syntax-error or fatal report, never a crash, a hang or a stray read.
// Those reports end the program, so their hooks jump back here instead.
#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <iterator>

#include "base/diag.h"
#include "core/node.h"
#include "core/regex.h"
#include "frontend/lexer.h"
#include "frontend/parser.h"
#include "frontend/parser_internal.h"

namespace {

std::jmp_buf error_exit;

[[noreturn]] void back_to_fuzzer() { std::longjmp(error_exit, 1); }

}  // namespace

// Trees live to the end of a run by design: no leak report at exit either.
extern "C" const char *__asan_default_options() { return "detect_leaks=0"; }

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    re_set_syntax(REGEX_SYNTAX_DEFAULT);
    init_null_string();
    set_fatal_hook(back_to_fuzzer);
    set_syntax_error_hook(back_to_fuzzer);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    // Functions of earlier inputs would be "previously defined": every input
    // starts from an empty table, so a finding replays alone.
    clear_symbols();
    std::FILE *in = size ? fmemopen(const_cast<uint8_t *>(data), size, "r") : std::tmpfile();
    if (!in) return 0;
    parser_reset();
    lexer_open(in, "fuzz.vd");
    if (setjmp(error_exit) == 0) yyparse();
    std::fclose(in);
    return 0;
}
