// The break state machine shared by both systems: who may end the process
// and when a pending break runs. The system half delivers events here.
#include <chrono>
#include <thread>

#include "platform/break_os.h"
#include "platform/break_signals.h"

namespace break_detail {
std::atomic<bool> pending{false};
}  // namespace break_detail

namespace {

std::atomic<BreakHandler> current_handler{nullptr};

// Who may end the process. Free: nobody defers, a break runs on the break
// thread. Deferring: the working thread runs; a break waits for its next
// break point. Blocked: it waits for something outside; a break may run on
// the break thread. Claimed: somebody is ending the process.
enum State : int { kFree, kDeferring, kBlocked, kClaimed };
std::atomic<int> state{kFree};
std::atomic<int> pending_event{0};

thread_local bool deferring_thread = false;
thread_local int blocking_depth = 0;
thread_local bool claimed_here = false;

// Another thread is ending the process; only its exit ends this wait.
[[noreturn]] void park() {
    for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
}

bool claim(int from) {
    if (!state.compare_exchange_strong(from, kClaimed)) return false;
    claimed_here = true;
    return true;
}

void run_handler() { current_handler.load()(pending_event.load()); }

}  // namespace

void set_break_handler(BreakHandler handler) { current_handler = handler; }

void deliver_break(int event) {
    pending_event = event;
    break_detail::pending = true;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kBreakPatienceMs);
    for (;;) {
        int s = state.load();
        if (s == kClaimed) return;
        if ((s != kDeferring || std::chrono::steady_clock::now() >= deadline) && claim(s)) {
            run_handler();
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void break_detail::take() {
    if (!deferring_thread) return;
    if (claim(kDeferring)) run_handler();
    if (state.load() == kClaimed && !claimed_here) park();
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
