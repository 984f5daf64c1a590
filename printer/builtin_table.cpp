#include "printer/builtin_table.h"

// A printer builtin is added as {BuiltinId::do_NAME, do_NAME} to a table
// returned here; none is built yet.
std::span<const BuiltinEntry> printer_builtins() { return {}; }
