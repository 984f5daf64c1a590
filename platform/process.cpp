#include "platform/process.h"

namespace {

// Backslashes at line[i..]: before a quote they escape, elsewhere they are literal.
size_t take_backslashes(std::string_view line, size_t i, std::string &word) {
    size_t j = i;
    while (j < line.size() && line[j] == '\\') ++j;
    size_t count = j - i;
    if (j < line.size() && line[j] == '"') {
        word.append(count / 2, '\\');
        if (count % 2 == 1) {
            word.push_back('"');
            return count + 1;
        }
        return count;  // the quote is left to act
    }
    word.append(count, '\\');
    return count;
}

}  // namespace

std::vector<std::string> split_command_line(std::string_view line) {
    std::vector<std::string> words;
    std::string word;
    bool in_word = false, quoted = false;
    for (size_t i = 0; i < line.size();) {
        char c = line[i];
        if ((c == ' ' || c == '\t') && !quoted) {
            if (in_word) words.push_back(std::move(word));
            word.clear();
            in_word = false;
            ++i;
            continue;
        }
        in_word = true;
        if (c == '\\') {
            i += take_backslashes(line, i, word);
        } else if (c == '"' && quoted && i + 1 < line.size() && line[i + 1] == '"') {
            word.push_back('"');
            i += 2;
        } else if (c == '"') {
            quoted = !quoted;
            ++i;
        } else {
            word.push_back(c);
            ++i;
        }
    }
    if (in_word) words.push_back(std::move(word));
    return words;
}
