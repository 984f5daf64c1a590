// Memory for large, densely used data (array nodes and their lookup index).
//  - dense_alloc: a zeroed block of at least `bytes` that the caller will
//    fill most of and keep a while. Where the system has large pages, a block
//    of 2 MB or more is aligned to them and marked for them, so one page fault
//    serves 2 MB instead of 4 KB. Null when memory is short.
//  - dense_room: how many bytes dense_alloc(bytes) really provides (a whole
//    number of large pages, or bytes); the caller may use all of them.
//  - dense_free: releases a block from dense_alloc; `bytes` as asked for it.
#pragma once

#include <cstddef>

size_t dense_room(size_t bytes);
void *dense_alloc(size_t bytes);
void dense_free(void *block, size_t bytes);
