// The floor for a status round trip: one byte each way over a pseudo-terminal
// between two processes, with nothing else in the path. Prints the mean round
// trip in microseconds. usage: pty_pingpong [rounds]
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "platform/pty.h"

namespace {

bool wait_readable(int fd) {
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, 10000) == 1;
}

bool exchange(int fd, unsigned char out, unsigned char *in) {
    if (write(fd, &out, 1) != 1) return false;
    while (wait_readable(fd)) {
        ssize_t n = read(fd, in, 1);
        if (n == 1) return true;
        if (n < 0 && errno != EAGAIN) return false;
    }
    return false;
}

}  // namespace

int main(int argc, char **argv) {
    int rounds = argc > 1 ? std::atoi(argv[1]) : 1000;
    PtyPair pty;
    if (!pty.open()) return 1;
    pid_t child = fork();
    if (child == 0) {
        // The peer: a raw line that answers every byte with one byte.
        ::close(pty.master_fd());  // so the peer sees the hang-up when the host ends
        int fd = ::open(pty.slave_path().c_str(), O_RDWR | O_NOCTTY);
        termios t{};
        tcgetattr(fd, &t);
        cfmakeraw(&t);
        tcsetattr(fd, TCSANOW, &t);
        unsigned char b;
        while (read(fd, &b, 1) == 1) {
            unsigned char reply = 0x12;
            if (write(fd, &reply, 1) != 1) break;
        }
        _exit(0);
    }
    unsigned char in = 0;
    exchange(pty.master_fd(), 0x01, &in);  // the peer is up
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < rounds; ++i)
        if (!exchange(pty.master_fd(), 0x01, &in)) return 1;
    double us = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
    std::printf("%.1f\n", us / rounds);
    pty.close();
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    return 0;
}
