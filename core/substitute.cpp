#include "core/substitute.h"

#include <algorithm>
#include <climits>

#include "base/diag.h"
#include "core/strfuncs.h"

namespace {

// Bytes at the end of `done` that a search continuing after it must see: the
// last byte, the run of lead bytes before it and one byte more, so that word
// boundaries and double-byte chars are judged as in the whole new text.
std::string_view context_of(const std::string &done) {
    if (done.empty()) return "\n";  // not the start of the text any more
    size_t i = done.size() - 1;
    while (i > 0 && sjis_lead(static_cast<unsigned char>(done[i - 1]))) --i;
    if (i > 0) --i;
    return std::string_view(done).substr(i);
}

// Puts the context just before `pos`, over bytes already consumed; returns
// its length.
size_t place_context(std::string &work, size_t &pos, const std::string &done) {
    std::string_view ctx = context_of(done);
    if (ctx.size() > pos) {
        work = std::string(ctx) + work.substr(pos);
        pos = ctx.size();
    } else {
        std::copy(ctx.begin(), ctx.end(), work.begin() + static_cast<std::ptrdiff_t>(pos - ctx.size()));
    }
    return ctx.size();
}

void check_size(const std::string &s) {
    if (s.size() > static_cast<size_t>(INT32_MAX - 3)) out_of_memory("do_sub");
}

}  // namespace

int32_t substitute_text(pattern_buffer *pattern, std::string &text, std::string_view repl, bool global) {
    std::string work = std::move(text);  // bytes before pos are free once consumed
    std::string done;
    size_t pos = 0, context = 0;
    int32_t count = 0;
    regex_registers regs;
    const bool plain = repl.find_first_of("&\\") == std::string_view::npos;  // inserted as it is
    // Known only once a search has prepared the pattern.
    bool blind = re_blind_behind(pattern);
    for (;;) {
        size_t from, to;
        if (context == 0 && blind) {
            int32_t at = re_next_literal(pattern, work.data(), static_cast<int32_t>(work.size()),
                                         static_cast<int32_t>(pos));
            if (at < 0) break;
            from = static_cast<size_t>(at);
            to = from + static_cast<size_t>(pattern->literal_len);
        } else {
            size_t base = pos - context;
            int32_t at = re_search(pattern, work.data() + base, static_cast<int32_t>(work.size() - base),
                                   static_cast<int32_t>(context), static_cast<int32_t>(work.size() - pos), &regs);
            if (at < 0 || regs.end[0] == at) break;
            from = base + static_cast<size_t>(at);
            to = base + static_cast<size_t>(regs.end[0]);
            blind = re_blind_behind(pattern);
        }
        if (count++ == 0) done.reserve(work.size());  // the result is usually about as long as the text
        done.append(work, pos, from - pos);
        if (plain) {
            done.append(repl);
        } else {
            expand_replacement(repl, std::string_view(work).substr(from, to - from), done);
        }
        check_size(done);
        pos = to;
        if (!global || pos >= work.size()) break;
        // Where neither side of the seam ends in a lead byte, such a pattern
        // sees the same with or without the replacement before it.
        bool seam_plain = !done.empty() && !sjis_lead(static_cast<unsigned char>(done.back())) &&
                          !sjis_lead(static_cast<unsigned char>(work[pos - 1]));
        context = seam_plain && blind ? 0 : place_context(work, pos, done);
    }
    if (count == 0) {
        text.swap(work);  // untouched: place_context only runs after a match
        return 0;
    }
    done.append(work, pos, std::string::npos);
    check_size(done);
    text.swap(done);
    return count;
}
