#include "platform/profile.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
        s.remove_suffix(1);
    return s;
}

bool same_name(std::string_view a, const char *b) {
    if (a.size() != std::char_traits<char>::length(b)) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

}  // namespace

std::optional<std::string> profile_string(const char *section, const char *key) {
    std::string path = profile_path();
    if (path.empty()) return std::nullopt;
    std::FILE *f = std::fopen(path.c_str(), "r");
    if (!f) return std::nullopt;
    std::optional<std::string> found;
    bool in_section = false;
    std::string line;
    int c;
    bool more = true;
    while (more && !found) {
        line.clear();
        while ((c = std::fgetc(f)) != EOF && c != '\n') line.push_back(static_cast<char>(c));
        more = c != EOF;
        std::string_view text = trim(line);
        if (text.empty() || text.front() == ';' || text.front() == '#') continue;
        if (text.front() == '[') {
            size_t close = text.find(']');
            if (close != std::string_view::npos) in_section = same_name(trim(text.substr(1, close - 1)), section);
            continue;
        }
        size_t equals = text.find('=');
        if (!in_section || equals == std::string_view::npos) continue;
        if (same_name(trim(text.substr(0, equals)), key)) found = std::string(trim(text.substr(equals + 1)));
    }
    std::fclose(f);
    return found;
}

int32_t leading_number(const std::string &value) {
    int64_t n = 0;
    for (char c : value) {
        if (c < '0' || c > '9') break;
        if (n < INT32_MAX) n = n * 10 + (c - '0');
    }
    return n > INT32_MAX ? INT32_MAX : static_cast<int32_t>(n);
}
