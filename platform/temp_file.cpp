#include "platform/temp_file.h"

#include <array>
#include <cerrno>
#include <cstdlib>
#include <mutex>

#include "platform/temp_file_os.h"

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
    std::lock_guard<std::mutex> hold(live_lock);
    std::string name;
    if (!create_unique_file(prefix, name)) return false;
    if (ending) {
        delete_temp_file(name);
        errno = EINTR;
        return false;
    }
    path_ = name;
    track(nullptr, this);
    return true;
}

void TempFile::remove() {
    std::lock_guard<std::mutex> hold(live_lock);
    if (path_.empty()) return;
    delete_temp_file(path_);
    path_.clear();
    track(this, nullptr);
}

void remove_temp_files_now() {
    std::lock_guard<std::mutex> hold(live_lock);
    ending = true;
    for (TempFile *&file : live) {
        if (file == nullptr) continue;
        delete_temp_file(file->path());
        file = nullptr;
    }
}
