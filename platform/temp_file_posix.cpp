#include "platform/temp_file.h"

#include <unistd.h>

#include <array>
#include <cstdlib>
#include <vector>

extern char **environ;

namespace {

// Files still on disk, for the exit handler; a handful at most.
std::array<TempFile *, 8> live{};

void remove_live_files() {
    for (TempFile *file : live) {
        if (file != nullptr) file->remove();
    }
}

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
    int fd = mkstemp(name.data());
    if (fd < 0) return false;
    close(fd);
    path_.assign(name.data());
    track(nullptr, this);
    return true;
}

void TempFile::remove() {
    if (path_.empty()) return;
    unlink(path_.c_str());
    path_.clear();
    track(this, nullptr);
}

const char *const *environment_entries() { return environ; }
