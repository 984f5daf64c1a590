// Linear probing with backward-shift deletion, load factor at most one half.
// A slot is 8 bytes: the element, whose hash lives in the element (word 6),
// with the top bits of that hash in the pointer's spare low bits, so a search
// passing other elements seldom has to read them.
#include "core/element_index.h"

#include <cstdlib>
#include <cstring>

#include "base/diag.h"
#include "platform/memory.h"

struct ElementIndex {
    uint64_t mask;  // capacity - 1, capacity a power of two
    uint64_t count;
    uintptr_t *slots;  // element | tag, or 0: empty
};

namespace {

constexpr uintptr_t TAG_MASK = 7;
static_assert(alignof(NODE) > TAG_MASK);

uintptr_t tag_of(uint32_t hash) { return hash >> 29; }
NODE *element_of(uintptr_t slot) { return reinterpret_cast<NODE *>(slot & ~TAG_MASK); }

constexpr uint64_t INITIAL_CAPACITY = 4096;

uintptr_t *new_slots(uint64_t capacity) {
    // Hashing touches all of it.
    auto *slots = static_cast<uintptr_t *>(dense_alloc(capacity * sizeof(uintptr_t)));
    if (!slots) out_of_memory("assoc_lookup");
    return slots;
}

uint32_t hash_of(const NODE *element) { return static_cast<uint32_t>(element->word6); }

void place(ElementIndex *index, NODE *element) {
    uint32_t hash = hash_of(element);
    uint64_t i = hash & index->mask;
    while (index->slots[i]) i = (i + 1) & index->mask;
    index->slots[i] = reinterpret_cast<uintptr_t>(element) | tag_of(hash);
}

void grow(ElementIndex *index) {
    uintptr_t *old = index->slots;
    uint64_t old_capacity = index->mask + 1;
    index->slots = new_slots(old_capacity * 2);
    index->mask = old_capacity * 2 - 1;
    for (uint64_t i = 0; i < old_capacity; ++i) {
        if (old[i]) place(index, element_of(old[i]));
    }
    dense_free(old, old_capacity * sizeof(uintptr_t));
}

}  // namespace

// Texts that differ only in a last digit share a block of 16 slots (two
// cache lines, which the processor fetches together), so the elements of a
// loop over consecutive numbers sit side by side in the index instead of
// costing a cache miss each. Blocks of 8 for five numbers probe less but
// measured slower.
uint32_t text_hash(const char *text, uint32_t len) {
    auto last = len > 0 ? static_cast<unsigned>(text[len - 1] - '0') : 10u;
    uint32_t body = last < 10 ? len - 1 : len;
    uint64_t h = 0xcbf29ce484222325ULL;  // FNV-1a
    for (uint32_t i = 0; i < body; ++i) h = (h ^ static_cast<unsigned char>(text[i])) * 0x100000001b3ULL;
    h ^= h >> 29;
    return static_cast<uint32_t>(last < 10 ? (h << 4) | last : h);
}

ElementIndex *index_build(NODE *const *heads, int buckets) {
    auto *index = static_cast<ElementIndex *>(std::malloc(sizeof(ElementIndex)));
    if (!index) out_of_memory("assoc_lookup");
    *index = {INITIAL_CAPACITY - 1, 0, new_slots(INITIAL_CAPACITY)};
    for (int b = 0; b < buckets; ++b) {
        for (NODE *e = heads[b]; e; e = e->left) {
            const NODE *sub = e->right;
            index_add(index, e, text_hash(sub->string, static_cast<uint32_t>(sub->length)));
        }
    }
    return index;
}

void index_free(ElementIndex *index) {
    if (!index) return;
    dense_free(index->slots, (index->mask + 1) * sizeof(uintptr_t));
    std::free(index);
}

NODE *index_find(const ElementIndex *index, const char *text, uint32_t len, uint32_t hash) {
    const uintptr_t tag = tag_of(hash);
    for (uint64_t i = hash & index->mask;; i = (i + 1) & index->mask) {
        uintptr_t slot = index->slots[i];
        if (!slot) return nullptr;
        if ((slot & TAG_MASK) != tag) continue;
        NODE *e = element_of(slot);
        if (hash_of(e) != hash) continue;
        const NODE *sub = e->right;
        if (static_cast<uint32_t>(sub->length) == len && std::memcmp(sub->string, text, len) == 0) return e;
    }
}

void index_add(ElementIndex *index, NODE *element, uint32_t hash) {
    if ((index->count + 1) * 2 > index->mask + 1) grow(index);
    element->word6 = static_cast<int32_t>(hash);
    place(index, element);
    ++index->count;
}

void index_erase(ElementIndex *index, NODE *element) {
    uint64_t i = hash_of(element) & index->mask;
    while (element_of(index->slots[i]) != element) {
        if (!index->slots[i]) return;  // not indexed
        i = (i + 1) & index->mask;
    }
    // Shift later members of the probe run back so no search stops early.
    for (uint64_t j = (i + 1) & index->mask; index->slots[j]; j = (j + 1) & index->mask) {
        uint64_t home = hash_of(element_of(index->slots[j])) & index->mask;
        bool movable = i <= j ? (home <= i || home > j) : (home <= i && home > j);
        if (movable) {
            index->slots[i] = index->slots[j];
            i = j;
        }
    }
    index->slots[i] = 0;
    --index->count;
}
