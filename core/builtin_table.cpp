// The builtin table: one slot per BuiltinId, filled with this folder's
// builtins at compile time and by the layers above at start-up.
#include <array>

#include "base/diag.h"
#include "core/builtins.h"

namespace {

#define ENTRY(name) {BuiltinId::do_##name, do_##name}
constexpr BuiltinEntry core_builtins[] = {
    ENTRY(busy),    ENTRY(char),    ENTRY(cls),     ENTRY(code),     ENTRY(color),   ENTRY(date),
    ENTRY(fclose),  ENTRY(fgetc),   ENTRY(fgets),   ENTRY(fopen),    ENTRY(fputc),   ENTRY(fputs),
    ENTRY(fseek),   ENTRY(ftell),   ENTRY(getch),   ENTRY(getn),     ENTRY(gets),    ENTRY(gsub),
    ENTRY(hex),     ENTRY(index),   ENTRY(isCTS),   ENTRY(isDSR),    ENTRY(jindex),  ENTRY(jlength),
    ENTRY(jsubstr), ENTRY(kbhit),   ENTRY(length),  ENTRY(locate),   ENTRY(match),   ENTRY(mkdir),
    ENTRY(now),     ENTRY(pause),   ENTRY(rand),    ENTRY(ready),    ENTRY(recv),    ENTRY(recvlen),
    ENTRY(remove),  ENTRY(reset),   ENTRY(rmdir),   ENTRY(split),    ENTRY(sprintf), ENTRY(srand),
    ENTRY(sub),     ENTRY(substr),  ENTRY(system),  ENTRY(time),     ENTRY(timer),   ENTRY(tolower),
    ENTRY(toupper),
};
#undef ENTRY

constexpr const char *names[] = {
#define VORDEL_BUILTIN_NAME(name) #name,
    VORDEL_BUILTINS(VORDEL_BUILTIN_NAME)
#undef VORDEL_BUILTIN_NAME
};
static_assert(std::size(names) == BUILTIN_COUNT);

constexpr std::array<BuiltinFn, BUILTIN_COUNT> with_core_builtins() {
    std::array<BuiltinFn, BUILTIN_COUNT> table{};
    for (const BuiltinEntry &e : core_builtins) table[static_cast<size_t>(e.id)] = e.fn;
    return table;
}

constinit std::array<BuiltinFn, BUILTIN_COUNT> builtin_table = with_core_builtins();

}  // namespace

const char *builtin_name(BuiltinId id) { return names[static_cast<size_t>(id)]; }

void install_builtins(std::span<const BuiltinEntry> entries) {
    for (const BuiltinEntry &e : entries) builtin_table[static_cast<size_t>(e.id)] = e.fn;
}

BuiltinFn builtin_function(BuiltinId id) { return builtin_table[static_cast<size_t>(id)]; }

NODE *call_builtin(BuiltinId id, NODE *args) {
    BuiltinFn fn = builtin_table[static_cast<size_t>(id)];
    if (!fn) fatal("builtin `%s' is not implemented yet", builtin_name(id));
    return fn(args);
}
