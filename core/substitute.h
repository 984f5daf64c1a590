// The text side of sub and gsub, and the pattern argument of match/sub/gsub.
//  - substitute_text replaces the first (global: every) match of pattern in
//    text by repl, where & stands for the matched text and backslash-& for a
//    plain '&'. An empty match ends the work, also for gsub.
//  - gsub goes on after each inserted replacement and sees it as the text
//    before the next search (for word boundaries and double-byte chars), but
//    never the start of the text again: an anchored pattern replaces once.
//  - Returns the number of replacements; `out` then holds the result (it is
//    left empty when there is none). A result that no value can hold (2 GB)
//    is fatal as out of memory.
//  - substitute_in_place does the same over a text its caller alone holds,
//    writing the result over it, where the result can never pass the bytes
//    read: a literal pattern and a plain replacement no longer than it. len
//    becomes the result's length. -1, and the text untouched, where that
//    does not hold.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "core/regex.h"

// memmove, with the short pieces of a gsub (a word, the text between two
// matches) moved without a call.
inline void move_bytes(char *to, const char *from, size_t len) {
    auto move = [&](auto word) {
        decltype(word) head, tail;  // both read before either is written
        std::memcpy(&head, from, sizeof head);
        std::memcpy(&tail, from + len - sizeof tail, sizeof tail);
        std::memcpy(to, &head, sizeof head);
        std::memcpy(to + len - sizeof tail, &tail, sizeof tail);
    };
    if (len > 16) {
        std::memmove(to, from, len);
    } else if (len >= 8) {
        move(uint64_t{});
    } else if (len >= 4) {
        move(uint32_t{});
    } else if (len > 0) {
        char a = from[0], b = from[len / 2], c = from[len - 1];
        to[0] = a;
        to[len / 2] = b;
        to[len - 1] = c;
    }
}

// A text built by appending, in one malloc'd buffer with room for its
// terminator and two spare bytes, so that a string value can take it over
// (make_str_node_taking) instead of copying a result of megabytes.
class TextBuffer {
public:
    TextBuffer() = default;
    ~TextBuffer();
    TextBuffer(const TextBuffer &) = delete;
    TextBuffer &operator=(const TextBuffer &) = delete;

    void reserve(size_t len);
    void append(const char *text, size_t len) {
        if (capacity_ - size_ < len + 3) grow(len);
        move_bytes(data_ + size_, text, len);
        size_ += len;
    }
    void append(std::string_view s) { append(s.data(), s.size()); }

    size_t size() const { return size_; }
    std::string_view view() const { return {data_, size_}; }
    // The terminated text; the caller frees it. The buffer is empty again.
    char *release();

private:
    void grow(size_t len);

    char *data_ = nullptr;
    size_t size_ = 0;
    size_t capacity_ = 0;
};

int32_t substitute_text(pattern_buffer *pattern, std::string_view text, std::string_view repl, bool global,
                        TextBuffer &out);
int32_t substitute_in_place(pattern_buffer *pattern, char *text, size_t &len, std::string_view repl, bool global);
