#include "interactive/token_scanner.h"

#include <cstdio>
#include <cstring>
#include <iterator>

#include "base/diag.h"
#include "base/port_ops.h"
#include "base/settings.h"

namespace {

constexpr bool words_sorted() {
    for (size_t i = 1; i < std::size(command_words); ++i)
        if (std::string_view(command_words[i - 1].word) >= std::string_view(command_words[i].word)) return false;
    return true;
}
static_assert(words_sorted(), "the halving search needs command_words in byte order");

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_hex(char c) { return is_digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }

int hex_value(char c) { return is_digit(c) ? c - '0' : (c | 0x20) - 'a' + 10; }

size_t run_of(std::string_view s, size_t from, bool (*in)(char)) {
    size_t i = from;
    while (i < s.size() && in(s[i])) ++i;
    return i - from;
}

// Digits of base 2, 10 or 16; wraps beyond 32 bits.
int32_t value_of(std::string_view digits, uint32_t base) {
    uint32_t v = 0;
    for (char c : digits) v = v * base + static_cast<uint32_t>(hex_value(c));
    return static_cast<int32_t>(v);
}

// ---- the rules: each answers the length it matches at the start of s ---------

size_t m_decimal(std::string_view s) { return run_of(s, 0, is_digit); }
size_t m_hex_h(std::string_view s) {
    size_t n = run_of(s, 0, is_hex);
    return n > 0 && n < s.size() && (s[n] == 'h' || s[n] == 'H') ? n + 1 : 0;
}
size_t m_hex_0x(std::string_view s) {
    if (!s.starts_with("0x")) return 0;
    size_t n = run_of(s, 2, is_hex);
    return n ? n + 2 : 0;
}
size_t m_binary(std::string_view s) {
    size_t n = run_of(s, 0, [](char c) { return c == '0' || c == '1'; });
    return n > 0 && n < s.size() && (s[n] == 'b' || s[n] == 'B') ? n + 1 : 0;
}
size_t m_blanks(std::string_view s) { return run_of(s, 0, [](char c) { return c == ' ' || c == '\t'; }); }
size_t m_name(std::string_view s) {
    if (s.empty() || !is_letter(s[0])) return 0;
    size_t n = 1 + run_of(s, 1, [](char c) { return is_letter(c) || is_digit(c); });
    return n >= 2 ? n : 0;
}
// word( inner ), where inner is whatever inner_length accepts.
size_t m_word(std::string_view s, size_t (*inner_length)(std::string_view)) {
    constexpr std::string_view open = "word(";
    if (!s.starts_with(open)) return 0;
    size_t n = inner_length(s.substr(open.size()));
    size_t close = open.size() + n;
    return n && close < s.size() && s[close] == ')' ? close + 1 : 0;
}
size_t m_word_decimal(std::string_view s) { return m_word(s, m_decimal); }
size_t m_word_0x(std::string_view s) { return m_word(s, m_hex_0x); }
size_t m_word_hex_h(std::string_view s) { return m_word(s, m_hex_h); }
size_t m_any(std::string_view s) { return s.empty() ? 0 : 1; }

// ---- their actions ------------------------------------------------------------

void send_word(const ScanState &st, int32_t v) {
    emit_byte(st, v & 0xFF);
    emit_byte(st, (v >> 8) & 0xFF);
}
std::string_view inside_word(std::string_view t) { return t.substr(5, t.size() - 6); }

void a_decimal(ScanState &st, std::string_view t) { emit_number(st, value_of(t, 10)); }
void a_hex_h(ScanState &st, std::string_view t) { emit_number(st, value_of(t.substr(0, t.size() - 1), 16)); }
void a_hex_0x(ScanState &st, std::string_view t) { emit_number(st, value_of(t.substr(2), 16)); }
void a_binary(ScanState &st, std::string_view t) { emit_number(st, value_of(t.substr(0, t.size() - 1), 2)); }
void a_escaped(ScanState &st, std::string_view t) { emit_byte(st, static_cast<uint8_t>(t[1])); }
void a_comment(ScanState &st, std::string_view) { st.in_comment = true; }
void a_nothing(ScanState &, std::string_view) {}
void a_line_end(ScanState &st, std::string_view) { ++st.line_count; }
void a_double(ScanState &st, std::string_view) { st.mode = TextMode::DoubleQuote; }
void a_single(ScanState &st, std::string_view) { st.mode = TextMode::SingleQuote; }
void a_name(ScanState &st, std::string_view t);
void a_word_decimal(ScanState &st, std::string_view t) { send_word(st, value_of(inside_word(t), 10)); }
void a_word_0x(ScanState &st, std::string_view t) { send_word(st, value_of(inside_word(t).substr(2), 16)); }
void a_word_hex_h(ScanState &st, std::string_view t) {
    std::string_view in = inside_word(t);
    send_word(st, value_of(in.substr(0, in.size() - 1), 16));
}
void a_character(ScanState &st, std::string_view t) { emit_byte(st, static_cast<uint8_t>(t[0])); }

struct Rule {
    std::string_view literal;  // matched as it stands, or empty: match() decides
    size_t (*match)(std::string_view);
    void (*action)(ScanState &, std::string_view);
};

// In order: at equal length the earlier row wins.
constexpr Rule rules[] = {
    {"", m_decimal, a_decimal},
    {"", m_hex_h, a_hex_h},
    {"", m_hex_0x, a_hex_0x},
    {"", m_binary, a_binary},
    {"\\'", nullptr, a_escaped},
    {"\\\"", nullptr, a_escaped},
    {"\\\\", nullptr, a_escaped},
    {"/*", nullptr, a_comment},
    {"", m_blanks, a_nothing},
    {"\n", nullptr, a_line_end},
    {"\"", nullptr, a_double},
    {"'", nullptr, a_single},
    {"", m_name, a_name},
    {"", m_word_decimal, a_word_decimal},
    {"", m_word_0x, a_word_0x},
    {"", m_word_hex_h, a_word_hex_h},
    {"", m_any, a_character},
};
static_assert(std::size(rules) == 17);

void toggle_busy(ScanState &st) {
    st.host_busy = !st.host_busy;
    std::fputs(st.host_busy ? "<BUSY ON\n" : "<BUSY OFF\n", stdout);
    std::fflush(stdout);
    current_port.port_set_host_busy(st.host_busy ? 1 : 0);
}

void a_name(ScanState &st, std::string_view t) {
    int32_t v = find_command_word(t);
    if (v < 0) {
        for (char c : t) emit_byte(st, static_cast<uint8_t>(c));
    } else if (v < 256) {
        emit_byte(st, v);
    } else if (v == WORD_BUSY) {
        toggle_busy(st);
    } else if (v == WORD_DIR) {
        st.direct_mode = !st.direct_mode;
        std::fputs(st.direct_mode ? "<DIRECT MODE ON\n" : "<DIRECT MODE OFF\n", stdout);
        std::fflush(stdout);
    } else {
        current_port.port_reset();
    }
}

// One token of normal text; returns its length.
size_t scan_token(ScanState &st, std::string_view rest) {
    const Rule *best = nullptr;
    size_t best_length = 0;
    for (const Rule &r : rules) {
        size_t n = r.match ? r.match(rest) : rest.starts_with(r.literal) ? r.literal.size() : 0;
        if (n > best_length) {
            best = &r;
            best_length = n;
        }
    }
    best->action(st, rest.substr(0, best_length));
    return best_length;
}

uint8_t escaped(char c) {
    switch (c) {
    case '0': return 0x00;
    case 'a': return 0x07;
    case 'b': return 0x08;
    case 'n': return 0x0A;
    case 'r': return 0x0D;
    case 't': return 0x09;
    default: return static_cast<uint8_t>(c);
    }
}

// Quoted text up to the closing quote or the line end; returns the length used.
size_t scan_quoted(ScanState &st, std::string_view rest) {
    char quote = st.mode == TextMode::DoubleQuote ? '"' : '\'';
    size_t i = 0;
    while (i < rest.size()) {
        char c = rest[i++];
        if (c == quote || c == '\n') {
            if (c == '\n') ++st.line_count;
            st.mode = TextMode::Normal;
            break;
        }
        if (c == '\\' && i < rest.size() && rest[i] != '\n') c = static_cast<char>(escaped(rest[i++]));
        emit_byte(st, static_cast<uint8_t>(c));
    }
    return i;
}

// Comment text up to and including "*/"; line ends are counted.
size_t scan_comment(ScanState &st, std::string_view rest) {
    size_t end = rest.find("*/");
    size_t used = end == std::string_view::npos ? rest.size() : end + 2;
    for (size_t i = 0; i < used; ++i)
        if (rest[i] == '\n') ++st.line_count;
    if (end != std::string_view::npos) st.in_comment = false;
    return used;
}

}  // namespace

int32_t find_command_word(std::string_view word) {
    size_t low = 0, high = std::size(command_words);
    while (low < high) {
        size_t mid = (low + high) / 2;
        std::string_view w = command_words[mid].word;
        if (w == word) return command_words[mid].value;
        if (w < word) low = mid + 1;
        else high = mid;
    }
    return -1;
}

void emit_byte(const ScanState &state, int32_t b) {
    int32_t sent = state.direct_mode ? current_port.port_send_byte_now(b) : current_port.port_send_byte(b);
    // A file target reports a failed write here; the other targets retry until sent.
    if (!sent && run_options.target.kind == PortKind::File)
        fatal("Can't write file <%s>", run_options.target.name.c_str());
}

void emit_number(const ScanState &state, int32_t v) {
    int bytes = v < 256 ? 1 : v <= 65535 ? 2 : 4;
    for (int i = 0; i < bytes; ++i) emit_byte(state, (v >> (8 * i)) & 0xFF);
}

void scan_text(ScanState &state, std::string_view text) {
    while (!text.empty()) {
        size_t used = state.in_comment                ? scan_comment(state, text)
                      : state.mode != TextMode::Normal ? scan_quoted(state, text)
                                                       : scan_token(state, text);
        text.remove_prefix(used);
    }
}

void scan_end(const ScanState &state) {
    if (state.in_comment) fatal("EOF in comment");
}
