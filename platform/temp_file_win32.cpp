#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "platform/temp_file.h"
#include "platform/temp_file_os.h"

bool create_unique_file(const char *prefix, std::string &path) {
    static unsigned counter = 0;  // under TempFile's lock
    char dir[MAX_PATH + 1];
    DWORD length = GetTempPathA(sizeof dir, dir);
    if (length == 0 || length > MAX_PATH) {
        errno = ENOENT;
        return false;
    }
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
        path = name;
        return true;
    }
    errno = EEXIST;
    return false;
}

void delete_temp_file(const std::string &path) { DeleteFileA(path.c_str()); }

const char *const *environment_entries() { return _environ; }

// An empty value removes the variable on Windows.
void set_environment(const char *name, const char *value) { _putenv_s(name, value != nullptr ? value : ""); }
