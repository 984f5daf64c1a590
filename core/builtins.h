// Every builtin of the script language, one function each, reached through the
// keyword table (frontend/keywords.cpp). Names follow the first script name of
// the builtin; names that share one builtin share its function:
//   GS_a, ENQ_a                                      -> do_GS_a
//   remove, unlink                                   -> do_remove
//   GS_8_L_68, GS_8_L_113, GS_LP_L_68, GS_LP_L_113   -> do_GS_8_L_68
//
// Contract: a builtin receives its unevaluated argument list (a
// T_EXPRESSION_LIST chain, or null when called without arguments) and returns
// a NODE_TEMP value or null_string. Script errors end the run through fatal().
//
// core/builtin_placeholders.cpp holds a weak definition of each one that stops
// the run with "builtin `NAME' is not implemented yet"; the real builtin is a
// normal (strong) definition anywhere in the program and replaces it at link
// time, so nothing here or in the table changes when one lands.
#pragma once

#include "core/node.h"

// Status requests (printer/)
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
NODE *do_GS_a(NODE *args);
NODE *do_GS_g2(NODE *args);
NODE *do_GS_j(NODE *args);
NODE *do_GS_r(NODE *args);
NODE *do_US_v(NODE *args);
NODE *do_asb(NODE *args);
NODE *do_blockstatus(NODE *args);
NODE *do_dword(NODE *args);
NODE *do_exasb(NODE *args);
NODE *do_inkasb(NODE *args);
NODE *do_wait(NODE *args);
NODE *do_word(NODE *args);

// Image and data download (printer/)
NODE *do_GS_8_L_112(NODE *args);
NODE *do_GS_8_L_67(NODE *args);
NODE *do_GS_8_L_68(NODE *args);
NODE *do_GS_LP_L_112(NODE *args);
NODE *do_GS_LP_L_67(NODE *args);
NODE *do_GS_Q0(NODE *args);
NODE *do_GS_v0(NODE *args);
NODE *do_bitimage(NODE *args);
NODE *do_bitmap(NODE *args);
NODE *do_download(NODE *args);
NODE *do_file(NODE *args);

// Scanner and data read-back (printer/)
NODE *do_GS_LP_G_32(NODE *args);
NODE *do_GS_LP_G_60(NODE *args);
NODE *do_GS_LP_G_61(NODE *args);
NODE *do_GS_LP_G_64(NODE *args);
NODE *do_GS_LP_G_65(NODE *args);
NODE *do_GS_LP_G_66(NODE *args);
NODE *do_GS_LP_G_67(NODE *args);
NODE *do_GS_LP_G_70(NODE *args);
NODE *do_GS_LP_G_71(NODE *args);
NODE *do_NCR_GS_LP_G_65(NODE *args);
NODE *do_scan(NODE *args);
NODE *do_wave(NODE *args);

// Status bit texts (printer/)
NODE *do_bitcustomize(NODE *args);

// QR code symbols (printer/)
NODE *do_QR_v0(NODE *args);

// Passbook emulation (printer/)
NODE *do_ITHACA_ENQ(NODE *args);
NODE *do_PR2_ESC_MINUS(NODE *args);
NODE *do_PR2_ESC_RBR_MINUS(NODE *args);
NODE *do_PR2_ESC_SP_B(NODE *args);
NODE *do_PR2_ESC_SP_a(NODE *args);
NODE *do_PR2_ESC_SP_b(NODE *args);
NODE *do_PR2_ESC_U(NODE *args);
NODE *do_PR2_ESC_Z(NODE *args);
NODE *do_PR2_ESC_i(NODE *args);
NODE *do_PR2_ESC_j(NODE *args);

// Format engine (core/)
NODE *do_sprintf(NODE *args);

// Fields (core/)
NODE *do_split(NODE *args);

// Communication log (printer/, with image and data download)
NODE *do_lognow(NODE *args);

// Strings, files, time and console (core/)
NODE *do_busy(NODE *args);
NODE *do_char(NODE *args);
NODE *do_cls(NODE *args);
NODE *do_code(NODE *args);
NODE *do_color(NODE *args);
NODE *do_date(NODE *args);
NODE *do_fclose(NODE *args);
NODE *do_fgetc(NODE *args);
NODE *do_fgets(NODE *args);
NODE *do_fopen(NODE *args);
NODE *do_fputc(NODE *args);
NODE *do_fputs(NODE *args);
NODE *do_fseek(NODE *args);
NODE *do_ftell(NODE *args);
NODE *do_getch(NODE *args);
NODE *do_getn(NODE *args);
NODE *do_gets(NODE *args);
NODE *do_gsub(NODE *args);
NODE *do_hex(NODE *args);
NODE *do_index(NODE *args);
NODE *do_isCTS(NODE *args);
NODE *do_isDSR(NODE *args);
NODE *do_jindex(NODE *args);
NODE *do_jlength(NODE *args);
NODE *do_jsubstr(NODE *args);
NODE *do_kbhit(NODE *args);
NODE *do_length(NODE *args);
NODE *do_locate(NODE *args);
NODE *do_match(NODE *args);
NODE *do_mkdir(NODE *args);
NODE *do_now(NODE *args);
NODE *do_pause(NODE *args);
NODE *do_rand(NODE *args);
NODE *do_ready(NODE *args);
NODE *do_recv(NODE *args);
NODE *do_recvlen(NODE *args);
NODE *do_remove(NODE *args);
NODE *do_reset(NODE *args);
NODE *do_rmdir(NODE *args);
NODE *do_srand(NODE *args);
NODE *do_sub(NODE *args);
NODE *do_substr(NODE *args);
NODE *do_system(NODE *args);
NODE *do_time(NODE *args);
NODE *do_timer(NODE *args);
NODE *do_tolower(NODE *args);
NODE *do_toupper(NODE *args);
