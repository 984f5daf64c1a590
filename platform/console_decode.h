// Turning typed bytes into keys (platform/ only): a byte is a key; ESC with
// a known VT sequence after it is an extended key (first code 224, or 0 for
// function keys, and a scan code); a lone ESC is Esc.
#pragma once

#include <cstdint>
#include <deque>

struct Key {
    int32_t code;  // byte, or first code of an extended key
    int32_t scan;  // -1 for a plain byte
};

// Adds bytes to the buffer within the Esc wait; false when none came.
using MoreBytes = bool (*)();

// Takes the next key from the read-ahead buffer; false when there is none.
bool take_key(std::deque<unsigned char> &pending, MoreBytes more, Key &key);
