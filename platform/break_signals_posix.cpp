#include "platform/break_signals.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>

#include "platform/console.h"

namespace {

std::atomic<BreakHandler> current_handler{nullptr};
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
            if (e.signal == sig) current_handler.load()(e.event);
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
    current_handler = handler;
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

void quick_exit_process(int status) {
    // Only the console streams: another thread may hold any other stream's
    // lock for as long as its read blocks.
    std::fflush(stdout);
    std::fflush(stderr);
    console_restore();
    _exit(status);
}
