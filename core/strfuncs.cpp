#include "core/strfuncs.h"

#include <algorithm>
#include <array>

namespace {

unsigned char byte_at(std::string_view s, size_t i) {
    return i < s.size() ? static_cast<unsigned char>(s[i]) : 0;
}

constexpr unsigned char fold_az(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c;
}

// The comparison table of case-insensitive index: A..Z and 0xC1..0xDA move
// up by 0x20.
constexpr std::array<unsigned char, 256> make_compare_fold() {
    std::array<unsigned char, 256> t{};
    for (int c = 0; c < 256; ++c) {
        bool upper = (c >= 'A' && c <= 'Z') || (c >= 0xC1 && c <= 0xDA);
        t[c] = static_cast<unsigned char>(upper ? c + 0x20 : c);
    }
    return t;
}
constexpr auto compare_fold = make_compare_fold();
static_assert(compare_fold['Q'] == 'q' && compare_fold[0xDA] == 0xFA && compare_fold[0xDB] == 0xDB);

// Compares t against s from byte i over t's length, ending early at a NUL
// both share. With fold, the second byte of a double-byte char of s is
// compared as it is.
bool same_at(std::string_view s, size_t i, std::string_view t, bool fold) {
    bool second = false;
    for (size_t k = 0; k < t.size(); ++k) {
        unsigned char a = byte_at(s, i + k);
        unsigned char b = byte_at(t, k);
        if (fold && !second) {
            second = sjis_lead(a) && byte_at(s, i + k + 1) != 0;
            a = compare_fold[a];
            b = compare_fold[b];
        } else {
            second = false;
        }
        if (a != b) return false;
        if (a == 0) return true;
    }
    return true;
}

bool candidate(std::string_view s, size_t i, std::string_view t, bool fold) {
    unsigned char a = byte_at(s, i);
    unsigned char b = byte_at(t, 0);
    if (fold) {
        a = fold_az(a);
        b = fold_az(b);
    }
    return a == b && same_at(s, i, t, fold);
}

// Byte offset of char number `chars` (0-based) of s.
size_t char_offset(std::string_view s, int64_t chars) {
    size_t i = 0;
    for (int64_t c = 0; c < chars && i < s.size(); ++c) i += char_width(s, i);
    return i;
}

// start/count rules shared by substr and jsubstr, in units of `total`.
bool clip_range(int64_t total, int32_t m, bool has_n, int32_t n, int64_t &start, int64_t &count) {
    start = std::max<int64_t>(int64_t{m} - 1, 0);
    count = (!has_n || n == -1) ? total : n;
    if (start >= total || count < 1) return false;
    count = std::min(count, total - start);
    return true;
}

std::string change_case(std::string_view s, char from, char to) {
    std::string out(s);
    for (size_t i = 0; i < out.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(out[i]);
        if (sjis_lead(c) && byte_at(out, i + 1) != 0) {
            ++i;
        } else if (c >= static_cast<unsigned char>(from) && c <= static_cast<unsigned char>(from + 25)) {
            out[i] = static_cast<char>(c - from + to);
        }
    }
    return out;
}

}  // namespace

size_t char_width(std::string_view s, size_t i) {
    if (i >= s.size()) return 0;
    return (sjis_lead(byte_at(s, i)) && byte_at(s, i + 1) != 0) ? 2 : 1;
}

int32_t text_jlength(std::string_view s) {
    int32_t count = 0;
    for (size_t i = 0; i < s.size() && s[i] != 0; i += char_width(s, i)) ++count;
    return count;
}

int32_t text_index(std::string_view s, std::string_view t, bool fold) {
    if (t.empty()) return 0;
    for (size_t i = 0; i < s.size(); ++i) {
        if (candidate(s, i, t, fold)) return static_cast<int32_t>(i + 1);
    }
    return 0;
}

int32_t text_jindex(std::string_view s, std::string_view t, bool fold) {
    if (t.empty()) return 0;
    int32_t chars = text_jlength(s);
    size_t i = 0;
    for (int32_t c = 1; c <= chars; ++c) {
        if (candidate(s, i, t, fold)) return c;
        i += char_width(s, i);
    }
    return 0;
}

Slice substr_slice(std::string_view s, int32_t m, bool has_n, int32_t n) {
    int64_t start, count;
    if (!clip_range(static_cast<int64_t>(s.size()), m, has_n, n, start, count)) return {0, 0, true};
    return {static_cast<size_t>(start), static_cast<size_t>(count), false};
}

Slice jsubstr_slice(std::string_view s, int32_t m, bool has_n, int32_t n) {
    int64_t start, count;
    if (!clip_range(text_jlength(s), m, has_n, n, start, count)) return {0, 0, true};
    size_t from = char_offset(s, start);
    size_t to = from + char_offset(s.substr(from), count);
    return {from, to - from, false};
}

std::string text_tolower(std::string_view s) { return change_case(s, 'A', 'a'); }
std::string text_toupper(std::string_view s) { return change_case(s, 'a', 'A'); }

int32_t text_hex(std::string_view s) {
    uint32_t value = 0;
    for (unsigned char c : s) {
        uint32_t digit;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        else break;
        value = value * 16 + digit;
    }
    return static_cast<int32_t>(value);
}

void expand_replacement(std::string_view repl, std::string_view matched, std::string &out) {
    for (size_t i = 0; i < repl.size(); ++i) {
        char c = repl[i];
        if (char_width(repl, i) == 2) {
            out.append(repl.substr(i, 2));
            ++i;
        } else if (c == '\\' && byte_at(repl, i + 1) == '&') {
            out.push_back('&');
            ++i;
        } else if (c == '&') {
            out.append(matched);
        } else {
            out.push_back(c);
        }
    }
}
