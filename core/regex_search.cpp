// Regex matcher: the fastmap, backtracking over the byte program, and the
// search over starting points.
#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include "core/regex.h"
#include "core/regex_internal.h"

using namespace re_detail;

// 4M entries of 8 bytes: 32 MB at most, 64 entries per byte of a 64 KB text.
size_t re_max_stack_entries = size_t{1} << 22;
uint64_t re_max_backtracks = uint64_t{1} << 26;

namespace {

// pc >= 0: a choice point resuming at pc with the position; pc < 0: slot ~pc
// held `pos` before it was overwritten. A run of single bytes is one entry
// tagged RUN_TAG (resume at pc, giving back one byte each time) above an
// entry whose pos is the lowest position the run may give back to.
struct Entry {
    int32_t pc;
    int32_t pos;
};
constexpr int32_t RUN_TAG = 1 << 30;
constexpr int32_t RUN_FLOOR = RUN_TAG - 1;  // only ever popped together with its run

// Kept between searches so that searching allocates nothing once warm.
struct Workspace {
    Entry *entries = nullptr;
    size_t capacity = 0;
    int32_t *slots = nullptr;
    int32_t slot_capacity = 0;
};
Workspace work;

constexpr size_t STACK_FIRST = 1024;
constexpr size_t STACK_KEEP = size_t{1} << 20;  // larger stacks are freed after the search

bool grow_stack() {
    size_t limit = re_max_stack_entries;
    if (work.capacity >= limit) return false;
    size_t size = work.capacity < STACK_FIRST ? STACK_FIRST : work.capacity * 2;
    if (size > limit) size = limit;
    auto *grown = static_cast<Entry *>(std::realloc(work.entries, size * sizeof(Entry)));
    if (grown == nullptr) return false;
    work.entries = grown;
    work.capacity = size;
    return true;
}

bool reserve_slots(int32_t count) {
    if (count <= work.slot_capacity) return true;
    auto *grown = static_cast<int32_t *>(std::realloc(work.slots, count * sizeof(int32_t)));
    if (grown == nullptr) return false;
    work.slots = grown;
    work.slot_capacity = count;
    return true;
}

void release_large_stack() {
    if (work.capacity <= STACK_KEEP) return;
    std::free(work.entries);
    work.entries = nullptr;
    work.capacity = 0;
}

// Whether byte q of text is the second byte of a double-byte character: the
// run of lead bytes just before it has odd length.
bool is_second_byte(const uint8_t *text, int32_t q) {
    int32_t run = 0;
    while (q - run - 1 >= 0 && lead_table[text[q - run - 1]]) run++;
    return run & 1;
}

class Matcher {
public:
    Matcher(const pattern_buffer *buf, const uint8_t *text, int32_t len)
        : prog_(buf->buffer), text_(text), len_(len),
          tr_(buf->translate != nullptr ? buf->translate : identity_table),
          slot_count_(SLOT_MARK + buf->loop_marks) {}

    bool ready() const { return reserve_slots(slot_count_); }
    // End of a match starting at `start`, -1 for none, -2 when a bound was hit.
    int32_t run(int32_t start);
    void fill(regex_registers *regs, int32_t start, int32_t end) const;

private:
    int32_t char_len(int32_t pos) const { return lead_table[text_[pos]] && pos + 1 < len_ ? 2 : 1; }
    unsigned code_at(int32_t pos) const {
        if (char_len(pos) == 2) return (text_[pos] << 8) | text_[pos + 1];
        return tr_[text_[pos]];
    }
    bool word_at(int32_t pos) const { return pos < len_ && word_table[text_[pos]]; }
    bool word_before(int32_t pos) const {
        return pos > 0 && word_table[text_[pos - 1]] && !is_second_byte(text_, pos - 1);
    }
    // Position after the one character the instruction at ins takes at pos, or -1.
    int32_t consume(const uint8_t *ins, int32_t pos) const {
        if (pos >= len_) return -1;
        uint8_t b = text_[pos];
        switch (ins[0]) {
        case OP_CHAR: return tr_[b] == ins[1] ? pos + 1 : -1;
        case OP_CHAR2: return pos + 1 < len_ && b == ins[1] && text_[pos + 1] == ins[2] ? pos + 2 : -1;
        case OP_ANY: return b != '\n' ? pos + char_len(pos) : -1;
        case OP_SET: return set_contains(ins, code_at(pos)) ? pos + char_len(pos) : -1;
        case OP_WORD: return word_table[b] ? pos + 1 : -1;
        default: return !word_table[b] ? pos + char_len(pos) : -1;  // OP_NOT_WORD
        }
    }
    int take_run(const uint8_t *ins, int32_t &pc, int32_t &pos);
    // The next position below `from` (not below floor) worth resuming at pc,
    // or -1: when a literal follows the run, only where that literal is.
    int32_t give_back(int32_t pc, int32_t from, int32_t floor) const {
        int32_t p = from - 1;
        if (prog_[pc] == OP_CHAR)
            while (p >= floor && tr_[text_[p]] != prog_[pc + 1]) p--;
        return p >= floor ? p : -1;
    }
    bool assertion_holds(uint8_t op, int32_t pos) const;
    int32_t backref_length(int n, int32_t pos) const;

    bool push(int32_t pc, int32_t pos) {
        if (top_ == room_ && !make_room()) return false;
        work.entries[top_++] = Entry{pc, pos};
        return true;
    }
    bool save(int32_t slot, int32_t pos) {
        if (!push(~slot, work.slots[slot])) return false;
        work.slots[slot] = pos;
        return true;
    }
    int backtrack(int32_t &pc, int32_t &pos);
    bool make_room() {
        if (top_ >= re_max_stack_entries || (top_ == work.capacity && !grow_stack())) return false;
        room_ = std::min(work.capacity, re_max_stack_entries);
        return true;
    }

    const uint8_t *prog_;
    const uint8_t *text_;
    int32_t len_;
    const unsigned char *tr_;
    int32_t slot_count_;
    size_t top_ = 0;
    size_t room_ = 0;  // entries usable without checking: min(capacity, bound)
    uint64_t backtracks_ = 0;
};

bool Matcher::assertion_holds(uint8_t op, int32_t pos) const {
    switch (op) {
    case OP_BEGBUF: return pos == 0;
    case OP_ENDBUF: return pos == len_;
    case OP_WORD_BOUND: return word_before(pos) != word_at(pos);
    case OP_NOT_WORD_BOUND: return word_before(pos) == word_at(pos);
    case OP_WORD_BEG: return !word_before(pos) && word_at(pos);
    default: return word_before(pos) && !word_at(pos);  // OP_WORD_END
    }
}

// Length of the text at pos equal to group n's capture, or -1. Double-byte
// characters compare exactly, single bytes after folding.
int32_t Matcher::backref_length(int n, int32_t pos) const {
    int32_t s = work.slots[n], e = work.slots[SLOT_END + n];
    if (s < 0 || e < s) return -1;
    int32_t n_bytes = e - s;
    if (n_bytes > len_ - pos) return -1;
    for (int32_t k = 0; k < n_bytes;) {
        uint8_t a = text_[s + k], b = text_[pos + k];
        if (lead_table[a] && k + 1 < n_bytes) {
            if (a != b || text_[s + k + 1] != text_[pos + k + 1]) return -1;
            k += 2;
        } else {
            if (tr_[a] != tr_[b]) return -1;
            k++;
        }
    }
    return n_bytes;
}

// Pops to the latest choice point, undoing slot changes: 1 resumed, -1 no
// choice left, -2 too many retries.
int Matcher::backtrack(int32_t &pc, int32_t &pos) {
    while (top_ > 0) {
        Entry e = work.entries[--top_];
        if (e.pc < 0) {
            work.slots[~e.pc] = e.pos;
            continue;
        }
        if (e.pc & RUN_TAG) {
            pc = e.pc & ~RUN_TAG;
            pos = give_back(pc, e.pos, work.entries[top_ - 1].pos);
            if (pos < 0) {  // given back down to its floor
                top_--;
                continue;
            }
            work.entries[top_++].pos = pos;
        } else {
            pc = e.pc;
            pos = e.pos;
        }
        if (++backtracks_ > re_max_backtracks) return -2;
        return 1;
    }
    return -1;
}

// Takes as many characters as the repeated instruction allows (at least
// ins[1]) and leaves choice points that give them back one at a time.
// 1 taken, 0 too few, -1 the stack bound was hit.
int Matcher::take_run(const uint8_t *ins, int32_t &pc, int32_t &pos) {
    const uint8_t *body = ins + 2;
    int32_t from = pos, count = 0;
    bool narrow = true;
    for (int32_t next; (next = consume(body, pos)) >= 0; count++) {
        narrow &= next == pos + 1;
        pos = next;
    }
    if (count < ins[1]) return 0;
    int32_t cont = pc + instruction_size(ins);
    if (count > ins[1] && narrow) {
        if (!push(RUN_FLOOR, from + ins[1]) || !push(cont | RUN_TAG, pos)) return -1;
    } else if (count > ins[1]) {
        // Double-byte characters: one give-back point per character boundary.
        for (int32_t at = ins[1] ? consume(body, from) : from; at < pos; at = consume(body, at))
            if (!push(cont, at)) return -1;
    }
    pc = cont;
    return 1;
}

int32_t Matcher::run(int32_t start) {
    std::fill(work.slots, work.slots + slot_count_, -1);  // one fill, not a load per slot
    top_ = 0;
    backtracks_ = 0;
    int32_t pc = 0, pos = start;
    for (;;) {
        const uint8_t *ins = prog_ + pc;
        switch (ins[0]) {
        case OP_END:
            return pos;
        case OP_CHAR: case OP_CHAR2: case OP_ANY: case OP_SET: case OP_WORD: case OP_NOT_WORD: {
            int32_t next = consume(ins, pos);
            if (next >= 0) { pos = next; pc += instruction_size(ins); continue; }
            break;
        }
        case OP_RUN: {
            int taken = take_run(ins, pc, pos);
            if (taken > 0) continue;
            if (taken < 0) return -2;
            break;
        }
        case OP_BEGBUF: case OP_ENDBUF: case OP_WORD_BOUND: case OP_NOT_WORD_BOUND:
        case OP_WORD_BEG: case OP_WORD_END:
            if (assertion_holds(ins[0], pos)) { pc++; continue; }
            break;
        case OP_BACKREF: {
            int32_t n = backref_length(ins[1], pos);
            if (n >= 0) { pos += n; pc += 2; continue; }
            break;
        }
        case OP_SAVE_START: case OP_SAVE_END:
            if (!save(ins[1] + (ins[0] == OP_SAVE_END ? SLOT_END : 0), pos)) return -2;
            pc += 2;
            continue;
        case OP_TRY:
            if (!push(pc + read16(ins + 1), pos)) return -2;
            pc += 3;
            continue;
        case OP_LOOP:
            if (!push(pc + 3, pos)) return -2;
            pc += read16(ins + 1);
            continue;
        case OP_JUMP:
            pc += read16(ins + 1);
            continue;
        case OP_MARK:
            if (!save(SLOT_MARK + readu16(ins + 1), pos)) return -2;
            pc += 3;
            continue;
        case OP_LOOP_IF:
            if (pos == work.slots[SLOT_MARK + readu16(ins + 1)]) { pc += 5; continue; }
            if (!push(pc + 5, pos)) return -2;
            pc += read16(ins + 3);
            continue;
        default:
            return -2;  // not a program this compiler makes
        }
        int resumed = backtrack(pc, pos);
        if (resumed < 0) return resumed;
    }
}

void Matcher::fill(regex_registers *regs, int32_t start, int32_t end) const {
    regs->start[0] = start;
    regs->end[0] = end;
    for (int n = 1; n < REGEX_NREGS; n++) {
        regs->start[n] = work.slots[n];
        regs->end[n] = work.slots[SLOT_END + n];
    }
}

// Marks in fm the bytes that can begin what the instruction at ins matches.
void first_bytes(const uint8_t *ins, const unsigned char *tr, char *fm) {
    for (unsigned b = 0; b < 256; b++) {
        bool can = false;
        switch (ins[0]) {
        case OP_CHAR: can = tr[b] == ins[1]; break;
        case OP_CHAR2: can = b == ins[1]; break;
        case OP_ANY: can = b != '\n'; break;
        case OP_WORD: can = word_table[b]; break;
        case OP_NOT_WORD: can = !word_table[b]; break;
        case OP_SET:
            // A lead byte may begin any double-byte member, or stand alone at the end.
            can = lead_table[b] ? ins[1] || readu16(ins + 2) > 0 || set_contains(ins, b)
                                : set_contains(ins, tr[b]);
            break;
        default: break;
        }
        if (can) fm[b] = 1;
    }
}

// Walks every path from the program start up to its first consuming
// instruction; reaching the end (or a back-reference) means an empty match.
void compile_fastmap(pattern_buffer *buf) {
    const uint8_t *prog = buf->buffer;
    const unsigned char *tr = buf->translate != nullptr ? buf->translate : identity_table;
    std::memset(buf->fastmap, 0, 256);
    buf->can_be_null = false;
    std::vector<bool> seen(buf->used);
    std::vector<int32_t> pending{0};
    while (!pending.empty()) {
        int32_t pc = pending.back();
        pending.pop_back();
        if (seen[pc]) continue;
        seen[pc] = true;
        const uint8_t *ins = prog + pc;
        switch (ins[0]) {
        case OP_END: case OP_BACKREF: buf->can_be_null = true; break;
        case OP_CHAR: case OP_CHAR2: case OP_ANY: case OP_WORD: case OP_NOT_WORD: case OP_SET:
            first_bytes(ins, tr, buf->fastmap);
            break;
        case OP_TRY: case OP_LOOP:
            pending.push_back(pc + 3);
            pending.push_back(pc + read16(ins + 1));
            break;
        case OP_LOOP_IF:
            pending.push_back(pc + 5);
            pending.push_back(pc + read16(ins + 3));
            break;
        case OP_JUMP: pending.push_back(pc + read16(ins + 1)); break;
        case OP_RUN:
            first_bytes(ins + 2, tr, buf->fastmap);
            if (ins[1] == 0) pending.push_back(pc + instruction_size(ins));
            break;
        default: pending.push_back(pc + instruction_size(ins)); break;  // zero-width
        }
    }
    buf->fastmap_accurate = true;
}

// The bytes that can begin a match, when they are few and none is a lead byte.
void find_first_bytes(pattern_buffer *buf) {
    buf->first_count = 0;
    int count = 0;
    for (unsigned b = 0; b < 256; b++) {
        if (!buf->fastmap[b]) continue;
        if (lead_table[b] || count == 3) return;
        buf->first_bytes[count++] = static_cast<uint8_t>(b);
    }
    buf->first_count = static_cast<int8_t>(count);
}

// A byte that every match contains: a literal on the straight line of
// instructions from the program start, before the first branch. Only a byte
// that nothing else folds to it will do.
void find_required_byte(pattern_buffer *buf) {
    buf->required_byte = -1;
    const uint8_t *prog = buf->buffer;
    const unsigned char *tr = buf->translate != nullptr ? buf->translate : identity_table;
    auto only_itself = [tr](uint8_t c) {
        for (unsigned b = 0; b < 256; b++)
            if (tr[b] == c && b != c) return false;
        return tr[c] == c;
    };
    for (int32_t pc = 0; pc < buf->used;) {
        const uint8_t *ins = prog + pc;
        const uint8_t *literal = nullptr;
        switch (ins[0]) {
        case OP_CHAR: literal = ins; break;
        case OP_RUN:
            if (ins[1] >= 1 && ins[2] == OP_CHAR) literal = ins + 2;
            break;
        case OP_CHAR2: case OP_ANY: case OP_SET: case OP_WORD: case OP_NOT_WORD:
        case OP_BEGBUF: case OP_ENDBUF: case OP_WORD_BOUND: case OP_NOT_WORD_BOUND:
        case OP_WORD_BEG: case OP_WORD_END: case OP_SAVE_START: case OP_SAVE_END:
            break;
        default: return;  // a branch, a loop, a back-reference or the end
        }
        if (literal != nullptr && only_itself(literal[1])) buf->required_byte = literal[1];
        pc += instruction_size(ins);
    }
}

// How common a byte is in the text scripts search (replies, receipts, logs);
// only the order counts. Looking for a literal's least common byte first
// stops at fewer false candidates than looking for its first byte.
constexpr std::array<uint8_t, 256> kByteCommonness = [] {
    std::array<uint8_t, 256> rank{};
    for (int c = 0; c < 256; c++) rank[c] = c < 0x80 ? 40 : 20;
    for (int c = 'A'; c <= 'Z'; c++) rank[c] = 80;
    for (int c = '0'; c <= '9'; c++) rank[c] = 150;
    const char letters[] = "zqxjkvbpygfwmucldrhsnioate";  // commoner to the right
    for (int i = 0; letters[i] != '\0'; i++) rank[static_cast<uint8_t>(letters[i])] = static_cast<uint8_t>(100 + 4 * i);
    rank['\n'] = 120;
    rank[' '] = 255;
    return rank;
}();
static_assert(kByteCommonness['q'] < kByteCommonness['e'] && kByteCommonness[' '] == 255);

// The single-byte characters the program starts with on its straight line,
// each matching only itself, so a match can only begin where they all stand.
void find_literal(pattern_buffer *buf) {
    buf->literal_len = 0;
    buf->literal_whole = false;
    if (buf->translate != nullptr) return;  // folded letters match more than one byte
    const uint8_t *prog = buf->buffer;
    int32_t pc = 0;
    int n = 0;
    while (pc < buf->used && prog[pc] == OP_CHAR && !lead_table[prog[pc + 1]] &&
           n < static_cast<int>(sizeof buf->literal)) {
        buf->literal[n++] = prog[pc + 1];
        pc += op_size[OP_CHAR];
    }
    bool whole = pc < buf->used && prog[pc] == OP_END;
    if (n < 2 && !(n == 1 && whole)) return;  // a byte with more after it: the first-byte search does better
    buf->literal_len = static_cast<int8_t>(n);
    buf->literal_whole = whole;
    buf->literal_rare = 0;
    for (int i = 1; i < n; i++) {
        if (kByteCommonness[buf->literal[i]] < kByteCommonness[buf->literal[buf->literal_rare]])
            buf->literal_rare = static_cast<int8_t>(i);
    }
}

// Next occurrences of the first bytes, each looked up again only once the
// search has passed it, so the whole text is read once per byte.
class FirstByteFinder {
public:
    FirstByteFinder(const pattern_buffer *buf, const uint8_t *text, int32_t length)
        : buf_(buf), text_(text), length_(length) {
        for (int i = 0; i < buf->first_count; i++) next_[i] = -1;
    }

    // The first position at or after p (a character boundary) that holds one
    // of the bytes at a character boundary; length when there is none.
    int32_t find(int32_t p) {
        while (p < length_) {
            int32_t q = length_;
            for (int i = 0; i < buf_->first_count; i++) {
                if (next_[i] < p) next_[i] = locate(buf_->first_bytes[i], p);
                q = std::min(q, next_[i]);
            }
            if (q >= length_) return length_;
            // Lead bytes just before q, counted back to p: an odd run makes q a second byte.
            int32_t run = 0;
            while (q - run - 1 >= p && lead_table[text_[q - run - 1]]) run++;
            if (!(run & 1)) return q;
            p = q + 1;
        }
        return length_;
    }

private:
    int32_t locate(uint8_t byte, int32_t from) const {
        const void *hit = std::memchr(text_ + from, byte, static_cast<size_t>(length_ - from));
        return hit != nullptr ? static_cast<int32_t>(static_cast<const uint8_t *>(hit) - text_) : length_;
    }

    const pattern_buffer *buf_;
    const uint8_t *text_;
    int32_t length_;
    int32_t next_[3];
};

// a[0..n) == b[0..n) for 1 <= n <= 16, without a call: the literal is
// compared at every candidate, once per match in a gsub.
bool same_short(const uint8_t *a, const uint8_t *b, size_t n) {
    if (n == 1) return a[0] == b[0];
    auto differ = [&](auto word, size_t at) {
        decltype(word) x, y;
        std::memcpy(&x, a + at, sizeof x);
        std::memcpy(&y, b + at, sizeof y);
        return x != y;
    };
    if (n >= 8) return !differ(uint64_t{}, 0) && !differ(uint64_t{}, n - 8);
    if (n >= 4) return !differ(uint32_t{}, 0) && !differ(uint32_t{}, n - 4);
    return !differ(uint16_t{}, 0) && a[n - 1] == b[n - 1];
}

// The first position in p .. last where the literal stands at a character
// boundary (p being one), or -1.
int32_t next_literal(const pattern_buffer *buf, const uint8_t *text, int32_t length, int32_t p, int32_t last) {
    const auto n = static_cast<size_t>(buf->literal_len);
    const int32_t k = buf->literal_rare;
    const uint8_t rare = buf->literal[k];
    while (p <= last && p < length) {
        if (p + k >= length) return -1;
        const void *hit = std::memchr(text + p + k, rare, static_cast<size_t>(length - p - k));
        if (hit == nullptr) return -1;
        int32_t q = static_cast<int32_t>(static_cast<const uint8_t *>(hit) - text) - k;
        if (q > last) return -1;
        if (static_cast<size_t>(length - q) < n || !same_short(text + q, buf->literal, n)) {
            p = q + 1;
            continue;
        }
        int32_t run = 0;  // lead bytes just before q, back to the boundary p
        while (q - run - 1 >= p && lead_table[text[q - run - 1]]) run++;
        if (!(run & 1)) return q;
        p = q + 1;
    }
    return -1;
}

// Candidates are where the literal stands at a character boundary; the
// matcher only runs for what follows it.
int32_t search_literal(const pattern_buffer *buf, Matcher &matcher, const uint8_t *text, int32_t length,
                       int32_t p, int32_t last, regex_registers *regs) {
    for (int32_t q; (q = next_literal(buf, text, length, p, last)) >= 0; p = q + 1) {
        if (buf->literal_whole) {
            if (regs != nullptr) {
                regs->start[0] = q;
                regs->end[0] = q + buf->literal_len;
                for (int g = 1; g < REGEX_NREGS; g++) regs->start[g] = regs->end[g] = -1;
            }
            return q;
        }
        int32_t end = matcher.run(q);
        if (end != -1) {
            if (end >= 0 && regs != nullptr) matcher.fill(regs, q, end);
            return end >= 0 ? q : -2;
        }
    }
    return -1;
}

}  // namespace

void re_prepare(pattern_buffer *buf) {
    if (buf->buffer == nullptr || buf->used == 0 || buf->fastmap_accurate) return;
    compile_fastmap(buf);
    find_first_bytes(buf);
    find_required_byte(buf);
    find_literal(buf);
}

bool re_blind_behind(const pattern_buffer *buf) {
    return buf->fastmap_accurate && buf->literal_len > 0 && buf->literal_whole && !buf->anchored;
}

int32_t re_next_literal(const pattern_buffer *buf, const char *text, int32_t length, int32_t from) {
    return next_literal(buf, reinterpret_cast<const uint8_t *>(text), length, from, length);
}

int32_t re_search(pattern_buffer *buf, const char *text_chars, int32_t length, int32_t start,
                  int32_t range, regex_registers *regs) {
    if (buf->buffer == nullptr || buf->used == 0 || start < 0 || start > length) return -1;
    re_prepare(buf);
    const auto *text = reinterpret_cast<const uint8_t *>(text_chars);
    Matcher matcher(buf, text, length);
    if (!matcher.ready()) return -2;
    int32_t last = range <= 0 ? start : (range >= length - start ? length : start + range);
    int32_t p = start;
    if (p > 0 && p < length && is_second_byte(text, p)) p++;
    if (buf->literal_len > 0 && !buf->anchored) {
        release_large_stack();
        return search_literal(buf, matcher, text, length, p, last, regs);
    }
    const char *fm = buf->can_be_null ? nullptr : buf->fastmap;
    auto step = [&](int32_t p) { return p < length && lead_table[text[p]] && p + 1 < length ? p + 2 : p + 1; };
    int32_t result = -1;
    FirstByteFinder first(buf, text, length);
    bool use_first = fm != nullptr && buf->first_count > 0 && !buf->anchored;
    int32_t required_at = -1;  // where the required byte next stands, at or after p
    while (p <= last) {
        if (use_first) {
            p = first.find(p);
            if (p >= length || p > last) break;
        } else if (fm != nullptr) {
            while (p < length && !fm[text[p]] && !buf->anchored) p = step(p);
            if (p >= length || p > last || !fm[text[p]]) break;
        }
        if (buf->required_byte >= 0 && required_at < p) {
            // No match can start where the text holds no such byte further on.
            const void *hit = std::memchr(text + p, buf->required_byte, static_cast<size_t>(length - p));
            if (hit == nullptr) break;
            required_at = static_cast<int32_t>(static_cast<const uint8_t *>(hit) - text);
        }
        int32_t end = matcher.run(p);
        if (end != -1) {
            if (end >= 0 && regs != nullptr) matcher.fill(regs, p, end);
            result = end >= 0 ? p : -2;
            break;
        }
        if (buf->anchored) break;
        if (buf->leading_any_run) {
            // `.*R` failed here, so it fails at every later start before the next newline.
            while (p < length && text[p] != '\n') p = step(p);
        }
        p = step(p);
    }
    release_large_stack();
    return result;
}
