// File access the run modes need beyond the C streams.
//  - ReadFile: an input file read in large pieces straight into the caller's
//    memory (one copy less than a buffered stream), taking what a pipe has
//    ready instead of waiting to fill the whole request.
//  - same_file: whether two paths name one file.
//  - try_lock_stream / unlock_stream: a stream's lock, taken only when no
//    other thread holds it (a break may stop a thread mid-write). Windows has
//    no such test: there it always succeeds without locking.
//  - fill_standard_streams: /dev/null (NUL) on a closed stdin, stdout or
//    stderr; on Windows also binary mode on all three, so bytes pass as on
//    Linux.
#pragma once

#include <cstddef>
#include <cstdio>

class ReadFile {
public:
    ReadFile() = default;
    ReadFile(const ReadFile &) = delete;
    ReadFile &operator=(const ReadFile &) = delete;
    ~ReadFile();

    bool open(const char *path);  // false when it cannot be opened for reading
    // Bytes read into buffer (at most size, at least 1 unless at the end):
    // 0 at end of file, -1 on a read error.
    long read_some(void *buffer, size_t size);

private:
    int fd_ = -1;
};

bool try_lock_stream(std::FILE *stream);
void unlock_stream(std::FILE *stream);

// True when both paths exist and name the same file (links included).
bool same_file(const char *a, const char *b);

// Opens /dev/null on any of descriptors 0..2 that is closed, so a file opened
// later can never take the place of the keyboard or the console.
void fill_standard_streams();
