// Node pool, value construction, conversions and release.
#include "core/node.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/diag.h"
#include "core/chars.h"
#include "platform/locale.h"
#include "platform/memory.h"

#if defined(__SANITIZE_ADDRESS__)
#define VORDEL_NODE_PER_BLOCK 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VORDEL_NODE_PER_BLOCK 1
#endif
#endif
#ifdef VORDEL_NODE_PER_BLOCK
#include <sanitizer/lsan_interface.h>
#endif

NODE *null_string = nullptr;

static_assert(sizeof(void *) != 8 || sizeof(NODE) == 48, "NODE should pack into six 8-byte words");

namespace {

// Under AddressSanitizer every node is its own heap block, so a node used
// after its release is reported instead of silently reused from the pool.
// Trees and variables live to the end, as pool blocks do: no leak reports.
#ifdef VORDEL_NODE_PER_BLOCK
constexpr bool kNodePerBlock = true;
void keep_out_of_leak_reports(const void *p) { __lsan_ignore_object(p); }
#else
constexpr bool kNodePerBlock = false;
[[maybe_unused]] void keep_out_of_leak_reports(const void *) {}
#endif

// Blocks start at a hundred nodes and double up to 8 MB, so a large array
// takes few blocks and can sit on large pages (a block uses all the room it
// was given, so no large page is left part empty). A block hands out its nodes in
// order as they are asked for, so it touches no more memory than it gave out.
constexpr size_t FIRST_BLOCK_NODES = 100;
constexpr size_t LAST_BLOCK_NODES = (size_t{8} << 20) / sizeof(NODE);

// Blocks stay chained from a global so they remain reachable (and the leak
// checker quiet) for the whole run; they are never returned to the heap.
struct alignas(NODE) BlockHead {
    BlockHead *prev;
};

BlockHead *block_chain = nullptr;
size_t next_block_nodes = FIRST_BLOCK_NODES;
NODE *free_list = nullptr;
NODE *unused_next = nullptr;  // the newest block's nodes not yet handed out
NODE *unused_end = nullptr;

// Unused when every node is its own heap block (clang warns then).
[[maybe_unused]] void grow_pool() {
    size_t bytes = dense_room(sizeof(BlockHead) + next_block_nodes * sizeof(NODE));
    auto *block = static_cast<BlockHead *>(dense_alloc(bytes));
    if (!block) out_of_memory("newnode");
    size_t nodes = (bytes - sizeof(BlockHead)) / sizeof(NODE);
    block->prev = block_chain;
    block_chain = block;
    unused_next = reinterpret_cast<NODE *>(block + 1);
    unused_end = unused_next + nodes;
    next_block_nodes = std::min(nodes * 2, LAST_BLOCK_NODES);
}

// A buffer for `len` bytes of text plus terminator and two spare bytes.
char *new_text(size_t len, const char *operation) {
    auto *buf = static_cast<char *>(std::malloc(len + 3));
    if (!buf) out_of_memory(operation);
    return buf;
}

// A value leaves words 4 and 5 unused: a short text (most numbers, most
// subscripts) lives there, with its terminator and two spare bytes, and costs
// no allocation.
constexpr size_t INLINE_ROOM = sizeof(NODE::installed) + sizeof(NODE::word5);
constexpr size_t INLINE_TEXT = INLINE_ROOM - 3;
static_assert(offsetof(NODE, word5) == offsetof(NODE, installed) + sizeof(NODE::installed));

char *inline_text(NODE *n) { return reinterpret_cast<char *>(n) + offsetof(NODE, installed); }

// Room for `len` bytes of text (and terminator and spare) for the value n.
char *text_room(NODE *n, size_t len, const char *operation) {
    return len <= INLINE_TEXT ? inline_text(n) : new_text(len, operation);
}

void give_text(NODE *n, char *buf, size_t len) {
    n->string = buf;
    n->length = static_cast<int32_t>(len);
    n->str_refs = 1;
    n->flags |= NODE_STR_VALID;
}

constexpr char digit_text[10][2] = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};

}  // namespace

// ---- pool -------------------------------------------------------------------

NODE *newnode(int32_t type) {
    NODE *n;
    if constexpr (kNodePerBlock) {
        n = static_cast<NODE *>(std::calloc(1, sizeof(NODE)));
        if (!n) out_of_memory("newnode");
        keep_out_of_leak_reports(n);
    } else {
        if (free_list) {
            n = free_list;
            free_list = n->left;
        } else {
            if (unused_next == unused_end) grow_pool();
            n = unused_next++;
        }
    }
    n->type = type;
    n->flags = NODE_FREEABLE;
    n->installed = nullptr;
    return n;
}

void free_node(NODE *n) {
    if constexpr (kNodePerBlock) {
        std::free(n);
        return;
    }
    n->left = free_list;
    free_list = n;
}

void free_text(NODE *n) {
    if (n->string != inline_text(n)) std::free(n->string);
}

void unref(NODE *n) {
    if (!n || (n->flags & NODE_PERM) || !(n->flags & (NODE_FREEABLE | NODE_TEMP))) return;
    n->flags &= static_cast<uint8_t>(~NODE_TEMP);
    if (n->flags & NODE_STR_VALID) {
        free_text(n);
        n->flags &= static_cast<uint8_t>(~NODE_STR_VALID);
    }
    free_node(n);
}

namespace {

// Out of line so that taking over a temporary, the common case, needs no frame.
[[gnu::noinline]] NODE *copy_node(NODE *n) {
    NODE *copy = newnode(n->type);
    *copy = *n;
    copy->flags = static_cast<uint8_t>((n->flags & ~(NODE_TEMP | NODE_PERM)) | NODE_FREEABLE);
    if (n->type == T_VALUE && (n->flags & NODE_STR_VALID)) {
        size_t len = static_cast<uint32_t>(n->length);
        char *buf = text_room(copy, len, "dupnode");
        std::memcpy(buf, n->string, len + 1);
        copy->string = buf;
        copy->str_refs = 1;
    }
    return copy;
}

}  // namespace

NODE *dupnode(NODE *n) {
    if (n->flags & NODE_TEMP) {
        n->flags = static_cast<uint8_t>((n->flags & ~NODE_TEMP) | NODE_FREEABLE);
        return n;
    }
    return copy_node(n);
}

void init_null_string() {
    if (null_string) return;
    NODE *n = newnode(T_VALUE);
    char *buf = new_text(0, "init_null_string");
    buf[0] = '\0';
    n->number = 0;
    give_text(n, buf, 0);
    n->flags = NODE_PERM | NODE_NUM_VALID | NODE_STR_VALID | NODE_NUMERIC;
    null_string = n;
}

// ---- construction -------------------------------------------------------------

namespace {

// Shift-JIS lead bytes as string constants know them.
bool escape_lead_byte(unsigned char c) {
    return (c >= 0x81 && c <= 0xAE) || (c >= 0xE0 && c <= 0xFC);
}

// Rewrites the escapes of buf[0..len) in place; returns the new length.
size_t scan_escapes(char *buf, size_t len) {
    const char *src = buf;
    const char *end = buf + len;
    char *dst = buf;
    while (src < end) {
        auto c = static_cast<unsigned char>(*src);
        if (escape_lead_byte(c) && src[1] != '\0') {
            *dst++ = *src++;
            *dst++ = *src++;
        } else if (c == '\\') {
            ++src;
            int r = read_escape(&src);
            if (r < 0) BAIL_OUT("node");
            *dst++ = static_cast<char>(r);
        } else {
            *dst++ = *src++;
        }
    }
    *dst = '\0';
    return static_cast<size_t>(dst - buf);
}

}  // namespace

namespace {

[[noreturn]] void no_room_for(const char *text, size_t len) {
    fatal("%.*s: %s: can't allocate memory", static_cast<int>(len < INT_MAX ? len : INT_MAX), text, "var");
}

}  // namespace

NODE *make_str_node(const char *text, size_t len, int scan) {
    NODE *n = newnode(T_VALUE);
    // Constants keep their text on the heap (they live for the run anyway).
    auto *buf = scan || len > INLINE_TEXT ? static_cast<char *>(std::malloc(len + 3)) : inline_text(n);
    if (!buf) no_room_for(text, len);
    std::memcpy(buf, text, len);
    buf[len] = '\0';
    if (scan) {
        size_t shorter = scan_escapes(buf, len);
        if (shorter != len) {
            // Shrinking cannot fail in practice; keep the larger buffer if it does.
            if (auto *fit = static_cast<char *>(std::realloc(buf, shorter + 3))) buf = fit;
            len = shorter;
        }
        n->flags |= NODE_PERM;
    }
    give_text(n, buf, len);
    return n;
}

NODE *make_str_node_taking(char *text, size_t len) {
    if (len <= INLINE_TEXT) {
        NODE *n = make_str_node(text, len, 0);
        std::free(text);
        return n;
    }
    NODE *n = newnode(T_VALUE);
    give_text(n, text, len);
    return n;
}

namespace {

// Copies a text of up to INLINE_TEXT bytes without a call; every byte is read
// before any is written, so the two may overlap.
void copy_short(char *to, const char *from, size_t len) {
    static_assert(INLINE_TEXT <= 16);
    if (len >= 8) {
        uint64_t head, tail;
        std::memcpy(&head, from, 8);
        std::memcpy(&tail, from + len - 8, 8);
        std::memcpy(to, &head, 8);
        std::memcpy(to + len - 8, &tail, 8);
    } else if (len >= 4) {
        uint32_t head, tail;
        std::memcpy(&head, from, 4);
        std::memcpy(&tail, from + len - 4, 4);
        std::memcpy(to, &head, 4);
        std::memcpy(to + len - 4, &tail, 4);
    } else if (len > 0) {
        char a = from[0], b = from[len / 2], c = from[len - 1];
        to[0] = a;
        to[len / 2] = b;
        to[len - 1] = c;
    }
}

}  // namespace

namespace {

[[gnu::noinline]] void refill_long(NODE *n, const char *text, size_t len) {
    char *own = inline_text(n);
    char *old = (n->flags & NODE_STR_VALID) && n->string != own ? n->string : nullptr;
    size_t room = old ? static_cast<uint32_t>(n->length) : 0;
    char *buf;
    if (len <= INLINE_TEXT) {
        copy_short(own, text, len);
        buf = own;
    } else {
        if (len <= room && room <= 2 * len + 16) {  // close enough not to hoard a long buffer
            buf = old;
        } else {
            buf = static_cast<char *>(std::malloc(len + 3));
            if (!buf) no_room_for(text, len);
        }
        if (buf != text) std::memmove(buf, text, len);  // the text may lie in the old buffer
    }
    buf[len] = '\0';
    if (old && buf != old) std::free(old);
    n->flags = static_cast<uint8_t>(n->flags & (NODE_FREEABLE | NODE_TEMP));
    give_text(n, buf, len);
}

}  // namespace

void refill_text(NODE *n, const char *text, size_t len) {
    char *own = inline_text(n);
    // The common case, a short text replacing a short text, without a call.
    if (len <= INLINE_TEXT && (!(n->flags & NODE_STR_VALID) || n->string == own)) {
        copy_short(own, text, len);
        own[len] = '\0';
        n->string = own;
        n->length = static_cast<int32_t>(len);
        n->str_refs = 1;
        n->flags = static_cast<uint8_t>((n->flags & (NODE_FREEABLE | NODE_TEMP)) | NODE_STR_VALID);
        return;
    }
    refill_long(n, text, len);
}

bool copy_into_held(NODE *to, NODE *v) {
    if (v->type != T_VALUE || to == v || !held_alone(to)) return false;
    refill_text(to, v->string, static_cast<uint32_t>(v->length));
    to->number = v->number;
    to->flags = static_cast<uint8_t>((v->flags & ~NODE_PERM) | NODE_FREEABLE);
    return true;
}

bool append_text(NODE *n, const char *text, size_t len) {
    auto have = static_cast<size_t>(static_cast<uint32_t>(n->length));
    size_t total = have + len;
    char *own = inline_text(n);
    char *buf;
    if (n->string == own && total <= INLINE_TEXT) {
        buf = own;
        std::memmove(buf + have, text, len);
    } else if (n->string == own) {
        buf = static_cast<char *>(std::malloc(total + 3));
        if (!buf) return false;
        std::memcpy(buf, own, have);
        std::memcpy(buf + have, text, len);  // own stays readable: it is the node
    } else {
        auto at = reinterpret_cast<uintptr_t>(text), start = reinterpret_cast<uintptr_t>(n->string);
        bool inside = at >= start && at < start + have;  // a piece of its own text
        buf = static_cast<char *>(std::realloc(n->string, total + 3));
        if (!buf) return false;
        std::memmove(buf + have, inside ? buf + (at - start) : text, len);
    }
    buf[total] = '\0';
    n->flags = static_cast<uint8_t>(n->flags & (NODE_FREEABLE | NODE_TEMP));
    give_text(n, buf, total);
    return true;
}

NODE *new_temp_text(size_t len) {
    NODE *n = newnode(T_VALUE);
    char *buf = len <= INLINE_TEXT ? inline_text(n) : static_cast<char *>(std::malloc(len + 3));
    if (!buf) {
        free_node(n);
        return nullptr;
    }
    buf[len] = '\0';
    give_text(n, buf, len);
    n->flags |= NODE_TEMP;
    return n;
}

NODE *make_temp_string(const char *text, size_t len) {
    NODE *n = make_str_node(text, len, 0);
    n->flags |= NODE_TEMP;
    return n;
}

NODE *make_number(int32_t value) {
    NODE *n = newnode(T_VALUE);
    n->number = value;
    n->string = nullptr;
    n->length = 0;
    n->str_refs = 0;
    n->flags = NODE_FREEABLE | NODE_NUM_VALID | NODE_NUMERIC;
    return n;
}

NODE *make_temp_number(int32_t value) {
    NODE *n = make_number(value);
    n->flags |= NODE_TEMP;
    return n;
}

// ---- escapes ------------------------------------------------------------------

int read_escape(const char **cursor) {
    const char *p = *cursor;
    if (*p == '\0') return -1;
    if (*p == '\n') {
        *cursor = p + 1;
        return -2;
    }
    // The longest escape is a letter and three digits.
    std::string_view text(p, strnlen(p, 4));
    size_t used = 0;
    int result = static_cast<int>(decode_escape(text, used, EscapeRule{3, 2}) & 0xFF);
    *cursor = p + used;
    return result;
}

// ---- number view ------------------------------------------------------------------

namespace {

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
bool is_digit(char c) { return c >= '0' && c <= '9'; }

int32_t saturate(double v) {
    if (v >= 2147483647.0) return INT32_MAX;
    if (v <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(v);  // truncates toward zero
}

struct Converted {
    int32_t value;
    const char *end;  // just past the converted text (== start when nothing converted)
    bool range_error;
};

// End of the unsigned decimal number at p (digits, fraction, exponent), or p
// itself when there is none; *integral says it has neither fraction nor exponent.
const char *scan_decimal(const char *p, bool *integral) {
    const char *start = p;
    while (is_digit(*p)) ++p;
    bool digits = p != start;
    *integral = true;
    if (*p == '.') {
        const char *q = p + 1;
        while (is_digit(*q)) ++q;
        if (!digits && q == p + 1) return start;
        *integral = q == p + 1;
        p = q;
    } else if (!digits) {
        return start;
    }
    if (*p == 'e' || *p == 'E') {
        const char *q = p + 1;
        if (*q == '+' || *q == '-') ++q;
        if (is_digit(*q)) {
            while (is_digit(*q)) ++q;
            *integral = false;
            p = q;
        }
    }
    return p;
}

// Decimal text to number: blanks, sign, digits, fraction, exponent. No hex, no
// inf/nan. Out-of-range values saturate at the 32-bit limits.
Converted convert_decimal(const char *start) {
    const char *p = start;
    while (is_blank(*p)) ++p;
    bool negative = *p == '-';
    if (*p == '+' || *p == '-') ++p;
    bool integral;
    const char *end = scan_decimal(p, &integral);
    if (end == p) return {0, start, false};
    // Up to six decimals cannot round a value of 32 bits or less up to the
    // next integer, so the integer part is the truncated value.
    const char *point = p;
    while (is_digit(*point)) ++point;
    bool short_fraction = !integral && *point == '.' && point - p <= 18 && end - point <= 7 &&
                          std::find_if(point + 1, end, [](char c) { return !is_digit(c); }) == end;
    if (integral || short_fraction) {  // exact without floating point; "5." stops at the point
        int64_t whole = 0;
        for (; is_digit(*p) && whole <= INT32_MAX; ++p) whole = whole * 10 + (*p - '0');
        if (negative) whole = -whole;
        return {whole > INT32_MAX ? INT32_MAX : whole < INT32_MIN ? INT32_MIN : static_cast<int32_t>(whole), end,
                false};
    }
    // The C library's correctly rounded conversion, in the "C" locale whatever
    // the user's locale says about decimal points.
    errno = 0;
    double d = strtod_c_locale(p);
    return {saturate(negative ? -d : d), end, errno == ERANGE};
}

}  // namespace

int32_t force_number(NODE *n) {
    if (n->flags & NODE_NUM_VALID) return n->number;
    n->flags = static_cast<uint8_t>((n->flags & ~NODE_NUM_PENDING) | NODE_NUM_VALID);
    int32_t len = (n->flags & NODE_STR_VALID) ? n->length : 0;
    if (len == 0) {
        n->number = 0;
        return 0;
    }
    if (len == 1) {
        char c = n->string[0];
        n->number = is_digit(c) ? c - '0' : 0;
        if (is_digit(c)) n->flags |= NODE_NUMERIC;
        return n->number;
    }
    Converted r = convert_decimal(n->string);
    n->number = r.value;
    if (r.end == n->string) return n->number;
    const char *p = r.end;
    const char *end = n->string + static_cast<uint32_t>(len);
    while (p < end && is_blank(*p)) ++p;
    if (!r.range_error && p == end) n->flags |= NODE_NUMERIC;
    return n->number;
}

// ---- string view ------------------------------------------------------------------

namespace {

enum class IntFormat { Invalid, Int, Long, UnsignedLong };

// Accepts a format with exactly one integer conversion (flags, width,
// precision, an optional l or h) and any literal text with %% escapes.
IntFormat classify_format(const char *f) {
    IntFormat kind = IntFormat::Invalid;
    bool seen = false;
    for (const char *p = f; *p; ++p) {
        if (*p != '%') continue;
        if (*++p == '%') continue;
        if (seen) return IntFormat::Invalid;
        seen = true;
        while (*p && std::strchr("-+ #0", *p)) ++p;
        while (is_digit(*p)) ++p;
        if (*p == '.') {
            ++p;
            while (is_digit(*p)) ++p;
        }
        bool is_long = *p == 'l';
        if (*p == 'l' || *p == 'h') ++p;
        if (*p == '\0') return IntFormat::Invalid;
        if (std::strchr("di", *p)) {
            kind = is_long ? IntFormat::Long : IntFormat::Int;
        } else if (std::strchr("ouxX", *p)) {
            kind = is_long ? IntFormat::UnsignedLong : IntFormat::Int;
        } else {
            return IntFormat::Invalid;
        }
    }
    return kind;
}

// The current OFMT text, or null when it is not a string value.
const char *current_ofmt() {
    static CachedSymbol ofmt{"OFMT"};
    NODE *var = lookup_global(ofmt);
    if (!var || (var->type != T_VAR && var->type != T_ARRAY) || !var->left) return nullptr;
    NODE *value = var->left;
    if (!(value->flags & NODE_STR_VALID)) return nullptr;
    return value->string;
}

// The plain decimal forms skip the printf machinery.
bool plain_decimal(const char *fmt) {
    if (!fmt) return true;
    if (fmt[0] != '%') return false;
    const char *p = fmt[1] == 'l' ? fmt + 2 : fmt + 1;
    return p[0] == 'd' && p[1] == '\0';
}

// v in plain decimal with terminator (at most 12 bytes); two digits per
// step, as numbers become text on every subscript.
int plain_decimal_text(char *out, int32_t v) {
    static constexpr char pairs[] =
        "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
        "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
        "8081828384858687888990919293949596979899";
    uint32_t u = v < 0 ? 0u - static_cast<uint32_t>(v) : static_cast<uint32_t>(v);
    int len = v < 0 ? 2 : 1;
    for (uint32_t rest = u; rest >= 10; rest /= 10) ++len;
    char *p = out + len;
    *p = '\0';
    while (u >= 100) {
        p -= 2;
        std::memcpy(p, pairs + 2 * (u % 100), 2);
        u /= 100;
    }
    if (u >= 10) {
        p -= 2;
        std::memcpy(p, pairs + 2 * u, 2);
    } else {
        *--p = static_cast<char>('0' + u);
    }
    if (v < 0) out[0] = '-';
    return len;
}

int format_number(char *out, size_t size, const char *fmt, IntFormat kind, int32_t v) {
    if (plain_decimal(fmt)) {
        return plain_decimal_text(out, v);
    }
    // The language's long is 32 bits wide: an unsigned long conversion of -1 is ffffffff.
    switch (kind) {
    case IntFormat::Long: return std::snprintf(out, size, fmt, static_cast<long>(v));
    case IntFormat::UnsignedLong:
        return std::snprintf(out, size, fmt, static_cast<unsigned long>(static_cast<uint32_t>(v)));
    default: return std::snprintf(out, size, fmt, v);
    }
}

}  // namespace

bool ofmt_is_plain_decimal() { return plain_decimal(current_ofmt()); }

NODE *force_string(NODE *n) {
    if (n->flags & NODE_STR_VALID) return n;
    int32_t v = n->number;
    if (v >= 0 && v <= 9) {
        char *buf = text_room(n, 1, "force_string");
        std::memcpy(buf, digit_text[v], 2);
        give_text(n, buf, 1);
        return n;
    }
    const char *fmt = current_ofmt();
    if (plain_decimal(fmt)) {
        // The whole 12-byte work area is copied: it fits the inline room, and
        // a text too long for that has at least 13 bytes of buffer.
        static_assert(INLINE_ROOM == 12);
        char digits[12] = {};
        int len = plain_decimal_text(digits, v);
        char *buf = text_room(n, static_cast<size_t>(len), "force_string");
        std::memcpy(buf, digits, sizeof digits);
        give_text(n, buf, static_cast<size_t>(len));
        return n;
    }
    IntFormat kind = classify_format(fmt);
    if (kind == IntFormat::Invalid) fmt = nullptr;
    char work[128];
    int len = format_number(work, sizeof work, fmt, kind, v);
    if (len < 0) len = 0;
    char *buf = text_room(n, static_cast<size_t>(len), "force_string");
    if (static_cast<size_t>(len) < sizeof work) {
        std::memcpy(buf, work, static_cast<size_t>(len) + 1);
    } else {  // a wide field: format again into the full-size buffer
        format_number(buf, static_cast<size_t>(len) + 1, fmt, kind, v);
    }
    give_text(n, buf, static_cast<size_t>(len));
    return n;
}

NODE *force_char(NODE *n) {
    if (n->flags & NODE_STR_VALID) return n;
    char *buf = text_room(n, 1, "force_string");
    buf[0] = static_cast<char>(n->number & 0xFF);
    buf[1] = '\0';
    give_text(n, buf, 1);
    return n;
}
