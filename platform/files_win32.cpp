#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <string>

// The system's ReadFile function would clash with our class of that name.
#define ReadFile SystemReadFile
#include <windows.h>
#undef ReadFile

#include "platform/files.h"

ReadFile::~ReadFile() {
    if (fd_ >= 0) _close(fd_);
}

bool ReadFile::open(const char *path) {
    fd_ = _open(path, _O_RDONLY | _O_BINARY | _O_NOINHERIT | _O_SEQUENTIAL);
    return fd_ >= 0;
}

long ReadFile::read_some(void *buffer, size_t size) {
    constexpr size_t kMaxRead = 1u << 30;
    return _read(fd_, buffer, static_cast<unsigned>(size < kMaxRead ? size : kMaxRead));
}

bool try_lock_stream(std::FILE *) { return true; }
void unlock_stream(std::FILE *) {}

namespace {

bool file_identity(const char *path, BY_HANDLE_FILE_INFORMATION &info) {
    HANDLE h = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    bool ok = GetFileInformationByHandle(h, &info) != 0;
    CloseHandle(h);
    return ok;
}

}  // namespace

bool same_file(const char *a, const char *b) {
    BY_HANDLE_FILE_INFORMATION ia, ib;
    if (!file_identity(a, ia) || !file_identity(b, ib)) return false;
    return ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber && ia.nFileIndexHigh == ib.nFileIndexHigh &&
           ia.nFileIndexLow == ib.nFileIndexLow;
}

void fill_standard_streams() {
    // Files opened without 'b' too: the system library's default is text.
    _fmode = _O_BINARY;  // msvcrt.dll has no _set_fmode
    for (int fd = 0; fd <= 2; ++fd) {
        if (_get_osfhandle(fd) == -1 || _get_osfhandle(fd) == -2) {
            int null_fd = _open("NUL", _O_RDWR | _O_BINARY);
            if (null_fd >= 0 && null_fd != fd) {
                _dup2(null_fd, fd);
                _close(null_fd);
            }
        }
        // The same bytes as on Linux: no line-end translation on the console
        // streams either.
        _setmode(fd, _O_BINARY);
    }
    // The system library buffers stderr when it is no console: "Busy" would
    // reach a pipe or a log only at the end of the run.
    std::setvbuf(stderr, nullptr, _IONBF, 0);
}

std::string state_file_path(const char *name) {
    const char *base = std::getenv("LOCALAPPDATA");
    if (base && *base) return std::string(base) + "\\vordel\\" + name;
    return "";
}

bool make_parent_directories(const std::string &path) {
    for (size_t sep = path.find_first_of("\\/", 3); sep != std::string::npos; sep = path.find_first_of("\\/", sep + 1)) {
        std::string dir = path.substr(0, sep);
        if (!CreateDirectoryA(dir.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
    }
    return true;
}

std::FILE *open_text_stream(const std::string &text) {
    char dir[MAX_PATH + 1], name[MAX_PATH + 1];
    DWORD length = GetTempPathA(sizeof dir, dir);
    if (length == 0 || length > MAX_PATH || !GetTempFileNameA(dir, "vdt", 0, name)) return nullptr;
    HANDLE h = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_RDWR | _O_BINARY);
    if (fd < 0) {
        CloseHandle(h);
        return nullptr;
    }
    std::FILE *in = _fdopen(fd, "w+b");
    if (!in) {
        _close(fd);
        return nullptr;
    }
    std::fwrite(text.data(), 1, text.size(), in);
    std::rewind(in);
    return in;
}
