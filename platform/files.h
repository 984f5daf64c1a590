// File access the run modes need beyond the C streams.
//  - ReadFile: an input file read in large pieces straight into the caller's
//    memory (one copy less than a buffered stream), taking what a pipe has
//    ready instead of waiting to fill the whole request.
//  - same_file: whether two paths name one file.
//  - fill_standard_streams: /dev/null on a closed stdin, stdout or stderr.
#pragma once

#include <cstddef>

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

// True when both paths exist and name the same file (links included).
bool same_file(const char *a, const char *b);

// Opens /dev/null on any of descriptors 0..2 that is closed, so a file opened
// later can never take the place of the keyboard or the console.
void fill_standard_streams();
