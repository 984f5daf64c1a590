#include "sim/control.h"

namespace {

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool is_separator(char c) { return c == ' ' || c == '\t' || c == ',' || c == ':'; }

}  // namespace

bool parse_hex(std::string_view text, std::vector<uint8_t> *out) {
    out->clear();
    size_t i = 0;
    while (i < text.size()) {
        if (is_separator(text[i])) {
            ++i;
            continue;
        }
        size_t end = i;
        while (end < text.size() && !is_separator(text[end])) ++end;
        std::string_view word = text.substr(i, end - i);
        if (word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X')) word.remove_prefix(2);
        if (word.size() == 1) {
            int digit = hex_digit(word[0]);
            if (digit < 0) return false;
            out->push_back(static_cast<uint8_t>(digit));
        } else {
            if (word.size() % 2 != 0) return false;
            for (size_t k = 0; k < word.size(); k += 2) {
                int hi = hex_digit(word[k]), lo = hex_digit(word[k + 1]);
                if (hi < 0 || lo < 0) return false;
                out->push_back(static_cast<uint8_t>(hi << 4 | lo));
            }
        }
        i = end;
    }
    return true;
}

bool parse_scripted_reply(std::string_view text, ScriptedReply *out, std::string *error) {
    size_t eq = text.find('=');
    if (eq == std::string_view::npos) {
        *error = "expected REQUEST=REPLY in hex, got '" + std::string(text) + "'";
        return false;
    }
    std::string_view request = text.substr(0, eq), reply = text.substr(eq + 1);
    if (!parse_hex(request, &out->request) || out->request.empty()) {
        *error = "bad request bytes '" + std::string(request) + "'";
        return false;
    }
    out->silent = reply == "-";
    if (out->silent) {
        out->reply.clear();
        return true;
    }
    if (!parse_hex(reply, &out->reply) || out->reply.empty()) {
        *error = "bad reply bytes '" + std::string(reply) + "'";
        return false;
    }
    return true;
}

bool parse_count(std::string_view text, long max, long *out) {
    if (text.empty() || text.size() > 10) return false;
    long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    if (value > max) return false;
    *out = value;
    return true;
}

std::vector<std::string_view> split_words(std::string_view line) {
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
        size_t end = i;
        while (end < line.size() && line[end] != ' ' && line[end] != '\t' && line[end] != '\r') ++end;
        if (end > i) words.push_back(line.substr(i, end - i));
        i = end;
    }
    return words;
}
