// Regex compiler: pattern text -> syntax tree -> byte program (regex_internal.h).
#include "core/regex.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/regex_internal.h"

using namespace re_detail;

const char *const REGEX_ERR_PREMATURE_END = "Premature end of regular expression";
const char *const REGEX_ERR_INVALID = "Invalid regular expression";
const char *const REGEX_ERR_UNMATCHED_RPAREN = "Unmatched \\)";
const char *const REGEX_ERR_UNMATCHED_LPAREN = "Unmatched \\(";
const char *const REGEX_ERR_NESTING = "Nesting too deep";
const char *const REGEX_ERR_TOO_BIG = "Regular expression too big";
const char *const REGEX_ERR_MEMORY = "Memory exhausted";

namespace {

constexpr std::array<unsigned char, 256> make_fold_table(bool fold) {
    std::array<unsigned char, 256> t{};
    for (unsigned b = 0; b < 256; b++)
        t[b] = static_cast<unsigned char>(fold && b >= 'A' && b <= 'Z' ? b + ('a' - 'A') : b);
    return t;
}
constexpr auto casefold = make_fold_table(true);
constexpr auto identity = make_fold_table(false);

int syntax_bits = 0;
bool syntax_ready = false;

constexpr int MAX_OPEN_GROUPS = 10;
constexpr int MAX_CAPTURES = 9;

}  // namespace

const unsigned char re_casefold_table[256] = {
#define ROW(b) casefold[b], casefold[b + 1], casefold[b + 2], casefold[b + 3], \
               casefold[b + 4], casefold[b + 5], casefold[b + 6], casefold[b + 7]
    ROW(0),   ROW(8),   ROW(16),  ROW(24),  ROW(32),  ROW(40),  ROW(48),  ROW(56),
    ROW(64),  ROW(72),  ROW(80),  ROW(88),  ROW(96),  ROW(104), ROW(112), ROW(120),
    ROW(128), ROW(136), ROW(144), ROW(152), ROW(160), ROW(168), ROW(176), ROW(184),
    ROW(192), ROW(200), ROW(208), ROW(216), ROW(224), ROW(232), ROW(240), ROW(248),
#undef ROW
};

namespace re_detail {
const unsigned char identity_table[256] = {
#define ROW(b) identity[b], identity[b + 1], identity[b + 2], identity[b + 3], \
               identity[b + 4], identity[b + 5], identity[b + 6], identity[b + 7]
    ROW(0),   ROW(8),   ROW(16),  ROW(24),  ROW(32),  ROW(40),  ROW(48),  ROW(56),
    ROW(64),  ROW(72),  ROW(80),  ROW(88),  ROW(96),  ROW(104), ROW(112), ROW(120),
    ROW(128), ROW(136), ROW(144), ROW(152), ROW(160), ROW(168), ROW(176), ROW(184),
    ROW(192), ROW(200), ROW(208), ROW(216), ROW(224), ROW(232), ROW(240), ROW(248),
#undef ROW
};
unsigned char word_table[256];
}  // namespace re_detail

int re_set_syntax(int bits) {
    int previous = syntax_bits;
    syntax_bits = bits;
    return previous;
}

void init_syntax_once() {
    if (syntax_ready) return;
    for (unsigned b = 0; b < 256; b++) word_table[b] = is_word_byte(b);
    syntax_ready = true;
}

namespace {

// ---- syntax tree ------------------------------------------------------------

enum class Kind : uint8_t {
    Empty, Char, Char2, Any, Set, Word, NotWord, BegBuf, EndBuf,
    WordBound, NotWordBound, WordBeg, WordEnd, Backref, Group, Concat, Alt, Repeat,
};

// Group: value = capture number (0 for a group that only groups), first = body.
// Repeat: first = body. Concat/Alt: first = first child, children linked by next.
// Char/Char2: value = code. Set: value = index into sets. Backref: value = group.
struct Node {
    Kind kind;
    bool min0 = false;
    bool many = false;
    int32_t value = 0;
    int32_t first = -1;
    int32_t next = -1;
};

struct CharSet {
    uint8_t bits[SET_BITMAP] = {};
    bool negate = false;
    std::vector<uint16_t> ranges;  // lo, hi pairs of double-byte codes
};

// Kinds that map one-to-one onto an opcode without operands.
constexpr Op simple_op(Kind k) {
    switch (k) {
    case Kind::Any: return OP_ANY;
    case Kind::Word: return OP_WORD;
    case Kind::NotWord: return OP_NOT_WORD;
    case Kind::BegBuf: return OP_BEGBUF;
    case Kind::EndBuf: return OP_ENDBUF;
    case Kind::WordBound: return OP_WORD_BOUND;
    case Kind::NotWordBound: return OP_NOT_WORD_BOUND;
    case Kind::WordBeg: return OP_WORD_BEG;
    case Kind::WordEnd: return OP_WORD_END;
    default: return OP_COUNT;
    }
}

// ---- parser -------------------------------------------------------------------

class Parser {
public:
    Parser(const uint8_t *p, int32_t len, const unsigned char *tr) : p_(p), len_(len), tr_(tr) {}

    // regex -> branch ('|' branch)* ; the whole pattern
    int32_t parse_pattern() {
        int32_t root = parse_alt();
        if (error_ == nullptr && i_ < len_) error_ = REGEX_ERR_UNMATCHED_RPAREN;
        return root;
    }
    const char *error() const { return error_; }
    std::vector<Node> nodes;
    std::vector<CharSet> sets;

private:
    int32_t add(Kind k, int32_t value = 0) {
        nodes.push_back(Node{k});
        nodes.back().value = value;
        return static_cast<int32_t>(nodes.size() - 1);
    }
    void link(int32_t parent, const std::vector<int32_t> &children) {
        int32_t *slot = &nodes[parent].first;
        for (int32_t c : children) {
            *slot = c;
            slot = &nodes[c].next;
        }
    }

    // alt -> branch ('|' branch)*
    int32_t parse_alt() {
        std::vector<int32_t> branches{parse_branch()};
        while (error_ == nullptr && i_ < len_ && p_[i_] == '|') {
            i_++;
            branches.push_back(parse_branch());
        }
        if (error_ != nullptr) return -1;
        if (branches.size() == 1) return branches[0];
        int32_t alt = add(Kind::Alt);
        link(alt, branches);
        return alt;
    }

    // branch -> (atom repetition*)*   a repetition with nothing before it is ignored
    int32_t parse_branch() {
        std::vector<int32_t> items;
        while (error_ == nullptr && i_ < len_ && p_[i_] != '|' && p_[i_] != ')') {
            if (is_repeat_op(p_[i_])) {
                int32_t rep = parse_repeat_run();
                if (!items.empty()) {
                    nodes[rep].first = items.back();
                    items.back() = rep;
                }
            } else {
                items.push_back(parse_atom());
            }
        }
        if (error_ != nullptr) return -1;
        int32_t branch = add(Kind::Concat);
        link(branch, items);
        return branch;
    }

    static bool is_repeat_op(uint8_t c) { return c == '*' || c == '+' || c == '?'; }

    // A run of *, + and ? is one repetition: zero times unless all are '+',
    // many times unless all are '?'.
    int32_t parse_repeat_run() {
        int32_t rep = add(Kind::Repeat);
        while (i_ < len_ && is_repeat_op(p_[i_])) {
            nodes[rep].min0 |= p_[i_] != '+';
            nodes[rep].many |= p_[i_] != '?';
            i_++;
        }
        return rep;
    }

    // atom -> '(' alt ')' | '.' | '[' set | '^' | '$' | '\' escape | character
    int32_t parse_atom() {
        switch (p_[i_]) {
        case '(': return parse_group();
        case '[': return parse_set();
        case '.': i_++; return add(Kind::Any);
        case '^': i_++; return add(Kind::BegBuf);
        case '$': i_++; return add(Kind::EndBuf);
        case '\\': return parse_escape();
        default: return char_node(read_char());
        }
    }

    int32_t parse_group() {
        if (depth_ == MAX_OPEN_GROUPS) {
            error_ = REGEX_ERR_NESTING;
            return -1;
        }
        i_++;
        depth_++;
        int capture = ++opened_ <= MAX_CAPTURES ? opened_ : 0;
        int32_t body = parse_alt();
        if (error_ != nullptr) return -1;
        if (i_ >= len_) {
            error_ = REGEX_ERR_UNMATCHED_LPAREN;
            return -1;
        }
        i_++;  // ')'
        depth_--;
        if (capture != 0) closed_ |= 1u << capture;
        int32_t group = add(Kind::Group, capture);
        nodes[group].first = body;
        return group;
    }

    int32_t parse_escape() {
        if (i_ + 1 >= len_) {
            error_ = REGEX_ERR_INVALID;
            i_ = len_;
            return -1;
        }
        uint8_t c = p_[i_ + 1];
        Kind k = escape_kind(c);
        if (k != Kind::Empty) {
            i_ += 2;
            return add(k);
        }
        if (c >= '1' && c <= '9' && (closed_ >> (c - '0')) & 1) {
            i_ += 2;
            return add(Kind::Backref, c - '0');
        }
        i_++;
        return char_node(read_char());
    }

    static Kind escape_kind(uint8_t c) {
        switch (c) {
        case 'w': return Kind::Word;
        case 'W': return Kind::NotWord;
        case 'b': return Kind::WordBound;
        case 'B': return Kind::NotWordBound;
        case '<': return Kind::WordBeg;
        case '>': return Kind::WordEnd;
        case '`': return Kind::BegBuf;
        case '\'': return Kind::EndBuf;
        default: return Kind::Empty;
        }
    }

    int32_t char_node(int32_t code) {
        if (code < 0) return -1;
        if (code < 256) return add(Kind::Char, tr_[code]);
        return add(Kind::Char2, code);
    }

    // One character at i_: a byte, or a lead byte and the byte after it.
    // Returns its code, or -1 (error set) when a lead byte ends the pattern.
    int32_t read_char() {
        uint8_t c = p_[i_];
        if (!lead_table[c]) {
            i_++;
            return c;
        }
        if (i_ + 1 >= len_) {
            error_ = REGEX_ERR_PREMATURE_END;
            i_ = len_;
            return -1;
        }
        i_ += 2;
        return (c << 8) | p_[i_ - 1];
    }

    // A member of a bracket list: a character, or a backslash and the character after it.
    int32_t read_member() {
        if (p_[i_] == '\\') {
            i_++;
            if (i_ >= len_) {
                error_ = REGEX_ERR_PREMATURE_END;
                return -1;
            }
        }
        return read_char();
    }

    // set -> '[' '^'? ']'? (member ('-' member)?)* ']'
    int32_t parse_set() {
        CharSet set;
        i_++;
        if (i_ < len_ && p_[i_] == '^') {
            set.negate = true;
            i_++;
        }
        for (bool first = true;; first = false) {
            if (i_ >= len_) {
                error_ = REGEX_ERR_PREMATURE_END;
                return -1;
            }
            if (p_[i_] == ']' && !first) break;
            int32_t lo = read_member(), hi = lo;
            if (lo >= 0 && i_ + 1 < len_ && p_[i_] == '-' && p_[i_ + 1] != ']') {
                i_++;
                hi = read_member();
            }
            if (error_ != nullptr) return -1;
            add_range(set, lo, hi);
        }
        i_++;  // ']'
        sets.push_back(std::move(set));
        return add(Kind::Set, static_cast<int32_t>(sets.size() - 1));
    }

    void add_range(CharSet &set, int32_t lo, int32_t hi) {
        for (int32_t c = lo; c <= hi && c < 256; c++) set.bits[tr_[c] >> 3] |= 1 << (tr_[c] & 7);
        if (hi >= 256) {
            set.ranges.push_back(static_cast<uint16_t>(lo < 256 ? 256 : lo));
            set.ranges.push_back(static_cast<uint16_t>(hi));
        }
    }

    const uint8_t *p_;
    int32_t len_;
    const unsigned char *tr_;
    int32_t i_ = 0;
    int depth_ = 0;
    int opened_ = 0;
    uint32_t closed_ = 0;  // bit n: capture group n is closed
    const char *error_ = nullptr;
};

// ---- code generation ------------------------------------------------------------

class Emitter {
public:
    Emitter(pattern_buffer *buf, const Parser &tree) : buf_(buf), nodes_(tree.nodes), sets_(tree.sets) {}

    const char *emit_program(int32_t root) {
        buf_->used = 0;
        buf_->loop_marks = 0;
        emit(root);
        put(OP_END);
        return error_;
    }

private:
    bool nullable(int32_t n) const {
        const Node &node = nodes_[n];
        switch (node.kind) {
        case Kind::Char: case Kind::Char2: case Kind::Any: case Kind::Set:
        case Kind::Word: case Kind::NotWord:
            return false;
        case Kind::Group: return nullable(node.first);
        case Kind::Repeat: return node.min0 || nullable(node.first);
        case Kind::Concat:
            for (int32_t c = node.first; c >= 0; c = nodes_[c].next)
                if (!nullable(c)) return false;
            return true;
        case Kind::Alt:
            for (int32_t c = node.first; c >= 0; c = nodes_[c].next)
                if (nullable(c)) return true;
            return false;
        default: return true;  // assertions, back-references, empty
        }
    }

    // Makes room for n more bytes, growing the program by doubling.
    bool reserve(int32_t n) {
        if (error_ != nullptr) return false;
        int32_t need = buf_->used + n;
        if (need > REGEX_MAX_PROGRAM) {
            error_ = REGEX_ERR_TOO_BIG;
            return false;
        }
        if (need <= buf_->allocated) return true;
        int32_t size = buf_->allocated < 16 ? 16 : buf_->allocated;
        while (size < need) size *= 2;
        if (size > REGEX_MAX_PROGRAM) size = REGEX_MAX_PROGRAM;
        auto *grown = static_cast<unsigned char *>(std::realloc(buf_->buffer, size));
        if (grown == nullptr) {
            error_ = REGEX_ERR_MEMORY;
            return false;
        }
        buf_->buffer = grown;
        buf_->allocated = size;
        return true;
    }
    void put(unsigned b) {
        if (reserve(1)) buf_->buffer[buf_->used++] = static_cast<unsigned char>(b);
    }
    void put16(int32_t v) {
        put(v & 0xFF);
        put((v >> 8) & 0xFF);
    }
    int32_t here() const { return buf_->used; }
    // Jump operand at `at` (inside the instruction starting at `op`) now points to `target`.
    void patch(int32_t op, int32_t at, int32_t target) {
        if (error_ != nullptr) return;
        buf_->buffer[at] = static_cast<unsigned char>((target - op) & 0xFF);
        buf_->buffer[at + 1] = static_cast<unsigned char>(((target - op) >> 8) & 0xFF);
    }
    void put_jump(Op op, int32_t target) {
        int32_t at = here();
        put(op);
        put16(target - at);
    }

    void emit(int32_t n) {
        const Node &node = nodes_[n];
        Op simple = simple_op(node.kind);
        if (simple != OP_COUNT) {
            put(simple);
            return;
        }
        switch (node.kind) {
        case Kind::Char: put(OP_CHAR); put(node.value); break;
        case Kind::Char2: put(OP_CHAR2); put(node.value >> 8); put(node.value & 0xFF); break;
        case Kind::Set: emit_set(sets_[node.value]); break;
        case Kind::Backref: put(OP_BACKREF); put(node.value); break;
        case Kind::Group: emit_group(node); break;
        case Kind::Concat:
            for (int32_t c = node.first; c >= 0; c = nodes_[c].next) emit(c);
            break;
        case Kind::Alt: emit_alt(node); break;
        case Kind::Repeat: emit_repeat(node); break;
        default: break;  // Empty
        }
    }

    void emit_set(const CharSet &set) {
        put(OP_SET);
        put(set.negate);
        put16(static_cast<int32_t>(set.ranges.size() / 2));
        for (uint8_t b : set.bits) put(b);
        for (uint16_t r : set.ranges) put16(r);
    }

    void emit_group(const Node &node) {
        if (node.value != 0) {
            put(OP_SAVE_START);
            put(node.value);
        }
        emit(node.first);
        if (node.value != 0) {
            put(OP_SAVE_END);
            put(node.value);
        }
    }

    // a|b|c -> TRY L1; a; JUMP E; L1: TRY L2; b; JUMP E; L2: c; E:
    void emit_alt(const Node &node) {
        std::vector<int32_t> exits;
        for (int32_t c = node.first; c >= 0; c = nodes_[c].next) {
            if (nodes_[c].next < 0) {
                emit(c);
                break;
            }
            int32_t try_at = here();
            put_jump(OP_TRY, try_at);
            emit(c);
            exits.push_back(here());
            put_jump(OP_JUMP, here());
            patch(try_at, try_at + 1, here());
        }
        for (int32_t at : exits) patch(at, at + 1, here());
    }

    static bool is_one_character(Kind k) {
        return k == Kind::Char || k == Kind::Char2 || k == Kind::Any || k == Kind::Set ||
               k == Kind::Word || k == Kind::NotWord;
    }

    // x*: TRY E; L: x; LOOP L; E:     x+: L: x; LOOP L;     x?: TRY E; x; E:
    // A body that can match empty records its start in a mark and loops only
    // when it moved, so an empty iteration cannot repeat forever. A run of one
    // character kind is a single OP_RUN.
    void emit_repeat(const Node &node) {
        if (node.many && is_one_character(nodes_[node.first].kind)) {
            put(OP_RUN);
            put(node.min0 ? 0 : 1);
            emit(node.first);
            return;
        }
        int32_t try_at = here();
        if (node.min0) put_jump(OP_TRY, try_at);
        int32_t loop_start = here();
        bool guard = node.many && nullable(node.first);
        int32_t mark = buf_->loop_marks;
        if (guard) {
            buf_->loop_marks++;
            put(OP_MARK);
            put16(mark);
        }
        emit(node.first);
        if (guard) {
            int32_t at = here();
            put(OP_LOOP_IF);
            put16(mark);
            put16(loop_start - at);
        } else if (node.many) {
            put_jump(OP_LOOP, loop_start);
        }
        if (node.min0) patch(try_at, try_at + 1, here());
    }

    pattern_buffer *buf_;
    const std::vector<Node> &nodes_;
    const std::vector<CharSet> &sets_;
    const char *error_ = nullptr;
};

// First item that must match, looking through sequences and groups.
int32_t leading_item(const std::vector<Node> &nodes, int32_t n) {
    while (n >= 0 && (nodes[n].kind == Kind::Concat || nodes[n].kind == Kind::Group))
        n = nodes[n].first;
    return n;
}

// `.*` or `.+` first, outside any group, and no alternation at the top.
bool begins_with_any_run(const std::vector<Node> &nodes, int32_t root) {
    if (nodes[root].kind != Kind::Concat) return false;
    int32_t first = nodes[root].first;
    return first >= 0 && nodes[first].kind == Kind::Repeat && nodes[first].many &&
           nodes[nodes[first].first].kind == Kind::Any;
}

}  // namespace

const char *re_compile_pattern(const char *pattern, int32_t length, pattern_buffer *buf) {
    init_syntax_once();
    buf->fastmap_accurate = false;
    buf->used = 0;
    if (buf->fastmap == nullptr) {
        buf->fastmap = static_cast<char *>(std::malloc(256));
        if (buf->fastmap == nullptr) return REGEX_ERR_MEMORY;
    }
    const unsigned char *tr = buf->translate != nullptr ? buf->translate : identity_table;
    Parser parser(reinterpret_cast<const uint8_t *>(pattern), length, tr);
    int32_t root = parser.parse_pattern();
    if (parser.error() != nullptr) return parser.error();
    const char *error = Emitter(buf, parser).emit_program(root);
    if (error != nullptr) {
        buf->used = 0;
        return error;
    }
    int32_t lead = leading_item(parser.nodes, root);
    buf->anchored = lead >= 0 && parser.nodes[lead].kind == Kind::BegBuf;
    buf->leading_any_run = begins_with_any_run(parser.nodes, root);
    return nullptr;
}

void re_free_pattern(pattern_buffer *buf) {
    std::free(buf->buffer);
    std::free(buf->fastmap);
    buf->buffer = nullptr;
    buf->fastmap = nullptr;
    buf->allocated = buf->used = 0;
    buf->fastmap_accurate = false;
}
