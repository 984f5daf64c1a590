// Every builtin of the script language, one function each, reached through
// the builtin table by its BuiltinId. The keyword table (frontend/keywords.cpp)
// maps each script name to an id; names that share one builtin share its id:
//   GS_a, ENQ_a                                      -> do_GS_a
//   remove, unlink                                   -> do_remove
//   GS_8_L_68, GS_8_L_113, GS_LP_L_68, GS_LP_L_113   -> do_GS_8_L_68
//
// Contract: a builtin receives its unevaluated argument list (a
// T_EXPRESSION_LIST chain, or null when called without arguments) and returns
// a NODE_TEMP value or null_string. Script errors end the run through fatal().
//
// The table starts with the builtins of this folder; a layer above adds its
// own with install_builtins (the start-up code does, before a script runs).
// An entry nobody filled stops a script that calls it with
// "builtin `NAME' is not implemented yet".
#pragma once

#include <cstdint>
#include <span>

#include "core/node.h"

// One X(name) per builtin function, named after its first script name.
#define VORDEL_BUILTINS(X) \
    /* Status requests (printer/) */ \
    X(DLE_DC4) X(DLE_ENQ) X(DLE_EOT) X(DLE_EOT_BEL) X(DLE_EOT_BS) X(DLE_EOT_NUL) X(ESC_u) \
    X(ESC_v) X(FS_LP_e) X(FS_LP_j) X(FS_PLUS) X(FS_a0) X(FS_b) X(GS_ENQ) X(GS_I) X(GS_a) \
    X(GS_g2) X(GS_j) X(GS_r) X(US_v) X(asb) X(blockstatus) X(dword) X(exasb) X(inkasb) X(wait) \
    X(word) \
    /* Image and data download (printer/) */ \
    X(GS_8_L_112) X(GS_8_L_67) X(GS_8_L_68) X(GS_LP_L_112) X(GS_LP_L_67) X(GS_Q0) X(GS_v0) \
    X(bitimage) X(bitmap) X(download) X(file) \
    /* Scanner and data read-back (printer/) */ \
    X(GS_LP_G_32) X(GS_LP_G_60) X(GS_LP_G_61) X(GS_LP_G_64) X(GS_LP_G_65) X(GS_LP_G_66) \
    X(GS_LP_G_67) X(GS_LP_G_70) X(GS_LP_G_71) X(NCR_GS_LP_G_65) X(scan) X(wave) \
    /* Status bit texts (printer/) */ \
    X(bitcustomize) \
    /* QR code symbols (printer/) */ \
    X(QR_v0) \
    /* Passbook emulation (printer/) */ \
    X(ITHACA_ENQ) X(PR2_ESC_MINUS) X(PR2_ESC_RBR_MINUS) X(PR2_ESC_SP_B) X(PR2_ESC_SP_a) \
    X(PR2_ESC_SP_b) X(PR2_ESC_U) X(PR2_ESC_Z) X(PR2_ESC_i) X(PR2_ESC_j) \
    /* Format engine (core/) */ \
    X(sprintf) \
    /* Fields (core/) */ \
    X(split) \
    /* Communication log (printer/, with image and data download) */ \
    X(lognow) \
    /* Strings, files, time and console (core/) */ \
    X(busy) X(char) X(cls) X(code) X(color) X(date) X(fclose) X(fgetc) X(fgets) X(fopen) \
    X(fputc) X(fputs) X(fseek) X(ftell) X(getch) X(getn) X(gets) X(gsub) X(hex) X(index) \
    X(isCTS) X(isDSR) X(jindex) X(jlength) X(jsubstr) X(kbhit) X(length) X(locate) X(match) \
    X(mkdir) X(now) X(pause) X(rand) X(ready) X(recv) X(recvlen) X(remove) X(reset) X(rmdir) \
    X(srand) X(sub) X(substr) X(system) X(time) X(timer) X(tolower) X(toupper)

enum class BuiltinId : uint8_t {
#define VORDEL_BUILTIN_ID(name) do_##name,
    VORDEL_BUILTINS(VORDEL_BUILTIN_ID)
#undef VORDEL_BUILTIN_ID
};

#define VORDEL_BUILTIN_COUNT_ONE(name) +1
inline constexpr int BUILTIN_COUNT = 0 VORDEL_BUILTINS(VORDEL_BUILTIN_COUNT_ONE);
#undef VORDEL_BUILTIN_COUNT_ONE

// The builtin's name as the not-implemented message shows it ("GS_a").
const char *builtin_name(BuiltinId id);

struct BuiltinEntry {
    BuiltinId id;
    BuiltinFn fn;
};

// Fills the entries' slots of the table.
void install_builtins(std::span<const BuiltinEntry> entries);
// The function in the id's slot, or null when nobody filled it.
BuiltinFn builtin_function(BuiltinId id);
// Calls the builtin in the id's slot; an empty slot is fatal.
NODE *call_builtin(BuiltinId id, NODE *args);

// Format engine (core/)
NODE *do_sprintf(NODE *args);

// Fields (core/)
NODE *do_split(NODE *args);

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
// The text time() built last ("hh:mm:ss.mmm"), empty before the first call.
const char *last_time_text();
NODE *do_timer(NODE *args);
NODE *do_tolower(NODE *args);
NODE *do_toupper(NODE *args);
