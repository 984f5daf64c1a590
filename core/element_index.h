// A side index for large element tables: subscript text to element in
// constant time, so a table whose 127 chains hold thousands of elements each
// still answers lookups quickly. The chains stay the elements' home and alone
// decide scan order; the index only mirrors them and is owned by the table.
// Allocation failure is fatal ("assoc_lookup: var: can't allocate memory").
#pragma once

#include <cstdint>

#include "core/node.h"

struct ElementIndex;

// Hash of a subscript's text; unrelated to the bucket hash.
uint32_t text_hash(const char *text, uint32_t len);

// Indexes every element of the buckets.
ElementIndex *index_build(NODE *const *heads, int buckets);
void index_free(ElementIndex *index);

// The element whose subscript text is text[0..len), or null.
NODE *index_find(const ElementIndex *index, const char *text, uint32_t len, uint32_t hash);
// The index keeps the hash in the element (word 6).
void index_add(ElementIndex *index, NODE *element, uint32_t hash);
// Forgets an element (found by identity).
void index_erase(ElementIndex *index, NODE *element);
