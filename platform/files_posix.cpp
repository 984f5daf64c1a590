#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

ReadFile::~ReadFile() {
    if (fd_ >= 0) close(fd_);
}

bool ReadFile::open(const char *path) {
    fd_ = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) return false;
    posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);  // read ahead further; a hint only
    return true;
}

long ReadFile::read_some(void *buffer, size_t size) {
    for (;;) {
        ssize_t n = read(fd_, buffer, size);
        if (n >= 0) return static_cast<long>(n);
        if (errno != EINTR) return -1;
    }
}

bool try_lock_stream(std::FILE *stream) { return ftrylockfile(stream) == 0; }
void unlock_stream(std::FILE *stream) { funlockfile(stream); }

bool same_file(const char *a, const char *b) {
    struct stat sa, sb;
    if (stat(a, &sa) != 0 || stat(b, &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

void fill_standard_streams() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        int null_fd = ::open("/dev/null", O_RDWR);
        if (null_fd >= 0 && null_fd != fd) close(null_fd);  // lowest free slot is fd itself
    }
}

std::string state_file_path(const char *name) {
    const char *state = std::getenv("XDG_STATE_HOME");
    if (state && *state) return std::string(state) + "/vordel/" + name;
    const char *home = std::getenv("HOME");
    if (home && *home) return std::string(home) + "/.local/state/vordel/" + name;
    return "";
}

bool make_parent_directories(const std::string &path) {
    for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
        std::string dir = path.substr(0, slash);
        if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    return true;
}

std::FILE *open_text_stream(const std::string &text) {
    if (text.empty()) return std::tmpfile();
    // A buffer of the stream's own, freed when it is closed.
    std::FILE *in = fmemopen(nullptr, text.size(), "r+");  // "w+" would end it with a NUL
    if (!in) return nullptr;
    std::fwrite(text.data(), 1, text.size(), in);
    std::rewind(in);
    return in;
}
