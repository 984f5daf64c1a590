#include "platform/pty.h"

#include <fcntl.h>
#include <pty.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

bool PtyPair::open() {
    close();
    char name[256];
    struct termios raw {};
    cfmakeraw(&raw);
    if (openpty(&master_, &slave_, name, &raw, nullptr) != 0) {
        master_ = slave_ = -1;
        return false;
    }
    fcntl(master_, F_SETFD, FD_CLOEXEC);
    fcntl(slave_, F_SETFD, FD_CLOEXEC);
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    slave_path_ = name;
    return true;
}

bool PtyPair::link(const std::string &path) {
    if (master_ < 0) {
        errno = EBADF;
        return false;
    }
    // Made beside the final name and renamed over it, so a peer never finds
    // the path missing or naming a stale device.
    struct stat st;
    if (::lstat(path.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
        errno = EEXIST;  // never replace a file that is not a link
        return false;
    }
    std::string temp = path + ".new";
    ::unlink(temp.c_str());
    if (::symlink(slave_path_.c_str(), temp.c_str()) != 0) return false;
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        int saved = errno;
        ::unlink(temp.c_str());
        errno = saved;
        return false;
    }
    link_path_ = path;
    return true;
}

void PtyPair::close() {
    if (!link_path_.empty()) ::unlink(link_path_.c_str());
    link_path_.clear();
    if (master_ >= 0) ::close(master_);
    if (slave_ >= 0) ::close(slave_);
    master_ = slave_ = -1;
    slave_path_.clear();
}
