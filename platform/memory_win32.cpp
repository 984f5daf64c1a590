#include "platform/memory.h"

#include <cstdlib>

// Large pages need a privilege a console program does not have.
size_t dense_room(size_t bytes) { return bytes; }
void *dense_alloc(size_t bytes) { return std::calloc(1, bytes); }
void dense_free(void *block, size_t) { std::free(block); }
