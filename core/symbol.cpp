// The symbol table: 101 chained buckets of T_SYMBOL entries, newest first.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include "base/diag.h"
#include "core/node.h"

NODE *global_table[SYMBOL_BUCKETS];
uint64_t symbol_generation = 1;

namespace {

bool is_name_byte(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// Length of the identifier at the start of `name`; the rest is ignored.
size_t name_length(const char *name) {
    size_t n = 0;
    while (is_name_byte(name[n])) ++n;
    return n;
}

int symbol_bucket(const char *name, size_t len) {
    uint32_t h = 0;
    for (size_t i = 0; i < len; ++i) h = static_cast<uint32_t>(static_cast<signed char>(name[i])) + 2 * h;
    return static_cast<int>((h & 0x7FFFFFFF) % SYMBOL_BUCKETS);
}

// The link that points at the first entry matching name[0..len), or null.
NODE **find_entry(NODE **table, const char *name, size_t len) {
    if (len == 0) return nullptr;
    for (NODE **link = &table[symbol_bucket(name, len)]; *link; link = &(*link)->left) {
        NODE *sym = *link;
        if (static_cast<size_t>(sym->length) == len && sym->string[0] == name[0] &&
            std::memcmp(sym->string, name, len) == 0) {
            return link;
        }
    }
    return nullptr;
}

}  // namespace

NODE *install(NODE **table, const char *name, NODE *node) {
    size_t len = name_length(name);
    auto *copy = static_cast<char *>(std::malloc(len + 1));
    if (!copy) out_of_memory("install");
    std::memcpy(copy, name, len);
    copy[len] = '\0';
    NODE *sym = newnode(T_SYMBOL);
    sym->string = copy;
    sym->length = static_cast<int32_t>(len);
    sym->installed = node;
    NODE **head = &table[symbol_bucket(name, len)];
    sym->left = *head;
    *head = sym;
    ++symbol_generation;
    return node;
}

NODE *lookup(NODE **table, const char *name) {
    NODE **link = find_entry(table, name, name_length(name));
    return link ? (*link)->installed : nullptr;
}

NODE *lookup_global(CachedSymbol &cache) {
    if (cache.generation != symbol_generation) {
        cache.node = lookup(global_table, cache.name);
        cache.generation = symbol_generation;
    }
    return cache.node;
}

void clear_symbols() {
    std::fill(std::begin(global_table), std::end(global_table), nullptr);
    ++symbol_generation;
}

NODE *variable(const char *name) {
    if (NODE *found = lookup(global_table, name)) return found;
    NODE *var = newnode(T_VAR);
    var->left = null_string;
    var->table = nullptr;
    return install(global_table, name, var);
}

void remove(const char *name, int free_name) {
    NODE **link = find_entry(global_table, name, name_length(name));
    if (!link) return;
    NODE *sym = *link;
    *link = sym->left;
    ++symbol_generation;
    std::free(sym->string);
    if (free_name && sym->installed) std::free(sym->installed->name);
    free_node(sym);
}
