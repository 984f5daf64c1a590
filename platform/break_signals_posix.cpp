#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cstring>

#include "platform/break_os.h"
#include "platform/break_signals.h"
#include "platform/console.h"
#include "platform/temp_file.h"

namespace {

bool thread_started = false;

struct SignalEvent {
    int signal;
    int event;
};
constexpr SignalEvent signal_events[] = {{SIGINT, 0}, {SIGQUIT, 1}, {SIGHUP, 2}, {SIGTERM, 6}};

sigset_t break_set() {
    sigset_t set;
    sigemptyset(&set);
    for (const SignalEvent &e : signal_events) sigaddset(&set, e.signal);
    return set;
}

void *signal_thread(void *) {
    sigset_t set = break_set();
    for (;;) {
        int sig = 0;
        if (sigwait(&set, &sig) != 0) continue;
        for (const SignalEvent &e : signal_events)
            if (e.signal == sig) deliver_break(e.event);
    }
    return nullptr;
}

// Async-signal-safe: leaving raw mode is an atomic flag and tcsetattr.
void default_break(int sig) {
    console_leave_raw();
    signal(sig, SIG_DFL);
    raise(sig);
}

}  // namespace

void keep_terminal_on_default_break() {
    struct sigaction action {};
    action.sa_handler = default_break;
    sigemptyset(&action.sa_mask);
    for (const SignalEvent &e : signal_events) sigaction(e.signal, &action, nullptr);
}

bool install_break_handler(BreakHandler handler) {
    set_break_handler(handler);
    if (thread_started) return true;
    sigset_t set = break_set();
    sigset_t old;
    if (pthread_sigmask(SIG_BLOCK, &set, &old) != 0) return false;
    pthread_t thread;
    if (pthread_create(&thread, nullptr, signal_thread, nullptr) != 0) {
        pthread_sigmask(SIG_SETMASK, &old, nullptr);
        return false;
    }
    pthread_detach(thread);
    thread_started = true;
    return true;
}

void write_unlocked_text(std::FILE *stream, const char *text) {
    if (ftrylockfile(stream) == 0) {
        std::fputs(text, stream);
        std::fflush(stream);
        funlockfile(stream);
        return;
    }
    size_t left = std::strlen(text);
    while (left > 0) {
        ssize_t n = write(fileno(stream), text, left);
        if (n <= 0) break;
        text += n;
        left -= static_cast<size_t>(n);
    }
}

void quick_exit_process(int status) {
    // A stream whose lock another thread holds (a forced break) is left as
    // it is: waiting for it could wait for ever. The lock taken here is kept,
    // so nothing else writes to the stream before the end.
    for (std::FILE *stream : {stdout, stderr})
        if (ftrylockfile(stream) == 0) std::fflush(stream);
    remove_temp_files_now();
    console_restore_for_exit();
    _exit(status);
}
