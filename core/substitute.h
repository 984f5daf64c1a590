// The text side of sub and gsub, and the pattern argument of match/sub/gsub.
//  - substitute_text replaces the first (global: every) match of pattern in
//    text by repl, where & stands for the matched text and backslash-& for a
//    plain '&'. An empty match ends the work, also for gsub.
//  - gsub goes on after each inserted replacement and sees it as the text
//    before the next search (for word boundaries and double-byte chars), but
//    never the start of the text again: an anchored pattern replaces once.
//  - Returns the number of replacements; text then holds the result. A result
//    that no value can hold (2 GB) is fatal as out of memory.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/regex.h"

int32_t substitute_text(pattern_buffer *pattern, std::string &text, std::string_view repl, bool global);
