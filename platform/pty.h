// Pseudo-terminal pairs for playing the device end of a serial line.
//  - open: a fresh pair, line discipline in raw mode (no echo, no
//    translation, 8 data bits), master non-blocking. The slave stays open
//    here too, so the master never sees a hang-up while no program has the
//    device open and a peer may come and go.
//  - link: a symbolic link at path naming the slave (an existing link there
//    is replaced, any other file is left alone: EEXIST); removed by close.
//  - close: both ends and the link; a peer on the slave then reads end of
//    file or an error, as after a pulled cable. Harmless when not open.
#pragma once

#include <string>

class PtyPair {
public:
    PtyPair() = default;
    ~PtyPair() { close(); }
    PtyPair(const PtyPair &) = delete;
    PtyPair &operator=(const PtyPair &) = delete;

    bool open();  // false (errno set) when no pair can be made
    bool link(const std::string &path);  // false (errno set) when the link cannot be made
    void close();

    int master_fd() const { return master_; }
    const std::string &slave_path() const { return slave_path_; }

private:
    int master_ = -1;
    int slave_ = -1;
    std::string slave_path_;
    std::string link_path_;
};
