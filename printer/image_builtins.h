// The picture, file and QR code builtins (arguments and results as the
// builtin table expects, core/builtins.h). Pictures come from BMP files
// (printer/bmp_reader.h); every byte goes out through port_send_byte and
// nothing is awaited from the printer.
#pragma once

#include "core/node.h"

NODE *do_bitimage(NODE *args);
NODE *do_download(NODE *args);
NODE *do_bitmap(NODE *args);
NODE *do_GS_v0(NODE *args);
NODE *do_GS_Q0(NODE *args);
NODE *do_GS_LP_L_67(NODE *args);
NODE *do_GS_8_L_67(NODE *args);
NODE *do_GS_LP_L_112(NODE *args);
NODE *do_GS_8_L_112(NODE *args);
NODE *do_GS_8_L_68(NODE *args);  // also GS_8_L_113, GS_LP_L_68, GS_LP_L_113: nothing sent, 0
NODE *do_file(NODE *args);
NODE *do_QR_v0(NODE *args);
