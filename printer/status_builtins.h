// The status request builtins: each sends one printer command (or none),
// waits for the answer in the receiver mode the command calls for, and
// returns a reply byte as a number, a 4-byte status store, or the last block
// reply's text; with -v some decode the reply byte on stdout and the log.
// Also word and dword, which only build little-endian bytes. `wait` needs the
// driver's send queue and lives with the ports (ports/port_builtins.h).
#pragma once

#include "core/node.h"

NODE *do_word(NODE *args);
NODE *do_dword(NODE *args);
NODE *do_asb(NODE *args);
NODE *do_inkasb(NODE *args);
NODE *do_exasb(NODE *args);
NODE *do_blockstatus(NODE *args);
NODE *do_GS_a(NODE *args);  // also ENQ_a
NODE *do_GS_j(NODE *args);
NODE *do_DLE_DC4(NODE *args);
NODE *do_DLE_ENQ(NODE *args);
NODE *do_DLE_EOT(NODE *args);
NODE *do_DLE_EOT_BEL(NODE *args);
NODE *do_DLE_EOT_BS(NODE *args);
NODE *do_DLE_EOT_NUL(NODE *args);
NODE *do_ESC_u(NODE *args);
NODE *do_ESC_v(NODE *args);
NODE *do_FS_LP_e(NODE *args);
NODE *do_FS_LP_j(NODE *args);
NODE *do_FS_PLUS(NODE *args);
NODE *do_FS_a0(NODE *args);
NODE *do_FS_b(NODE *args);
NODE *do_GS_ENQ(NODE *args);
NODE *do_GS_I(NODE *args);
NODE *do_GS_g2(NODE *args);
NODE *do_US_v(NODE *args);
NODE *do_GS_r(NODE *args);
