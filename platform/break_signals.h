// Console break delivery: SIGINT, SIGQUIT, SIGHUP and SIGTERM are blocked in
// the calling thread (and so in every thread started after it) and handled
// on one signal thread, which calls the handler with the console event
// number: 0 SIGINT (Ctrl+C), 1 SIGQUIT, 2 SIGHUP, 6 SIGTERM. The handler is
// expected not to return.
//
// Where the handler runs. Until some thread calls defer_breaks(), on the
// signal thread at once. The thread that runs script code calls it before
// the script starts; from then on a break waits until that thread reaches a
// break_point() (the handler runs there) or sits in a BlockingWait (the
// handler runs on the signal thread, and the waiting thread never comes back
// from its wait). Either way the clean-up never races the script's use of
// its files and of the terminal. A thread that does neither for
// kBreakPatienceMs (a long computation, a read that cannot be interrupted)
// gets the handler on the signal thread all the same.
#pragma once

#include <atomic>
#include <cstdio>

using BreakHandler = void (*)(int event);

// Starts the signal thread on the first call; later calls only swap the
// handler. False when the thread cannot be started.
bool install_break_handler(BreakHandler handler);

// Until install_break_handler runs, the break signals keep their default
// action (the process ends), but the terminal is first put back into its
// normal mode. Call once at start-up.
void keep_terminal_on_default_break();

constexpr int kBreakPatienceMs = 2000;

// Makes the calling thread the one breaks wait for (see above).
void defer_breaks();

namespace break_detail {
extern std::atomic<bool> pending;
void take();
}  // namespace break_detail

// Runs a pending break here; cheap enough for every statement.
inline void break_point() {
    if (break_detail::pending.load(std::memory_order_relaxed)) break_detail::take();
}

// Around a wait that may last (a key, a sleep, a child process) on the
// deferring thread; does nothing on other threads. Nests.
class BlockingWait {
public:
    BlockingWait();
    ~BlockingWait();
    BlockingWait(const BlockingWait &) = delete;
    BlockingWait &operator=(const BlockingWait &) = delete;

private:
    bool active_;
};

// The calling thread is ending the process: breaks arriving from now on are
// ignored. When a break is already being handled on another thread, the
// caller waits for it to end the process instead.
void claim_exit();

// Writes text to a stream without waiting for a lock another thread holds
// (the text then goes straight to the descriptor).
void write_unlocked_text(std::FILE *stream, const char *text);

// Ends the process at once with status: flushes standard output and error,
// removes this process's temporary files, puts the terminal back (last),
// skips static destructors and atexit handlers (other threads may still be
// running). A stream another thread is writing at that moment is skipped.
[[noreturn]] void quick_exit_process(int status);
