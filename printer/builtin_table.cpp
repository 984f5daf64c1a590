#include "printer/builtin_table.h"

#include "printer/image_builtins.h"
#include "printer/scan_builtins.h"
#include "printer/status_texts.h"

namespace {

// A printer builtin is added here as {BuiltinId::do_NAME, do_NAME}.
constexpr BuiltinEntry entries[] = {
    {BuiltinId::do_bitcustomize, do_bitcustomize},
    {BuiltinId::do_bitimage, do_bitimage},
    {BuiltinId::do_bitmap, do_bitmap},
    {BuiltinId::do_download, do_download},
    {BuiltinId::do_file, do_file},
    {BuiltinId::do_GS_8_L_112, do_GS_8_L_112},
    {BuiltinId::do_GS_8_L_67, do_GS_8_L_67},
    {BuiltinId::do_GS_8_L_68, do_GS_8_L_68},
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
    {BuiltinId::do_GS_v0, do_GS_v0},
    {BuiltinId::do_NCR_GS_LP_G_65, do_NCR_GS_LP_G_65},
    {BuiltinId::do_QR_v0, do_QR_v0},
    {BuiltinId::do_scan, do_scan},
    {BuiltinId::do_wave, do_wave},
};

}  // namespace

std::span<const BuiltinEntry> printer_builtins() { return entries; }
