#include "printer/builtin_table.h"

#include "printer/status_texts.h"

namespace {

// A printer builtin is added here as {BuiltinId::do_NAME, do_NAME}.
constexpr BuiltinEntry entries[] = {
    {BuiltinId::do_bitcustomize, do_bitcustomize},
};

}  // namespace

std::span<const BuiltinEntry> printer_builtins() { return entries; }
