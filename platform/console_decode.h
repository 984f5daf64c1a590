// Turning typed bytes into keys (platform/ only): a byte is a key; ESC with
// a known VT sequence after it is an extended key (first code 224, or 0 for
// function keys, and a scan code); a lone ESC is Esc.
#pragma once

#include <cstdint>
#include <deque>
#include <string>

struct Key {
    int32_t code;  // byte, or first code of an extended key
    int32_t scan;  // -1 for a plain byte
};

// Adds bytes to the buffer within the Esc wait; false when none came.
using MoreBytes = bool (*)();

// Takes the next key from the read-ahead buffer; false when there is none.
bool take_key(std::deque<unsigned char> &pending, MoreBytes more, Key &key);

// Takes one line from the read-ahead buffer, without its newline (nor a
// carriage return before it), keeping at most max_chars of it. wait_more
// blocks for bytes and is false at the end of the input, which ends the line.
std::string take_line(std::deque<unsigned char> &pending, size_t max_chars, MoreBytes wait_more);
