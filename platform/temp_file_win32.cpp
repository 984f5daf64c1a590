#include <windows.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "platform/temp_file.h"

namespace {

// As on Linux: files still on disk, for the exit handler and a break.
std::mutex live_lock;
std::array<TempFile *, 8> live{};
bool ending = false;
unsigned counter = 0;

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
    char dir[MAX_PATH + 1];
    DWORD length = GetTempPathA(sizeof dir, dir);
    if (length == 0 || length > MAX_PATH) {
        errno = ENOENT;
        return false;
    }
    std::lock_guard<std::mutex> hold(live_lock);
    // CREATE_NEW refuses a name that exists, so a clash only costs a retry.
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[MAX_PATH + 64];
        std::snprintf(name, sizeof name, "%s%s%lx%x%lx.tmp", dir, prefix, GetCurrentProcessId(), ++counter,
                      GetTickCount() & 0xFFFFu);
        HANDLE h = CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            if (GetLastError() == ERROR_FILE_EXISTS) continue;
            errno = EACCES;
            return false;
        }
        CloseHandle(h);
        if (ending) {
            DeleteFileA(name);
            errno = EINTR;
            return false;
        }
        path_ = name;
        track(nullptr, this);
        return true;
    }
    errno = EEXIST;
    return false;
}

void TempFile::remove() {
    std::lock_guard<std::mutex> hold(live_lock);
    if (path_.empty()) return;
    DeleteFileA(path_.c_str());
    path_.clear();
    track(this, nullptr);
}

void remove_temp_files_now() {
    std::lock_guard<std::mutex> hold(live_lock);
    ending = true;
    for (TempFile *&file : live) {
        if (file == nullptr) continue;
        DeleteFileA(file->path().c_str());
        file = nullptr;
    }
}

const char *const *environment_entries() { return _environ; }

// An empty value removes the variable on Windows.
void set_environment(const char *name, const char *value) { _putenv_s(name, value != nullptr ? value : ""); }
