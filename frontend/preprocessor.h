// The C-style preprocessor that runs before the script parser.
//
// Reads the script (and what it includes), writes the expanded text with line
// markers "# N \"path\"\n" that keep the lexer's line numbers in step with the
// source. Diagnostics go to the error stream as "path count: message".
//
// Result: 0 clean, 1 at least one error, 2 warnings only. Errors the input
// cannot recover from ("missing */", "too big macro", ...) stop at once with 1;
// the output is closed either way. Every call starts from fresh tables, so it
// may be called any number of times in one process.
#pragma once

#include <cstddef>
#include <cstdio>

int preprocess(const char *script_path, const char *output_path);

// Output beyond max_output_bytes, or one output line beyond max_line_bytes
// (0 = no bound), stops the run with status 1: far above any real script,
// the bounds end a macro that expands without end before it fills the disk.
// Messages go to `messages` (null = the error stream).
constexpr size_t kMaxPreprocessedBytes = size_t{256} << 20;
constexpr size_t kMaxPreprocessedLineBytes = size_t{16} << 20;
struct PreprocessOptions {
    size_t max_output_bytes = kMaxPreprocessedBytes;
    size_t max_line_bytes = kMaxPreprocessedLineBytes;
    std::FILE *messages = nullptr;
    // The output file exists already (a private temporary file) and is never
    // created again: a break that removed it while the preprocessor starts
    // must not see it come back.
    bool output_exists = false;
};
int preprocess(const char *script_path, const char *output_path, const PreprocessOptions &options);
