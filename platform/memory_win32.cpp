#include "platform/memory.h"

// Large pages need a privilege a console program does not have.
void advise_dense_use(void *, size_t) {}
