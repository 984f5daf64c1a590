#include "printer/builtin_table.h"

#include "printer/image_builtins.h"
#include "printer/passbook_builtins.h"
#include "printer/scan_builtins.h"
#include "printer/status_builtins.h"
#include "printer/status_texts.h"

namespace {

// A printer builtin is added here as {BuiltinId::do_NAME, do_NAME}.
constexpr BuiltinEntry entries[] = {
    {BuiltinId::do_asb, do_asb},
    {BuiltinId::do_bitcustomize, do_bitcustomize},
    {BuiltinId::do_bitimage, do_bitimage},
    {BuiltinId::do_bitmap, do_bitmap},
    {BuiltinId::do_blockstatus, do_blockstatus},
    {BuiltinId::do_DLE_DC4, do_DLE_DC4},
    {BuiltinId::do_DLE_ENQ, do_DLE_ENQ},
    {BuiltinId::do_DLE_EOT, do_DLE_EOT},
    {BuiltinId::do_DLE_EOT_BEL, do_DLE_EOT_BEL},
    {BuiltinId::do_DLE_EOT_BS, do_DLE_EOT_BS},
    {BuiltinId::do_DLE_EOT_NUL, do_DLE_EOT_NUL},
    {BuiltinId::do_download, do_download},
    {BuiltinId::do_dword, do_dword},
    {BuiltinId::do_ESC_u, do_ESC_u},
    {BuiltinId::do_ESC_v, do_ESC_v},
    {BuiltinId::do_exasb, do_exasb},
    {BuiltinId::do_file, do_file},
    {BuiltinId::do_FS_a0, do_FS_a0},
    {BuiltinId::do_FS_b, do_FS_b},
    {BuiltinId::do_FS_LP_e, do_FS_LP_e},
    {BuiltinId::do_FS_LP_j, do_FS_LP_j},
    {BuiltinId::do_FS_PLUS, do_FS_PLUS},
    {BuiltinId::do_GS_8_L_112, do_GS_8_L_112},
    {BuiltinId::do_GS_8_L_67, do_GS_8_L_67},
    {BuiltinId::do_GS_8_L_68, do_GS_8_L_68},
    {BuiltinId::do_GS_a, do_GS_a},
    {BuiltinId::do_GS_ENQ, do_GS_ENQ},
    {BuiltinId::do_GS_g2, do_GS_g2},
    {BuiltinId::do_GS_I, do_GS_I},
    {BuiltinId::do_GS_j, do_GS_j},
    {BuiltinId::do_GS_LP_L_112, do_GS_LP_L_112},
    {BuiltinId::do_GS_LP_L_67, do_GS_LP_L_67},
    {BuiltinId::do_GS_LP_G_32, do_GS_LP_G_32},
    {BuiltinId::do_GS_LP_G_60, do_GS_LP_G_60},
    {BuiltinId::do_GS_LP_G_61, do_GS_LP_G_61},
    {BuiltinId::do_GS_LP_G_64, do_GS_LP_G_64},
    {BuiltinId::do_GS_LP_G_65, do_GS_LP_G_65},
    {BuiltinId::do_GS_LP_G_66, do_GS_LP_G_66},
    {BuiltinId::do_GS_LP_G_67, do_GS_LP_G_67},
    {BuiltinId::do_GS_LP_G_70, do_GS_LP_G_70},
    {BuiltinId::do_GS_LP_G_71, do_GS_LP_G_71},
    {BuiltinId::do_GS_Q0, do_GS_Q0},
    {BuiltinId::do_GS_r, do_GS_r},
    {BuiltinId::do_GS_v0, do_GS_v0},
    {BuiltinId::do_inkasb, do_inkasb},
    {BuiltinId::do_ITHACA_ENQ, do_ITHACA_ENQ},
    {BuiltinId::do_NCR_GS_LP_G_65, do_NCR_GS_LP_G_65},
    {BuiltinId::do_PR2_ESC_i, do_PR2_ESC_i},
    {BuiltinId::do_PR2_ESC_j, do_PR2_ESC_j},
    {BuiltinId::do_PR2_ESC_MINUS, do_PR2_ESC_MINUS},
    {BuiltinId::do_PR2_ESC_RBR_MINUS, do_PR2_ESC_RBR_MINUS},
    {BuiltinId::do_PR2_ESC_SP_a, do_PR2_ESC_SP_a},
    {BuiltinId::do_PR2_ESC_SP_B, do_PR2_ESC_SP_B},
    {BuiltinId::do_PR2_ESC_SP_b, do_PR2_ESC_SP_b},
    {BuiltinId::do_PR2_ESC_U, do_PR2_ESC_U},
    {BuiltinId::do_PR2_ESC_Z, do_PR2_ESC_Z},
    {BuiltinId::do_QR_v0, do_QR_v0},
    {BuiltinId::do_scan, do_scan},
    {BuiltinId::do_US_v, do_US_v},
    {BuiltinId::do_wave, do_wave},
    {BuiltinId::do_word, do_word},
};

}  // namespace

std::span<const BuiltinEntry> printer_builtins() { return entries; }
