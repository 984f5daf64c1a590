#include "platform/break_signals.h"

#include <pthread.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <cstring>

#include "platform/console.h"
#include "platform/temp_file.h"

namespace break_detail {
std::atomic<bool> pending{false};
}  // namespace break_detail

namespace {

std::atomic<BreakHandler> current_handler{nullptr};
bool thread_started = false;

struct SignalEvent {
    int signal;
    int event;
};
constexpr SignalEvent signal_events[] = {{SIGINT, 0}, {SIGQUIT, 1}, {SIGHUP, 2}, {SIGTERM, 6}};

// Who may end the process. Free: nobody defers, a break runs on the signal
// thread. Deferring: the working thread runs; a break waits for its next
// break point. Blocked: it waits for something outside; a break may run on
// the signal thread. Claimed: somebody is ending the process.
enum State : int { kFree, kDeferring, kBlocked, kClaimed };
std::atomic<int> state{kFree};
std::atomic<int> pending_event{0};

thread_local bool deferring_thread = false;
thread_local int blocking_depth = 0;
thread_local bool claimed_here = false;

// Another thread is ending the process; the break signals are blocked here,
// so nothing but its _exit wakes this thread.
[[noreturn]] void park() {
    for (;;) pause();
}

bool claim(int from) {
    if (!state.compare_exchange_strong(from, kClaimed)) return false;
    claimed_here = true;
    return true;
}

void run_handler() { current_handler.load()(pending_event.load()); }

long now_ms() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000L + ts.tv_nsec / 1000000L;
}

// On the signal thread: runs the handler as soon as nobody is in the middle
// of work the clean-up must not race, or once patience runs out.
void deliver(int event) {
    pending_event = event;
    break_detail::pending = true;
    long deadline = now_ms() + kBreakPatienceMs;
    for (;;) {
        int s = state.load();
        if (s == kClaimed) return;
        if ((s != kDeferring || now_ms() >= deadline) && claim(s)) {
            run_handler();
            return;
        }
        timespec pause_ms{0, 1000000L};
        nanosleep(&pause_ms, nullptr);
    }
}

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
            if (e.signal == sig) deliver(e.event);
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

void break_detail::take() {
    if (!deferring_thread) return;
    if (claim(kDeferring)) run_handler();
    if (state.load() == kClaimed && !claimed_here) park();
}

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

void defer_breaks() {
    deferring_thread = true;
    int from = kFree;
    if (!state.compare_exchange_strong(from, kDeferring) && from == kClaimed && !claimed_here) park();
}

BlockingWait::BlockingWait() : active_(deferring_thread) {
    if (!active_) return;
    if (blocking_depth == 0) break_point();
    if (blocking_depth++ > 0) return;
    int from = kDeferring;
    if (!state.compare_exchange_strong(from, kBlocked) && from == kClaimed && !claimed_here) park();
}

BlockingWait::~BlockingWait() {
    if (!active_ || --blocking_depth > 0) return;
    int from = kBlocked;
    if (!state.compare_exchange_strong(from, kDeferring) && from == kClaimed && !claimed_here) park();
}

void claim_exit() {
    if (claimed_here) return;
    for (int s = state.load(); s != kClaimed; s = state.load())
        if (claim(s)) return;
    park();
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
