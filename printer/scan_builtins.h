// The scanner and data read-back builtins: requests answered by one block
// reply (returned with its NUL), and transfers that receive a scanned image,
// stored text or a wave record into a file.
//  - Transfers return 0 when complete; 10 when the file cannot be opened
//    (nothing is sent); 11 when writing the file failed (one message naming
//    the file and the reason, no further ACK, what was written stays);
//    otherwise the code of the step that did not complete (see each).
//  - No time limit: every wait ends with the data or with Esc.
#pragma once

#include "core/node.h"

constexpr int32_t SCAN_NO_FILE = 10;
constexpr int32_t SCAN_WRITE_FAILED = 11;

NODE *do_GS_LP_G_32(NODE *args);
NODE *do_GS_LP_G_60(NODE *args);
NODE *do_GS_LP_G_61(NODE *args);
NODE *do_GS_LP_G_64(NODE *args);
NODE *do_GS_LP_G_67(NODE *args);
NODE *do_GS_LP_G_71(NODE *args);
// Standard transfers: 1 the file information did not come, 2 the size
// information did not come, 3 a data block did not come.
NODE *do_GS_LP_G_65(NODE *args);
NODE *do_GS_LP_G_66(NODE *args);  // with a grey-scale BMP header
NODE *do_scan(NODE *args);
NODE *do_GS_LP_G_70(NODE *args);     // text blocks: 0 (also when cancelled)
NODE *do_NCR_GS_LP_G_65(NODE *args); // -1 when a wait was cancelled
NODE *do_wave(NODE *args);           // 1 when the record did not come
