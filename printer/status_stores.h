// What the printer last reported on its own: the three automatic status
// messages (4 bytes each, in arrival order) and the last block reply (its
// header byte, then up to 512 further bytes ending in the NUL that closed
// it). The port layer's reply receiver fills them; the status and read-back
// builtins read them. Interpreter thread only; they live for the whole run.
#pragma once

#include <cstdint>

constexpr int32_t STATUS_SIZE = 4;
constexpr int32_t BLOCK_REPLY_DATA = 512;

extern uint8_t last_asb[STATUS_SIZE];
extern uint8_t last_ink_asb[STATUS_SIZE];
extern uint8_t last_ext_asb[STATUS_SIZE];
// Header, 512 data bytes, and one more so the text always ends in a NUL.
extern uint8_t block_reply[1 + BLOCK_REPLY_DATA + 1];
