#include "ports/file/log_builtin.h"

#include <string>

#include "core/builtin_args.h"
#include "ports/file/comm_log.h"

NODE *do_lognow(NODE *list) {
    BuiltinArgs args(list);
    std::string text = arg_text(args);
    if (unwinding()) return null_string;
    log_stamp(text.c_str());
    return number_result(0);
}

namespace {
constexpr BuiltinEntry kLogBuiltins[] = {{BuiltinId::do_lognow, do_lognow}};
}

std::span<const BuiltinEntry> log_builtins() { return kLogBuiltins; }
