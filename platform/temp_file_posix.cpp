#include "platform/temp_file.h"

#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <vector>

extern char **environ;

namespace {

// Files still on disk, for the exit handler and a break; a handful at most.
// The lock keeps a break's removal and a file being made or removed on the
// working thread from crossing; once the process is ending, a new file is
// removed as soon as it is made.
std::mutex live_lock;
std::array<TempFile *, 8> live{};
bool ending = false;

void remove_live_files() { remove_temp_files_now(); }

void track(TempFile *file, TempFile *replacement) {
    static bool handler_installed = false;
    if (!handler_installed) handler_installed = std::atexit(remove_live_files) == 0;
    for (TempFile *&slot : live) {
        if (slot == file) {
            slot = replacement;
            return;
        }
    }
}

}  // namespace

TempFile::~TempFile() { remove(); }

bool TempFile::create(const char *prefix) {
    remove();
    const char *dir = std::getenv("TMPDIR");
    std::string pattern = (dir != nullptr && *dir != '\0') ? dir : "/tmp";
    if (pattern.back() != '/') pattern += '/';
    pattern += prefix;
    pattern += "XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    std::lock_guard<std::mutex> hold(live_lock);
    int fd = mkstemp(name.data());
    if (fd < 0) return false;
    close(fd);
    if (ending) {
        unlink(name.data());
        errno = EINTR;
        return false;
    }
    path_.assign(name.data());
    track(nullptr, this);
    return true;
}

void TempFile::remove() {
    std::lock_guard<std::mutex> hold(live_lock);
    if (path_.empty()) return;
    unlink(path_.c_str());
    path_.clear();
    track(this, nullptr);
}

void remove_temp_files_now() {
    std::lock_guard<std::mutex> hold(live_lock);
    ending = true;
    for (TempFile *&file : live) {
        if (file == nullptr) continue;
        unlink(file->path().c_str());
        file = nullptr;
    }
}

const char *const *environment_entries() { return environ; }

void set_environment(const char *name, const char *value) {
    if (value != nullptr) setenv(name, value, 1);
    else unsetenv(name);
}
