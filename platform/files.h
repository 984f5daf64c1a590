// File access the run modes need beyond the C streams.
//  - ReadFile: an input file read in large pieces straight into the caller's
//    memory (one copy less than a buffered stream), taking what a pipe has
//    ready instead of waiting to fill the whole request.
//  - same_file: whether two paths name one file.
//  - try_lock_stream / unlock_stream: a stream's lock, taken only when no
//    other thread holds it (a break may stop a thread mid-write). Windows has
//    no such test: there it always succeeds without locking.
//  - fill_standard_streams: /dev/null (NUL) on a closed stdin, stdout or
//    stderr; on Windows also binary mode on all three and an unbuffered
//    stderr, so bytes and messages pass as on Linux.
//  - state_file_path, make_parent_directories: files the program keeps
//    between runs ($XDG_STATE_HOME/vordel/, else ~/.local/state/vordel/).
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

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

// $XDG_STATE_HOME/vordel/name, or $HOME/.local/state/vordel/name when that is
// unset or empty; "" when neither variable is set.
std::string state_file_path(const char *name);

// A stream that reads a copy of text (a deleted-on-close temporary file on
// Windows, which has no memory streams); fclose releases it. Null on failure.
std::FILE *open_text_stream(const std::string &text);

// Creates the folders leading to path (mode 0700) that do not exist yet;
// false when one cannot be made.
bool make_parent_directories(const std::string &path);
