// Private temporary files, one per use: created with mode 0600 and a unique
// name beginning with the given prefix in $TMPDIR (or /tmp when it is unset
// or empty); on Windows in the folder GetTempPathA names (TMP, TEMP). The file is removed by remove(), by the destructor, or, when the
// process ends through exit() first (a fatal error), by an exit handler.
#pragma once

#include <string>

class TempFile {
public:
    TempFile() = default;
    ~TempFile();
    TempFile(const TempFile &) = delete;
    TempFile &operator=(const TempFile &) = delete;

    // False (and errno set) when the file cannot be made.
    bool create(const char *prefix);
    const std::string &path() const { return path_; }
    // Removes the file now; harmless when there is none.
    void remove();

private:
    std::string path_;
};

// Removes every temporary file still on disk at once, from any thread; the
// process is ending, so a file made after this is removed at once too.
void remove_temp_files_now();

// The process environment as "NAME=value" texts, ending with a null entry.
const char *const *environment_entries();

// Sets a variable of the process environment; a null value removes it.
void set_environment(const char *name, const char *value);
