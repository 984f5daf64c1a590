#include "core/substitute.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <string>

#include "base/diag.h"
#include "core/strfuncs.h"

TextBuffer::~TextBuffer() { std::free(data_); }

void TextBuffer::reserve(size_t len) {
    if (capacity_ >= len + 3) return;
    auto *grown = static_cast<char *>(std::realloc(data_, len + 3));
    if (grown == nullptr) out_of_memory("do_sub");
    data_ = grown;
    capacity_ = len + 3;
}

void TextBuffer::grow(size_t len) { reserve(std::max(size_ + len, 2 * size_)); }

char *TextBuffer::release() {
    reserve(size_);  // an empty buffer has none yet
    char *text = data_;
    text[size_] = '\0';
    // Hand back much unused room; shrinking in place costs no copy.
    if (capacity_ - size_ > size_ / 8 + 64) {
        if (auto *fit = static_cast<char *>(std::realloc(text, size_ + 3))) text = fit;
    }
    data_ = nullptr;
    size_ = capacity_ = 0;
    return text;
}

namespace {

// Bytes at the end of `done` that a search continuing after it must see: the
// last byte, the run of lead bytes before it and one byte more, so that word
// boundaries and double-byte chars are judged as in the whole new text.
std::string_view context_of(std::string_view done) {
    if (done.empty()) return "\n";  // not the start of the text any more
    size_t i = done.size() - 1;
    while (i > 0 && sjis_lead(static_cast<unsigned char>(done[i - 1]))) --i;
    if (i > 0) --i;
    return done.substr(i);
}

// Puts the context just before `pos`, over bytes already consumed; returns
// its length.
size_t place_context(std::string &work, size_t &pos, std::string_view done) {
    std::string_view ctx = context_of(done);
    if (ctx.size() > pos) {
        work = std::string(ctx) + work.substr(pos);
        pos = ctx.size();
    } else {
        std::copy(ctx.begin(), ctx.end(), work.begin() + static_cast<std::ptrdiff_t>(pos - ctx.size()));
    }
    return ctx.size();
}

// A replacement inserted as it is.
bool is_plain(std::string_view repl) { return repl.find_first_of("&\\") == std::string_view::npos; }

void check_size(size_t size) {
    if (size > static_cast<size_t>(INT32_MAX - 3)) out_of_memory("do_sub");
}

}  // namespace

int32_t substitute_text(pattern_buffer *pattern, std::string_view text, std::string_view repl, bool global,
                        TextBuffer &done) {
    // The text is read where it lies; only a search that must see the
    // replacement before it works on a copy, with that context written over
    // bytes already consumed.
    std::string work;
    const char *src = text.data();
    size_t len = text.size();
    size_t pos = 0, context = 0;
    int32_t count = 0;
    regex_registers regs;
    const bool plain = is_plain(repl);
    std::string expanded;
    re_prepare(pattern);
    const bool blind = re_blind_behind(pattern);
    for (;;) {
        size_t from, to;
        if (context == 0 && blind) {
            int32_t at = re_next_literal(pattern, src, static_cast<int32_t>(len), static_cast<int32_t>(pos));
            if (at < 0) break;
            from = static_cast<size_t>(at);
            to = from + static_cast<size_t>(pattern->literal_len);
        } else {
            size_t base = pos - context;
            int32_t at = re_search(pattern, src + base, static_cast<int32_t>(len - base),
                                   static_cast<int32_t>(context), static_cast<int32_t>(len - pos), &regs);
            if (at < 0 || regs.end[0] == at) break;
            from = base + static_cast<size_t>(at);
            to = base + static_cast<size_t>(regs.end[0]);
        }
        if (count++ == 0) done.reserve(len);  // the result is usually about as long as the text
        done.append(src + pos, from - pos);
        if (plain) {
            done.append(repl);
        } else {
            expanded.clear();
            expand_replacement(repl, std::string_view(src + from, to - from), expanded);
            done.append(expanded);
        }
        check_size(done.size());
        pos = to;
        if (!global || pos >= len) break;
        // Where neither side of the seam ends in a lead byte, such a pattern
        // sees the same with or without the replacement before it.
        bool seam_plain = done.size() != 0 && !sjis_lead(static_cast<unsigned char>(done.view().back())) &&
                          !sjis_lead(static_cast<unsigned char>(src[pos - 1]));
        if (seam_plain && blind) {
            context = 0;
            continue;
        }
        if (src != work.data()) work.assign(src, len);
        context = place_context(work, pos, done.view());
        src = work.data();
        len = work.size();
    }
    if (count == 0) return 0;
    done.append(src + pos, len - pos);
    check_size(done.size());
    return count;
}

namespace {

// Lead bytes at the end of the result once text[0..len) is appended to a
// result that ended in `before` of them.
size_t trailing_leads(const char *text, size_t len, size_t before) {
    size_t i = len;
    while (i > 0 && sjis_lead(static_cast<unsigned char>(text[i - 1]))) --i;
    return i == 0 ? before + len : len - i;
}

}  // namespace

int32_t substitute_in_place(pattern_buffer *pattern, char *text, size_t &len, std::string_view repl, bool global) {
    re_prepare(pattern);
    if (!re_blind_behind(pattern) || repl.size() > static_cast<size_t>(pattern->literal_len) || !is_plain(repl))
        return -1;
    size_t pos = 0, out = 0, leads = 0;
    int32_t count = 0;
    // Only a replacement of lead bytes alone (or none) lets the text before it count.
    const size_t repl_leads = trailing_leads(repl.data(), repl.size(), 0);
    const bool repl_all_leads = repl_leads == repl.size();
    for (;;) {
        // Such a pattern sees the result before pos only as far as an odd
        // run of lead bytes there makes the byte at pos a second byte.
        size_t start = (leads & 1) && pos < len ? pos + 1 : pos;
        int32_t at = re_next_literal(pattern, text, static_cast<int32_t>(len), static_cast<int32_t>(start));
        if (at < 0) break;
        auto from = static_cast<size_t>(at);
        if (out != pos) move_bytes(text + out, text + pos, from - pos);
        leads = repl_all_leads ? trailing_leads(text + out, from - pos, leads) + repl_leads : repl_leads;
        out += from - pos;
        move_bytes(text + out, repl.data(), repl.size());
        out += repl.size();
        pos = from + static_cast<size_t>(pattern->literal_len);
        ++count;
        if (!global) break;
    }
    if (out != pos) move_bytes(text + out, text + pos, len - pos);
    len = out + (len - pos);
    return count;
}
