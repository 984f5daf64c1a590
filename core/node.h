// The one record of the evaluation core: values, syntax-tree nodes, variables,
// symbol entries and array elements are all NODEs taken from one block pool.
//
// Contract:
//  - A value (T_VALUE) has a 32-bit signed number view, a byte-string view, or
//    both; NODE_NUM_VALID / NODE_STR_VALID say which are current. Text may hold
//    NUL bytes: `length` is authoritative, the terminator is a convenience.
//  - A string buffer belongs to exactly one node (length + 3 bytes); a text of
//    up to 9 bytes is held in the node itself, so `string` is only ever freed
//    through free_text / unref.
//  - A result carrying NODE_TEMP is released by its consumer with unref();
//    whatever is kept is kept as dupnode(). NODE_PERM nodes are never released.
//  - Heap exhaustion ends the run through fatal ("%s: %s: can't allocate memory").
//
// Lengths are 32-bit so strings of many megabytes (image data built in a
// script) stay intact.
#pragma once

#include <cstddef>
#include <cstdint>

struct NODE;
struct pattern_buffer;  // core/regex.h

// A builtin receives its unevaluated argument list (a T_EXPRESSION_LIST chain,
// or null) and returns a temporary or null_string.
using BuiltinFn = NODE *(*)(NODE *args);

enum NodeFlags : uint8_t {
    NODE_FREEABLE = 1,
    NODE_TEMP = 2,
    NODE_PERM = 4,
    NODE_NUM_VALID = 8,
    NODE_STR_VALID = 16,
    NODE_NUMERIC = 32,
    // Text whose number view (and NODE_NUMERIC) is due but not yet worked out:
    // a field is converted only when something looks at it as a number.
    NODE_NUM_PENDING = 64,
};

// The codes are fixed: the keyword table stores some of them.
enum NodeType : int32_t {
    T_MULTIPLY = 1,
    T_DIVIDE = 2,
    T_MODULO = 3,
    T_ADD = 4,
    T_SUBTRACT = 5,
    T_SUBSCRIPT = 7,
    T_CONCAT = 8,
    T_BIT_AND = 9,
    T_BIT_OR = 10,
    T_BIT_XOR = 11,
    T_SHIFT_LEFT = 12,
    T_SHIFT_RIGHT = 13,
    T_PRE_INCREMENT = 14,
    T_PRE_DECREMENT = 15,
    T_POST_INCREMENT = 16,
    T_POST_DECREMENT = 17,
    T_NEGATE = 18,
    T_FIELD = 19,
    T_ASSIGN = 20,
    T_ASSIGN_MULTIPLY = 21,
    T_ASSIGN_DIVIDE = 22,
    T_ASSIGN_MODULO = 23,
    T_ASSIGN_ADD = 24,
    T_ASSIGN_SUBTRACT = 25,
    T_ASSIGN_BIT_AND = 26,
    T_ASSIGN_BIT_OR = 27,
    T_ASSIGN_BIT_XOR = 28,
    T_ASSIGN_SHIFT_LEFT = 29,
    T_ASSIGN_SHIFT_RIGHT = 30,
    T_AND = 31,
    T_OR = 32,
    T_EQUAL = 33,
    T_NOT_EQUAL = 34,
    T_LESS = 35,
    T_GREATER = 36,
    T_LESS_EQUAL = 37,
    T_GREATER_EQUAL = 38,
    T_MATCH = 39,
    T_NO_MATCH = 40,
    T_NOT = 41,
    T_RULE_LIST = 42,
    T_RULE = 43,
    T_STATEMENT_LIST = 44,
    T_IF_BRANCHES = 45,
    T_EXPRESSION_LIST = 46,
    T_PARAMETER = 47,
    T_IF = 48,
    T_WHILE = 49,
    T_FOR = 50,
    T_FOR_IN = 51,
    T_BREAK = 52,
    T_CONTINUE = 53,
    T_PRINT = 54,
    T_PRINTF = 55,
    T_OUTPUT = 56,
    T_OUTPUTF = 57,
    T_DIRECT = 58,
    T_DIRECTF = 59,
    T_NEXT = 62,
    T_EXIT = 63,
    T_DO = 64,
    T_RETURN = 65,
    T_DELETE = 66,
    T_FUNCTION = 67,
    T_VAR = 68,
    T_ARRAY = 69,
    T_VALUE = 70,
    T_BUILTIN = 71,
    T_IN_ARRAY = 73,
    T_FUNC_NAME = 74,
    T_FUNC_CALL = 75,
    T_COND_EXP = 76,
    T_REGEX = 77,
    T_SYMBOL = 78,
    T_ARRAY_ELEMENT = 79,
};

// Seven words; which member of each word is meaningful depends on `type`:
//
//   kind                 word 1            word 2             word 3          word 4
//   T_VALUE              number            string             length,str_refs (short text)
//   tree nodes           left              right              (0)             line
//   T_BUILTIN            left (args)                                          (word 5: BuiltinId)
//   T_VAR / T_ARRAY      left (value)      table (elements)
//   T_PARAMETER          name              right (next)                       slot
//   T_FUNC_NAME          left (params)     right (body)
//   T_SYMBOL             left (next)       string (name)      length          installed
//   T_ARRAY_ELEMENT      left (next)       right (subscript)  value           previous element (word 5: key hash,
//                                                                                 word 6: index hash, str_refs: key kind)
//   T_REGEX              name (source)     pattern                            (word 5: fold)
//
// str_refs (a value's count of owned buffers, 0 or 1) sits beside flags
// rather than after length so the record packs into 48 bytes.
struct NODE {
    union {  // word 1
        int32_t number;
        NODE *left;
        char *name;
    };
    union {  // word 2
        char *string;
        NODE *right;
        NODE **table;
        pattern_buffer *pattern;
    };
    union {  // word 3
        int32_t length;
        NODE *value;
    };
    union {  // word 4
        int32_t line;
        int32_t slot;
        int32_t count;
        NODE *installed;
    };
    int32_t word5;
    int32_t type;
    uint8_t flags;
    uint8_t str_refs;
    int32_t word6;  // in what would be padding
};

// ---- pool and values ------------------------------------------------------

// The shared empty value: "" and 0, permanent, both views, numeric.
extern NODE *null_string;
void init_null_string();  // makes null_string; called once at start-up

NODE *newnode(int32_t type);  // flags = NODE_FREEABLE, word 4 cleared
void free_node(NODE *n);
void unref(NODE *n);
NODE *dupnode(NODE *n);
// Frees the text of a value whose string view is current (short texts live
// inside the node: words 4 and 5 of a value are its own).
void free_text(NODE *n);

// A value no one but its one slot (a variable, field or element) refers to,
// whose text may be rewritten where it is.
inline bool held_alone(const NODE *v) {
    return v != null_string && v->type == T_VALUE && (v->flags & (NODE_PERM | NODE_TEMP | NODE_FREEABLE)) == NODE_FREEABLE;
}

NODE *make_str_node(const char *text, size_t len, int scan_escapes);
// A string value that takes over `text`: from malloc, len bytes, terminated,
// with room for two bytes more (a short text is copied into the node).
NODE *make_str_node_taking(char *text, size_t len);
// Gives a string value held by its caller alone a new text (and no number
// view), keeping its buffer when that fits; `text` may lie inside the old text.
void refill_text(NODE *n, const char *text, size_t len);
// Makes `to`, a value only its one slot refers to, a copy of the string value
// v (not a temporary), reusing its buffer when that fits: what storing
// dupnode(v) in place of `to` gives, without a new node. False, and nothing
// changed, when either does not qualify.
bool copy_into_held(NODE *to, NODE *v);
inline bool copy_into(NODE *to, NODE *v) {
    return (v->flags & (NODE_TEMP | NODE_STR_VALID)) == NODE_STR_VALID && to != null_string && copy_into_held(to, v);
}
NODE *make_temp_string(const char *text, size_t len);
// Appends to the text of a string value only its holder refers to (`text`
// may lie inside that text); the number view is dropped. False, and the value
// unchanged, when the heap cannot hold the longer text.
bool append_text(NODE *n, const char *text, size_t len);
// A temporary string value of len bytes, terminated, whose text the caller
// writes; null when the heap cannot hold it.
NODE *new_temp_text(size_t len);
NODE *make_number(int32_t n);
NODE *make_temp_number(int32_t n);

// Decimal text only (no hex, inf or nan); values beyond the 32-bit range
// saturate at INT32_MIN / INT32_MAX.
int32_t force_number(NODE *n);
// Works out a pending number view before NODE_NUMERIC or NODE_NUM_VALID is read.
inline void settle_number(NODE *n) {
    if (n->flags & NODE_NUM_PENDING) force_number(n);
}
// OFMT must hold exactly one integer conversion; anything else formats as "%ld".
NODE *force_string(NODE *n);
// Whether numbers turn to text in plain decimal (OFMT "%d", "%ld" or unset).
bool ofmt_is_plain_decimal();
// The low byte of the number as a one-byte string; a node whose string view
// is already current is left as it is.
NODE *force_char(NODE *n);

// Reads one escape after a backslash; *cursor points just past the backslash
// and is advanced. Returns 0..255, -1 at end of text, -2 for backslash-newline.
int read_escape(const char **cursor);

// ---- symbol table -----------------------------------------------------------

constexpr int SYMBOL_BUCKETS = 101;
constexpr int ARRAY_BUCKETS = 127;

extern NODE *global_table[SYMBOL_BUCKETS];

NODE *install(NODE **table, const char *name, NODE *node);
NODE *lookup(NODE **table, const char *name);
NODE *variable(const char *name);
void remove(const char *name, int free_name);
// Forgets every global without freeing it (a test starting afresh).
void clear_symbols();

// A global read on a hot path (OFMT on every number turned to text): looked
// up again only when a symbol was installed or removed since.
struct CachedSymbol {
    const char *name;
    uint64_t generation = 0;
    NODE *node = nullptr;
};
NODE *lookup_global(CachedSymbol &cache);

// ---- associative arrays -------------------------------------------------------

struct ScanCursor {
    int32_t remaining;   // buckets left, starts at ARRAY_BUCKETS
    NODE **bucket;       // current bucket head
    NODE *next;          // next element to deliver, or null
    NODE *subscript;     // subscript of the element just delivered
};

NODE *concat_exp(NODE *subscripts);
NODE **assoc_lookup(NODE *array, NODE *key);
// split's fill, the same as clearing the array and storing elements 1..n in
// order, but the elements the last split left are refilled in place:
// kept = assoc_split_begin(a); then assoc_split_element(a, k, kept) for
// k = 1..n gives the value slot of element k; assoc_split_end(a, n, kept).
int32_t assoc_split_begin(NODE *array);
NODE **assoc_split_element(NODE *array, int32_t k, int32_t kept);
void assoc_split_end(NODE *array, int32_t n, int32_t kept);
int in_array(NODE *array, NODE *subscripts);
void do_delete(NODE *array, NODE *subscripts);
void assoc_clear(NODE *array);
// Tables are made only by assoc_lookup (a private lookup index follows the
// 127 heads); elements leave them only through do_delete and assoc_clear; a
// table is released with assoc_clear, then std::free(table). A cursor left
// before the end (break, return) is released with std::free.
ScanCursor *assoc_scan(NODE *array);
ScanCursor *assoc_next(ScanCursor *cursor);
