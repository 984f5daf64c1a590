// Linear probing with backward-shift deletion, load factor at most one half.
#include "core/element_index.h"

#include <cstdlib>
#include <cstring>

#include "base/diag.h"
#include "platform/memory.h"

struct ElementIndex {
    struct Slot {
        uint64_t hash;
        NODE *element;  // null: empty
    };
    uint64_t mask;  // capacity - 1, capacity a power of two
    uint64_t count;
    Slot *slots;
};

namespace {

constexpr uint64_t INITIAL_CAPACITY = 4096;

ElementIndex::Slot *new_slots(uint64_t capacity) {
    // Hashing touches all of it.
    auto *slots = static_cast<ElementIndex::Slot *>(dense_alloc(capacity * sizeof(ElementIndex::Slot)));
    if (!slots) out_of_memory("assoc_lookup");
    return slots;
}

void place(ElementIndex *index, NODE *element, uint64_t hash) {
    uint64_t i = hash & index->mask;
    while (index->slots[i].element) i = (i + 1) & index->mask;
    index->slots[i] = {hash, element};
}

void grow(ElementIndex *index) {
    ElementIndex::Slot *old = index->slots;
    uint64_t old_capacity = index->mask + 1;
    index->slots = new_slots(old_capacity * 2);
    index->mask = old_capacity * 2 - 1;
    for (uint64_t i = 0; i < old_capacity; ++i) {
        if (old[i].element) place(index, old[i].element, old[i].hash);
    }
    dense_free(old, old_capacity * sizeof(ElementIndex::Slot));
}

uint64_t subscript_hash(const NODE *element) {
    const NODE *sub = element->right;
    return text_hash(sub->string, static_cast<uint32_t>(sub->length));
}

}  // namespace

// Texts that differ only in a last digit share a block of 16 slots, so the
// elements of a loop over consecutive numbers sit side by side in the index
// instead of costing a cache miss each.
uint64_t text_hash(const char *text, uint32_t len) {
    auto last = len > 0 ? static_cast<unsigned>(text[len - 1] - '0') : 10u;
    uint32_t body = last < 10 ? len - 1 : len;
    uint64_t h = 0xcbf29ce484222325ULL;  // FNV-1a
    for (uint32_t i = 0; i < body; ++i) h = (h ^ static_cast<unsigned char>(text[i])) * 0x100000001b3ULL;
    h ^= h >> 29;
    return last < 10 ? (h << 4) | last : h;
}

ElementIndex *index_build(NODE *const *heads, int buckets) {
    auto *index = static_cast<ElementIndex *>(std::malloc(sizeof(ElementIndex)));
    if (!index) out_of_memory("assoc_lookup");
    *index = {INITIAL_CAPACITY - 1, 0, new_slots(INITIAL_CAPACITY)};
    for (int b = 0; b < buckets; ++b) {
        for (NODE *e = heads[b]; e; e = e->left) index_add(index, e, subscript_hash(e));
    }
    return index;
}

void index_free(ElementIndex *index) {
    if (!index) return;
    dense_free(index->slots, (index->mask + 1) * sizeof(ElementIndex::Slot));
    std::free(index);
}

NODE *index_find(const ElementIndex *index, const char *text, uint32_t len, uint64_t hash) {
    for (uint64_t i = hash & index->mask;; i = (i + 1) & index->mask) {
        const ElementIndex::Slot &s = index->slots[i];
        if (!s.element) return nullptr;
        if (s.hash != hash) continue;
        const NODE *sub = s.element->right;
        if (static_cast<uint32_t>(sub->length) == len && std::memcmp(sub->string, text, len) == 0) return s.element;
    }
}

void index_add(ElementIndex *index, NODE *element, uint64_t hash) {
    if ((index->count + 1) * 2 > index->mask + 1) grow(index);
    place(index, element, hash);
    ++index->count;
}

void index_erase(ElementIndex *index, NODE *element, uint64_t hash) {
    uint64_t i = hash & index->mask;
    while (index->slots[i].element != element) {
        if (!index->slots[i].element) return;  // not indexed
        i = (i + 1) & index->mask;
    }
    // Shift later members of the probe run back so no search stops early.
    for (uint64_t j = (i + 1) & index->mask; index->slots[j].element; j = (j + 1) & index->mask) {
        uint64_t home = index->slots[j].hash & index->mask;
        bool movable = i <= j ? (home <= i || home > j) : (home <= i && home > j);
        if (movable) {
            index->slots[i] = index->slots[j];
            i = j;
        }
    }
    index->slots[i] = {0, nullptr};
    --index->count;
}
