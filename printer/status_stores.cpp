#include "printer/status_stores.h"

uint8_t last_asb[STATUS_SIZE] = {};
uint8_t last_ink_asb[STATUS_SIZE] = {};
uint8_t last_ext_asb[STATUS_SIZE] = {};
uint8_t block_reply[1 + BLOCK_REPLY_DATA + 1] = {};
