// Passbook (PR2 command set) and emulation builtins: each sends a fixed
// request and reads a fixed number of reply bytes exactly as they arrive
// (receiver mode 0xFFFF, no status filtering, no time limit). A read that Esc
// cancelled counts as the byte FF. Results: the bytes as a string, the third
// byte as a number, or the decimal number in bytes 3 to 6.
#pragma once

#include <cstdint>
#include <string_view>

#include "core/node.h"

NODE *do_PR2_ESC_SP_B(NODE *args);
NODE *do_PR2_ESC_SP_a(NODE *args);
NODE *do_PR2_ESC_SP_b(NODE *args);
NODE *do_PR2_ESC_U(NODE *args);
NODE *do_PR2_ESC_Z(NODE *args);
NODE *do_PR2_ESC_i(NODE *args);
NODE *do_PR2_ESC_j(NODE *args);
NODE *do_PR2_ESC_MINUS(NODE *args);
NODE *do_PR2_ESC_RBR_MINUS(NODE *args);
NODE *do_ITHACA_ENQ(NODE *args);

// Leading white space, an optional sign, then digits up to the first other
// byte; 0 without digits.
int32_t reply_decimal(std::string_view bytes);
