// Hints about how the program's own memory will be used.
//  - advise_dense_use: the caller will fill most of the large block
//    [start, start + bytes) and keep it a while, so the system may back it
//    with large pages (one page fault per 2 MB instead of per 4 KB). Only
//    whole large pages inside the block are affected; blocks too small to hold
//    one, or systems without large pages, are left as they are. Never fails.
#pragma once

#include <cstddef>

void advise_dense_use(void *start, size_t bytes);
