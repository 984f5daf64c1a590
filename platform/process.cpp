#include "platform/process.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <csignal>
#include <cstdio>

#include "platform/break_signals.h"
#include "platform/console.h"

extern char **environ;

namespace {

// Backslashes at line[i..]: before a quote they escape, elsewhere they are literal.
size_t take_backslashes(std::string_view line, size_t i, std::string &word) {
    size_t j = i;
    while (j < line.size() && line[j] == '\\') ++j;
    size_t count = j - i;
    if (j < line.size() && line[j] == '"') {
        word.append(count / 2, '\\');
        if (count % 2 == 1) {
            word.push_back('"');
            return count + 1;
        }
        return count;  // the quote is left to act
    }
    word.append(count, '\\');
    return count;
}

int wait_child(pid_t pid) {
    int status = 0;
    BlockingWait waiting;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

}  // namespace

std::vector<std::string> split_command_line(std::string_view line) {
    std::vector<std::string> words;
    std::string word;
    bool in_word = false, quoted = false;
    for (size_t i = 0; i < line.size();) {
        char c = line[i];
        if ((c == ' ' || c == '\t') && !quoted) {
            if (in_word) words.push_back(std::move(word));
            word.clear();
            in_word = false;
            ++i;
            continue;
        }
        in_word = true;
        if (c == '\\') {
            i += take_backslashes(line, i, word);
        } else if (c == '"' && quoted && i + 1 < line.size() && line[i + 1] == '"') {
            word.push_back('"');
            i += 2;
        } else if (c == '"') {
            quoted = !quoted;
            ++i;
        } else {
            word.push_back(c);
            ++i;
        }
    }
    if (in_word) words.push_back(std::move(word));
    return words;
}

int run_command_line(std::string_view line) {
    std::vector<std::string> words = split_command_line(line);
    if (words.empty()) return -1;
    std::vector<char *> argv;
    for (std::string &w : words) argv.push_back(w.data());
    argv.push_back(nullptr);

    std::fflush(stdout);
    std::fflush(stderr);
    console_leave_raw();

    // The break signals are blocked in every thread of ours; the child must
    // get them back.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    for (int s : {SIGINT, SIGQUIT, SIGHUP, SIGTERM, SIGPIPE}) sigaddset(&defaults, s);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid;
    int rc = posix_spawnp(&pid, argv[0], nullptr, &attr, argv.data(), environ);
    posix_spawnattr_destroy(&attr);
    return rc == 0 ? wait_child(pid) : -1;
}
