// Text forms shared by the options and the control commands.
//  - parse_hex: bytes as hexadecimal pairs, "10 04 01" or "100401" (blanks,
//    commas and colons separate; a lone digit between separators is a byte).
//  - parse_scripted_reply: "REQUEST=REPLY" in hex, REPLY "-" for silence;
//    request and reply hold at least one byte each.
//  - parse_count: a decimal number 0..max.
//  - split_words: the blank-separated words of a line.
// Failures return false and say why in *error where there is one.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

bool parse_hex(std::string_view text, std::vector<uint8_t> *out);

struct ScriptedReply {
    std::vector<uint8_t> request;
    std::vector<uint8_t> reply;
    bool silent = false;
};
bool parse_scripted_reply(std::string_view text, ScriptedReply *out, std::string *error);

bool parse_count(std::string_view text, long max, long *out);

std::vector<std::string_view> split_words(std::string_view line);
