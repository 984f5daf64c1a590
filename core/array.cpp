// Associative arrays: 127 chained buckets per variable, newest element first.
#include <bit>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/diag.h"
#include "core/element_index.h"
#include "core/eval.h"
#include "core/node.h"

namespace {

// Bumped whenever an element leaves a table. A scan whose remembered successor
// was taken while the count stood still can trust it without a chain walk.
uint64_t removals = 0;

struct Cursor {
    ScanCursor pub;  // first member: the caller sees and may std::free a ScanCursor*
    uint64_t removals_seen;
};
static_assert(offsetof(Cursor, pub) == 0);

// How `delete` would compare a subscript with a key: whether it carries a
// number view, and whether that number and its text say the same thing.
enum class KeyKind : uint8_t {
    Plain,    // no number view: compared as text until something forces one
    Integer,  // numeric, and the text is the number in plain decimal
    Text,     // has a number view but is not numeric: compared as text
    Odd,      // numeric with some other text ("007", "1e3", "+5")
};

// Whether text[0..len) is exactly the plain decimal form of v: an optional
// minus, no leading zero, no "-0".
bool is_decimal_of(const char *text, int32_t len, int32_t v) {
    bool negative = len > 0 && text[0] == '-';
    const char *p = text + negative;
    int32_t digits = len - negative;
    if (digits <= 0 || digits > 10 || (p[0] == '0' && (digits > 1 || negative))) return false;
    uint64_t magnitude = 0;
    for (int32_t i = 0; i < digits; ++i) {
        auto d = static_cast<unsigned>(p[i] - '0');
        if (d > 9) return false;
        magnitude = magnitude * 10 + d;
    }
    return (negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude)) == v;
}

KeyKind key_kind(NODE *s) {
    settle_number(s);
    if (!(s->flags & NODE_NUM_VALID)) return KeyKind::Plain;
    if (!(s->flags & NODE_NUMERIC)) return KeyKind::Text;
    if (!(s->flags & NODE_STR_VALID)) return KeyKind::Odd;
    return is_decimal_of(s->string, s->length, s->number) ? KeyKind::Integer : KeyKind::Odd;
}

// What `table` of an array points at. The heads come first so the table is
// still the plain array of 127 heads everyone else sees.
struct ElementTable {
    NODE *heads[ARRAY_BUCKETS];
    ElementIndex *index;  // built once the table holds INDEX_FROM elements
    int64_t count;
    int64_t kinds[4];  // subscripts of each KeyKind
    // Plain or Odd subscripts in each bucket: a key that compares as text
    // with everything else in its bucket needs no walk of the chain.
    int32_t irregular[ARRAY_BUCKETS];
    uint64_t filled[2];  // bit b: bucket b has elements (so clearing skips the empty ones)
    // The elements "1".."split_count" in order, while the table holds just
    // what split last put there (split_valid): the next split refills them.
    NODE **split_elems;
    int32_t split_count, split_capacity;
    bool split_valid;
};
static_assert(offsetof(ElementTable, heads) == 0);
static_assert(sizeof(ElementTable) >= ARRAY_BUCKETS * sizeof(NODE *) + 2);

// Below this, walking a chain (about 8 elements) is as quick as the index.
constexpr int64_t INDEX_FROM = 1024;

ElementTable *element_table(NODE **table) { return reinterpret_cast<ElementTable *>(table); }

// Word 4 of an element links back to the one before it in its bucket, so any
// element leaves its chain in constant time.
NODE *&prev_of(NODE *e) { return e->installed; }

int64_t &kind_count(ElementTable *t, KeyKind k) { return t->kinds[static_cast<int>(k)]; }

void count_kind(ElementTable *t, int bucket, KeyKind k, int delta) {
    kind_count(t, k) += delta;
    if (k == KeyKind::Plain || k == KeyKind::Odd) t->irregular[bucket] += delta;
}

// An element keeps its subscript's kind (in a byte elements do not otherwise
// use), so taking it out needs no second look at the text.
KeyKind kept_kind(const NODE *e) { return static_cast<KeyKind>(e->str_refs); }
void keep_kind(NODE *e, KeyKind k) { e->str_refs = static_cast<uint8_t>(k); }

bool is_temp(const NODE *n) { return n->flags & NODE_TEMP; }
void release_temp(NODE *n) {
    if (is_temp(n)) unref(n);
}

NODE *string_view(NODE *n) {
    return (n->flags & NODE_STR_VALID) ? n : force_string(n);
}

// The rotated hash of the key's text; its bucket is the value mod 127.
uint32_t key_hash(NODE *key) {
    string_view(key);
    uint32_t h = 0;
    const char *s = key->string;
    for (uint32_t i = 0, n = static_cast<uint32_t>(key->length); i < n; ++i) {
        h = static_cast<uint32_t>(static_cast<signed char>(s[i])) + 2 * h;
    }
    return (h << 5) | (h >> 27);
}

int bucket_of(uint32_t hash) { return static_cast<int>(hash % ARRAY_BUCKETS); }

// Elements keep their key's full hash in word 5, so a long chain is walked
// comparing integers and the text is read only on a likely match.
NODE *find_element(NODE *head, NODE *key, uint32_t hash) {
    const auto wanted = static_cast<int32_t>(hash);
    for (NODE *e = head; e; e = e->left) {
        if (e->word5 != wanted) continue;
        const NODE *sub = e->right;
        if (sub->length == key->length &&
            std::memcmp(sub->string, key->string, static_cast<uint32_t>(key->length)) == 0) {
            return e;
        }
    }
    return nullptr;
}

// A key's hashes, each worked out once when first needed: a search through
// the index needs no bucket hash, an add needs both.
struct KeyHashes {
    NODE *key;
    uint32_t text = 0, bucket = 0;
    bool text_known = false, bucket_known = false;

    uint32_t text_value() {
        if (!text_known) text = text_hash(key->string, static_cast<uint32_t>(key->length));
        text_known = true;
        return text;
    }
    uint32_t bucket_value() {
        if (!bucket_known) bucket = key_hash(key);
        bucket_known = true;
        return bucket;
    }
};

uint32_t subscript_hash(const NODE *e, const KeyHashes *kh) {
    if (kh != nullptr && kh->text_known) return kh->text;
    const NODE *sub = e->right;
    return text_hash(sub->string, static_cast<uint32_t>(sub->length));
}

// The element of `table` whose subscript text equals the key's, or null.
NODE *find_text(NODE **table, KeyHashes &kh) {
    NODE *key = kh.key;
    if (const ElementIndex *index = element_table(table)->index) {
        return index_find(index, key->string, static_cast<uint32_t>(key->length), kh.text_value());
    }
    uint32_t hash = kh.bucket_value();
    return find_element(table[bucket_of(hash)], key, hash);
}

void add_element(NODE **table, NODE *e, int bucket, const KeyHashes *kh = nullptr) {
    e->left = table[bucket];
    prev_of(e) = nullptr;
    if (e->left) prev_of(e->left) = e;
    table[bucket] = e;
    ElementTable *t = element_table(table);
    t->split_valid = false;
    t->filled[bucket / 64] |= uint64_t{1} << (bucket % 64);
    KeyKind kind = key_kind(e->right);
    keep_kind(e, kind);
    count_kind(t, bucket, kind, 1);
    if (t->index) {
        index_add(t->index, e, subscript_hash(e, kh));
    } else if (t->count + 1 >= INDEX_FROM) {
        t->index = index_build(t->heads, ARRAY_BUCKETS);
    }
    ++t->count;
}

// Takes e out of its chain and the index; the caller destroys it.
void unlink_element(NODE **table, NODE *e, int bucket) {
    if (prev_of(e)) {
        prev_of(e)->left = e->left;
    } else {
        table[bucket] = e->left;
    }
    if (e->left) prev_of(e->left) = prev_of(e);
    ElementTable *t = element_table(table);
    t->split_valid = false;
    if (!table[bucket]) t->filled[bucket / 64] &= ~(uint64_t{1} << (bucket % 64));
    if (t->index) index_erase(t->index, e);
    count_kind(t, bucket, kept_kind(e), -1);
    --t->count;
}

void destroy_element(NODE *e) {
    unref(e->right);
    unref(e->value);
    free_node(e);
    ++removals;
}

// A subscript operand is either a value already or an expression to evaluate.
NODE *eval_subscript(NODE *expr) {
    NODE *v = expr->type == T_VALUE ? expr : tree_eval(expr, 0);
    return string_view(v);
}

const char *subsep_text(uint32_t *len) {
    static CachedSymbol subsep{"SUBSEP"};
    NODE *var = lookup_global(subsep);
    if (!var || (var->type != T_VAR && var->type != T_ARRAY) || !var->left) {
        *len = 1;
        return "\x1C";
    }
    NODE *value = string_view(var->left);
    *len = static_cast<uint32_t>(value->length);
    return value->string;
}

}  // namespace

NODE *concat_exp(NODE *subscripts) {
    if (!subscripts) return null_string;
    if (subscripts->type != T_EXPRESSION_LIST) return eval_subscript(subscripts);
    NODE *first = eval_subscript(subscripts->left);
    if (!subscripts->right) return first;
    // Local, not shared: a subscript may itself hold a multi-subscript reference.
    std::string key(first->string, static_cast<uint32_t>(first->length));
    release_temp(first);
    for (NODE *item = subscripts->right; item; item = item->right) {
        uint32_t sep_len;
        const char *sep = subsep_text(&sep_len);
        key.append(sep, sep_len);
        NODE *v = eval_subscript(item->left);
        key.append(v->string, static_cast<uint32_t>(v->length));
        release_temp(v);
    }
    return make_temp_string(key.data(), key.size());
}

namespace {

NODE *new_element(NODE *array, NODE *key, uint32_t hash, const KeyHashes *kh = nullptr) {
    if (!array->table) {
        auto *t = static_cast<ElementTable *>(std::calloc(1, sizeof(ElementTable)));
        if (!t) out_of_memory("assoc_lookup");
        array->table = t->heads;
        array->type = T_ARRAY;
    }
    NODE *e = newnode(T_ARRAY_ELEMENT);
    e->right = dupnode(key);
    e->value = null_string;
    e->word5 = static_cast<int32_t>(hash);
    add_element(array->table, e, bucket_of(hash), kh);
    return e;
}

}  // namespace

NODE **assoc_lookup(NODE *array, NODE *key) {
    KeyHashes kh{string_view(key)};
    if (array->table) {
        if (NODE *e = find_text(array->table, kh)) {
            release_temp(key);
            return &e->value;
        }
    }
    return &new_element(array, key, kh.bucket_value(), &kh)->value;
}

namespace {
// Whether the split under way makes its keys in plain decimal: nothing can
// change OFMT between its begin and its end.
bool split_keys_plain = false;
}  // namespace

int32_t assoc_split_begin(NODE *array) {
    split_keys_plain = ofmt_is_plain_decimal();
    if (!array->table) return 0;
    ElementTable *t = element_table(array->table);
    if (!t->split_valid || !split_keys_plain) {
        assoc_clear(array);
        return 0;
    }
    ++removals;  // a scan under way checks its place again, as after a clear
    return t->split_count;
}

NODE **assoc_split_element(NODE *array, int32_t k, int32_t kept) {
    if (k <= kept) return &element_table(array->table)->split_elems[k - 1]->value;
    NODE *key = make_temp_number(k);
    NODE *e = new_element(array, key, key_hash(key));
    ElementTable *t = element_table(array->table);
    if (k > t->split_capacity) {
        int32_t capacity = t->split_capacity < 8 ? 8 : t->split_capacity * 2;
        auto *grown = static_cast<NODE **>(std::realloc(t->split_elems, sizeof(NODE *) * static_cast<size_t>(capacity)));
        if (!grown) out_of_memory("split");
        t->split_elems = grown;
        t->split_capacity = capacity;
    }
    t->split_elems[k - 1] = e;
    return &e->value;
}

void assoc_split_end(NODE *array, int32_t n, int32_t kept) {
    if (!array->table) return;
    ElementTable *t = element_table(array->table);
    for (int32_t k = kept; k > n; --k) {
        NODE *e = t->split_elems[k - 1];
        unlink_element(array->table, e, bucket_of(static_cast<uint32_t>(e->word5)));
        destroy_element(e);
    }
    t->split_count = n;
    t->split_valid = split_keys_plain;
}

int in_array(NODE *array, NODE *subscripts) {
    if (!array->table) return 0;
    NODE *key = concat_exp(subscripts);
    KeyHashes kh{key};
    int found = find_text(array->table, kh) != nullptr;
    release_temp(key);
    return found;
}

namespace {

// Whether comparing the key with every subscript of the table by the general
// comparison would neither convert anything nor find an element other than
// the one with the key's exact text.
bool compares_as_text(ElementTable *t, KeyKind key) {
    switch (key) {
    case KeyKind::Plain: return kind_count(t, KeyKind::Plain) == t->count;
    case KeyKind::Integer: return kind_count(t, KeyKind::Plain) == 0 && kind_count(t, KeyKind::Odd) == 0;
    case KeyKind::Text: return kind_count(t, KeyKind::Plain) == 0;
    default: return false;
    }
}

// The first element of the chain equal to the key by the general comparison,
// which may give either side a number view on the way.
NODE *find_by_comparison(ElementTable *t, int bucket, NODE *key) {
    for (NODE *e = t->heads[bucket]; e; e = e->left) {
        KeyKind before = kept_kind(e);
        int c = cmp_nodes(e->right, key);
        KeyKind after = key_kind(e->right);
        if (after != before) {
            count_kind(t, bucket, before, -1);
            count_kind(t, bucket, after, 1);
            keep_kind(e, after);
        }
        if (c == 0) return e;
    }
    return nullptr;
}

}  // namespace

void do_delete(NODE *array, NODE *subscripts) {
    if (!array->table) return;
    NODE *key = concat_exp(subscripts);
    bool temp = is_temp(key);  // read now: a kept key may be the subscript freed below
    ElementTable *t = element_table(array->table);
    KeyHashes kh{key};
    KeyKind kind = key_kind(key);
    // Only the key's bucket is ever compared with it: subscripts elsewhere
    // that would not compare as text do not matter.
    bool as_text = compares_as_text(t, kind) || ((kind == KeyKind::Integer || kind == KeyKind::Text) &&
                                                 t->irregular[bucket_of(kh.bucket_value())] == 0);
    NODE *e = as_text ? find_text(array->table, kh) : find_by_comparison(t, bucket_of(kh.bucket_value()), key);
    if (e) {
        unlink_element(array->table, e, bucket_of(static_cast<uint32_t>(e->word5)));
        destroy_element(e);
    }
    if (temp) unref(key);
}

void assoc_clear(NODE *array) {
    if (!array->table) return;
    ElementTable *t = element_table(array->table);
    index_free(t->index);
    t->index = nullptr;
    std::free(t->split_elems);
    t->split_elems = nullptr;
    t->split_count = t->split_capacity = 0;
    t->split_valid = false;
    t->count = 0;
    for (int64_t &k : t->kinds) k = 0;
    for (int32_t &k : t->irregular) k = 0;
    for (uint64_t &word : t->filled) {
        for (; word != 0; word &= word - 1) {
            int b = static_cast<int>(&word - t->filled) * 64 + std::countr_zero(word);
            NODE *e = array->table[b];
            array->table[b] = nullptr;
            while (e) {
                NODE *next = e->left;
                destroy_element(e);
                e = next;
            }
        }
    }
}

ScanCursor *assoc_scan(NODE *array) {
    if (!array->table) return nullptr;
    auto *c = static_cast<Cursor *>(std::malloc(sizeof(Cursor)));
    if (!c) out_of_memory("assoc_scan");
    c->pub = {ARRAY_BUCKETS, &array->table[0], array->table[0], nullptr};
    c->removals_seen = removals;
    return assoc_next(&c->pub);
}

namespace {

bool in_chain(NODE *head, const NODE *wanted) {
    for (NODE *e = head; e; e = e->left) {
        if (e == wanted) return true;
    }
    return false;
}

}  // namespace

ScanCursor *assoc_next(ScanCursor *cursor) {
    auto *c = reinterpret_cast<Cursor *>(cursor);
    // The element due next was deleted by the loop body: skip the rest of its bucket.
    if (cursor->next && c->removals_seen != removals && !in_chain(*cursor->bucket, cursor->next)) {
        cursor->next = nullptr;
    }
    while (!cursor->next) {
        if (--cursor->remaining == 0) {
            std::free(c);
            return nullptr;
        }
        ++cursor->bucket;
        cursor->next = *cursor->bucket;
    }
    cursor->subscript = cursor->next->right;
    cursor->next = cursor->next->left;
    c->removals_seen = removals;
    return cursor;
}
