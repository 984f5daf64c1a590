#include "interactive/history.h"

#include <cstdio>

#include "platform/files.h"

void history_add(History &h, std::string_view line) {
    std::string_view entry = line.substr(0, HISTORY_ENTRY_CHARS);
    if (h.entries.empty() || h.entries.back() != entry) {
        if (h.entries.size() == HISTORY_ENTRIES) h.entries.erase(h.entries.begin());
        h.entries.emplace_back(entry);
    }
    h.browse = h.entries.size();
}

std::string history_file() { return state_file_path("vordel.HST"); }

History history_load(const std::string &path) {
    History h;
    std::FILE *f = path.empty() ? nullptr : std::fopen(path.c_str(), "r");
    if (!f) return h;
    std::string line;
    auto keep = [&] {
        while (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) h.entries.push_back(line.substr(0, HISTORY_ENTRY_CHARS));
        line.clear();
    };
    for (int c; h.entries.size() < HISTORY_ENTRIES && (c = std::fgetc(f)) != EOF;) {
        if (c == '\n') keep();
        else if (line.size() <= HISTORY_ENTRY_CHARS) line.push_back(static_cast<char>(c));
    }
    if (h.entries.size() < HISTORY_ENTRIES) keep();
    std::fclose(f);
    h.browse = h.entries.size();
    return h;
}

void history_save(const History &h, const std::string &path) {
    if (path.empty() || !make_parent_directories(path)) return;
    std::FILE *f = std::fopen(path.c_str(), "w");
    if (!f) return;
    for (const std::string &e : h.entries) {
        std::fwrite(e.data(), 1, e.size(), f);
        std::fputc('\n', f);
    }
    std::fclose(f);
}
