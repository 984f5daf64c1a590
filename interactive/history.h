// The line editor's history: the 20 newest accepted lines, oldest first, each
// cut to 127 characters; a line equal to the newest entry is not stored
// again. Kept between runs in a file of one entry per line ("vordel.HST" in
// the state folder, platform/files.h); a missing or unwritable file is
// silently skipped.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

constexpr size_t HISTORY_ENTRIES = 20;
constexpr size_t HISTORY_ENTRY_CHARS = 127;

struct History {
    std::vector<std::string> entries;  // oldest first, at most HISTORY_ENTRIES
    size_t browse = 0;                 // 0..entries.size(); size() is the empty line after the newest
};

// Stores an accepted line and puts the browse index after the newest entry.
void history_add(History &h, std::string_view line);

// The path the history is kept at ("" when there is none).
std::string history_file();
// Up to 20 lines of the file (line ends removed, empty lines skipped).
History history_load(const std::string &path);
// Writes every entry and a newline, creating the file's folders first.
void history_save(const History &h, const std::string &path);
